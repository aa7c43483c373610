#pragma once

// AutoRun in memory: `entry` is the program path the entry points at, if there is one.

#include <optional>
#include <string>

#include "core/ports/autorun.h"

namespace kv::test {

class FakeAutoRun final : public AutoRun {
public:
    bool set(std::string_view programPath) override {
        ++sets;
        if (fail)
            return false;
        entry = std::string(programPath);
        return true;
    }
    bool clear() override {
        ++clears;
        if (fail)
            return false;
        entry.reset();
        return true;
    }

    std::optional<std::string> entry;
    int sets = 0;
    int clears = 0;
    bool fail = false;
};

}  // namespace kv::test
