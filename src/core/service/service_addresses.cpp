#include "core/service/service_addresses.h"

#include <cstdlib>

#include "core/base/CommonUnit.h"
#include "core/base/errors.h"
#include "core/base/text.h"

#ifndef KESTROVANE_DEFAULT_SERVER
#error "KESTROVANE_DEFAULT_SERVER must be defined by the build"
#endif
#ifndef KESTROVANE_DEFAULT_WEB_ROOT
#error "KESTROVANE_DEFAULT_WEB_ROOT must be defined by the build"
#endif

namespace kv {

namespace {
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}
}  // namespace

ServerAddress parseServerAddress(std::string_view value, std::string_view fallbackHost,
                                 std::int32_t defaultPort) {
    value = trimBytes(value);
    ServerAddress result{std::string(fallbackHost), defaultPort};
    if (value.empty())
        return result;
    std::string_view host = value;
    std::string_view port;
    if (value.front() == '[') {
        const auto close = value.find(']');
        if (close == std::string_view::npos)
            return result;
        host = value.substr(1, close - 1);
        if (close + 1 < value.size()) {
            if (value[close + 1] != ':')
                return result;
            port = value.substr(close + 2);
        }
    } else if (const auto colon = value.rfind(':');
               colon != std::string_view::npos && value.find(':') == colon) {
        host = value.substr(0, colon);
        port = value.substr(colon + 1);
    }
    if (host.empty())
        return result;
    result.host = std::string(host);
    if (!port.empty()) {
        try {
            const std::int32_t number = strToInt(port);
            if (number > 0 && number < 65536)
                result.port = number;
        } catch (const ConvertError&) {
        }
    }
    return result;
}

ServerAddress ChatServerAddress() {
    return parseServerAddress(environment("KESTROVANE_SERVER"), KESTROVANE_DEFAULT_SERVER,
                              kChatServerPort);
}

std::string ServiceWebRoot() {
    std::string root = environment("KESTROVANE_WEB_ROOT");
    if (root.empty())
        root = KESTROVANE_DEFAULT_WEB_ROOT;
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    return root;
}

}  // namespace kv
