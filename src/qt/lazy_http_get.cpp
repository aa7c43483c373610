#include "qt/lazy_http_get.h"

#include "qt/module_loader.h"

namespace kv {

namespace {
using CreateHttpGet = HttpGet* (*)();
}

LazyHttpGet::LazyHttpGet() = default;
LazyHttpGet::~LazyHttpGet() = default;

std::string LazyHttpGet::get(const std::string& url, std::chrono::milliseconds bound) {
    if (!http_) {
        auto create = reinterpret_cast<CreateHttpGet>(
            ResolveModuleSymbol(QStringLiteral("kestrovane-net"), "kestrovane_create_http_get"));
        if (create == nullptr)
            throw HttpError("the network module of the program is missing");
        http_.reset(create());
    }
    return http_->get(url, bound);
}

}  // namespace kv
