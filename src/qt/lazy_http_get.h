#pragma once

#include <memory>

#include "core/ports/http_get.h"

namespace kv {

// HttpGet that loads the network module (Qt Network) on its first download, so that a start
// with "/noau" pays nothing for it. Without the module a download fails with an HttpError.
class LazyHttpGet final : public HttpGet {
public:
    LazyHttpGet();
    ~LazyHttpGet() override;
    std::string get(const std::string& url, std::chrono::milliseconds bound) override;

private:
    std::unique_ptr<HttpGet> http_;
};

}  // namespace kv
