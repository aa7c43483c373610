#include "core/web/copy_data_link.h"

#include <cstdint>
#include <string>

#include "core/base/cp949.h"
#include "core/base/text.h"

namespace kv {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (low(a[i]) != low(b[i]))
            return false;
    }
    return true;
}

}  // namespace

bool IsCopyDataLink(std::string_view url) {
    return url.size() > kCopyDataScheme.size() && url[kCopyDataScheme.size()] == ':' &&
           equalsNoCase(url.substr(0, kCopyDataScheme.size()), kCopyDataScheme);
}

std::optional<CopyDataMessage> ParseCopyDataLink(std::string_view url) {
    if (!IsCopyDataLink(url))
        return std::nullopt;
    std::string_view rest = url.substr(kCopyDataScheme.size() + 1);
    const auto slash = rest.find('/');
    if (slash == std::string_view::npos || slash == 0 || slash > 10)
        return std::nullopt;
    std::uint64_t kind = 0;
    for (char c : rest.substr(0, slash)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        kind = kind * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (kind > 0xFFFFFFFFu)
        return std::nullopt;
    const auto utf8 = percentDecode(rest.substr(slash + 1));
    if (!utf8)
        return std::nullopt;
    auto text = utf8ToCp949(*utf8);
    if (!text)
        return std::nullopt;
    // The receiving side reads a text up to its first zero byte, as the socket does.
    if (const auto zero = text->find('\0'); zero != std::string::npos)
        text->resize(zero);
    return CopyDataMessage{static_cast<std::uint32_t>(kind), std::move(*text)};
}

}  // namespace kv
