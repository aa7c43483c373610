#pragma once

#include "core/ports/shell.h"

namespace kv {

// Opens addresses with the desktop's default handler.
class QtShell final : public Shell {
public:
    void Open(const std::string& url) override;
};

}  // namespace kv
