#pragma once

#include <cstddef>

#include "core/ports/http_get.h"

namespace kv {

// HttpGet on Qt Network. Each call runs its own network manager in a local event loop on the
// calling thread, which keeps that thread's window events running while it waits. No proxy is
// used. The bound covers the whole download, so a server that answers and then stalls, or
// trickles bytes, still ends in a time-out.
class QtHttpGet final : public HttpGet {
public:
    explicit QtHttpGet(std::size_t maxBody = kDefaultMaxBody) : maxBody_(maxBody) {}

    std::string get(const std::string& url, std::chrono::milliseconds bound) override;

private:
    std::size_t maxBody_;
};

}  // namespace kv
