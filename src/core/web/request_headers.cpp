#include "core/web/request_headers.h"

namespace kv {

namespace {

std::string_view trimmedBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> SplitRequestHeaders(std::string_view headers) {
    if (const auto zero = headers.find('\0'); zero != std::string_view::npos)
        headers = headers.substr(0, zero);
    std::vector<std::pair<std::string, std::string>> out;
    while (!headers.empty()) {
        auto end = headers.find("\r\n");
        std::string_view line = headers.substr(0, end);
        headers = end == std::string_view::npos ? std::string_view{} : headers.substr(end + 2);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = trimmedBlanks(line.substr(0, colon));
        if (name.empty())
            continue;
        out.emplace_back(std::string(name), std::string(trimmedBlanks(line.substr(colon + 1))));
    }
    return out;
}

}  // namespace kv
