#pragma once

// Port: hands an address to the desktop's default handler (the external web browser).

#include <string>

namespace kv {

class Shell {
public:
    virtual ~Shell() = default;
    // Fails silently: there is nothing the member could do about a missing browser here.
    virtual void Open(const std::string& url) = 0;
};

}  // namespace kv
