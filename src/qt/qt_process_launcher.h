#pragma once

#include "core/ports/process_launcher.h"

namespace kv {

// ProcessLauncher through QProcess: the program is started detached, in the caller's
// environment and working directory, and outlives this process.
class QtProcessLauncher final : public ProcessLauncher {
public:
    bool start(const std::string& program, const std::string& argument) override;
};

}  // namespace kv
