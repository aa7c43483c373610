#pragma once

#include <string>
#include <vector>

#include "core/ports/shell.h"

namespace kv::test {

// Shell for tests: records the addresses it was asked to open.
class FakeShell final : public Shell {
public:
    void Open(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

}  // namespace kv::test
