#pragma once

// Port: starting another program, such as the updater.

#include <string>

namespace kv {

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // Starts `program` (a path) with `argument` as its only argument and returns as soon as it
    // is started, without waiting for it or keeping a hold on it. False when it could not be
    // started.
    virtual bool start(const std::string& program, const std::string& argument) = 0;
};

}  // namespace kv
