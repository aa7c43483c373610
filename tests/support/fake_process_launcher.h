#pragma once

// ProcessLauncher that records what it was asked to start.

#include <string>
#include <vector>

#include "core/ports/process_launcher.h"

namespace kv::test {

class FakeProcessLauncher final : public ProcessLauncher {
public:
    struct Start {
        std::string program;
        std::string argument;
    };

    bool start(const std::string& program, const std::string& argument) override {
        starts.push_back({program, argument});
        return succeed;
    }

    bool succeed = true;
    std::vector<Start> starts;
};

}  // namespace kv::test
