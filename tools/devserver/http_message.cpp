#include "devserver/http_message.h"

#include "core/base/text.h"

#include <algorithm>
#include <charconv>

#include "core/base/cp949.h"

namespace kv::devserver {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

// RFC 9110 token characters: what a method and a header name may consist of.
bool isToken(std::string_view s) {
    if (s.empty())
        return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u > 32 && u < 127) &&
               std::string_view("\"(),/:;<=>?@[\\]{}").find(c) == std::string_view::npos;
    });
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool isUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        char32_t min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        char32_t cp = c & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

std::optional<std::string> HttpRequest::header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (equalsNoCase(n, name))
            return v;
    return std::nullopt;
}

RequestReader::State RequestReader::fail(int status, std::string text) {
    failure_ = status;
    failureText_ = std::move(text);
    state_ = State::Failed;
    return state_;
}

RequestReader::State RequestReader::feed(std::string_view bytes) {
    if (state_ != State::NeedMore)
        return state_;
    if (!headDone_) {
        // Keep no more than a head and a body can fill, whatever a client floods in.
        const std::size_t cap = limits_.maxHead + 4 + limits_.maxBody;
        buffer_.append(bytes.substr(0, cap - std::min(cap, buffer_.size())));
        std::size_t end = buffer_.find("\r\n\r\n");
        std::size_t endLength = 4;
        if (const std::size_t lf = buffer_.find("\n\n"); lf < end) {
            end = lf;
            endLength = 2;
        }
        if (end == std::string::npos || end > limits_.maxHead) {
            if (end != std::string::npos || buffer_.size() > limits_.maxHead + 3)
                return fail(431, "request head over " + std::to_string(limits_.maxHead) + " bytes");
            return state_;
        }
        if (parseHead(std::string_view(buffer_).substr(0, end)) == State::Failed)
            return state_;
        headDone_ = true;
        buffer_.erase(0, end + endLength);
    } else {
        buffer_.append(bytes.substr(0, bodyLength_ - std::min(bodyLength_, buffer_.size())));
    }
    if (buffer_.size() >= bodyLength_) {
        request_.body = buffer_.substr(0, bodyLength_);
        buffer_.clear();
        state_ = State::Done;
    }
    return state_;
}

RequestReader::State RequestReader::parseHead(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        std::size_t lf = head.find('\n');
        std::string_view line = head.substr(0, lf);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        head.remove_prefix(lf == std::string_view::npos ? head.size() : lf + 1);
    }
    // Blank lines before the request line are allowed (RFC 9112, 2.2).
    std::size_t first = 0;
    while (first < lines.size() && lines[first].empty())
        ++first;
    if (first == lines.size())
        return fail(400, "no request line");

    const std::string_view requestLine = lines[first];
    const std::size_t sp1 = requestLine.find(' ');
    const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : requestLine.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || requestLine.find(' ', sp2 + 1) != std::string_view::npos)
        return fail(400, "malformed request line");
    request_.method = requestLine.substr(0, sp1);
    request_.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    request_.version = requestLine.substr(sp2 + 1);
    if (!isToken(request_.method))
        return fail(400, "malformed method");
    if (request_.target.empty() || request_.target.front() != '/' ||
        std::any_of(request_.target.begin(), request_.target.end(),
                    [](char c) { return static_cast<unsigned char>(c) <= 32 || c == 127; }))
        return fail(400, "malformed target");
    if (request_.version.size() != 8 || !request_.version.starts_with("HTTP/") ||
        hexDigit(request_.version[5]) < 0 || request_.version[6] != '.' ||
        hexDigit(request_.version[7]) < 0 || request_.version[5] > '9' || request_.version[7] > '9')
        return fail(400, "malformed version");
    if (request_.version[5] != '1')
        return fail(505, "only HTTP/1.x is spoken here");
    const std::size_t q = request_.target.find('?');
    request_.path = request_.target.substr(0, q);
    request_.query = q == std::string::npos ? std::string() : request_.target.substr(q + 1);

    for (std::size_t i = first + 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.front() == ' ' || line.front() == '\t')
            return fail(400, "folded header line");
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon)))
            return fail(400, "malformed header line");
        const std::string_view value = trimBlanks(line.substr(colon + 1));
        if (std::any_of(value.begin(), value.end(), [](char c) { return c == '\0' || c == '\r'; }))
            return fail(400, "control character in a header");
        request_.headers.emplace_back(line.substr(0, colon), value);
    }

    if (request_.method != "GET" && request_.method != "HEAD" && request_.method != "POST")
        return fail(501, "method " + request_.method + " is not served");
    if (request_.header("Transfer-Encoding"))
        return fail(501, "transfer codings are not served; send Content-Length");
    std::optional<std::string> length;
    for (const auto& [n, v] : request_.headers) {
        if (!equalsNoCase(n, "Content-Length"))
            continue;
        if (length && *length != v)
            return fail(400, "conflicting Content-Length headers");
        length = v;
    }
    if (!length) {
        if (request_.method == "POST")
            return fail(411, "a POST needs Content-Length");
        bodyLength_ = 0;
        return state_;
    }
    std::size_t n = 0;
    const char* begin = length->data();
    const char* end = begin + length->size();
    const auto [ptr, ec] = std::from_chars(begin, end, n);
    if (length->empty() || ec == std::errc::invalid_argument || ptr != end)
        return fail(400, "malformed Content-Length");
    if (ec == std::errc::result_out_of_range || n > limits_.maxBody)
        return fail(413, "body over " + std::to_string(limits_.maxBody) + " bytes");
    bodyLength_ = n;
    return state_;
}

std::string_view reasonPhrase(int status) {
    switch (status) {
        case 200: return "OK";
        case 204: return "No Content";
        case 400: return "Bad Request";
        case 403: return "Forbidden";
        case 404: return "Not Found";
        case 405: return "Method Not Allowed";
        case 408: return "Request Timeout";
        case 411: return "Length Required";
        case 413: return "Content Too Large";
        case 431: return "Request Header Fields Too Large";
        case 500: return "Internal Server Error";
        case 501: return "Not Implemented";
        case 503: return "Service Unavailable";
        case 505: return "HTTP Version Not Supported";
        default: return "Unknown";
    }
}

std::string formatResponse(const HttpResponse& response, bool headRequest) {
    std::string out = "HTTP/1.1 " + std::to_string(response.status) + " ";
    out += reasonPhrase(response.status);
    out += "\r\nServer: kestrovane-devserver\r\nConnection: close\r\nCache-Control: no-store\r\n";
    if (!response.contentType.empty())
        out += "Content-Type: " + response.contentType + "\r\n";
    out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    for (const auto& [n, v] : response.extraHeaders)
        out += n + ": " + v + "\r\n";
    out += "\r\n";
    if (!headRequest)
        out += response.body;
    return out;
}

std::string percentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
            hexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string percentEncode(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

HeaderList parseForm(std::string_view text) {
    HeaderList out;
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        const std::string_view piece = text.substr(0, amp);
        text.remove_prefix(amp == std::string_view::npos ? text.size() : amp + 1);
        if (piece.empty())
            continue;
        const std::size_t eq = piece.find('=');
        out.emplace_back(percentDecode(piece.substr(0, eq), true),
                         eq == std::string_view::npos ? std::string()
                                                      : percentDecode(piece.substr(eq + 1), true));
    }
    return out;
}

std::optional<std::string> formValue(const HeaderList& form, std::string_view key) {
    for (const auto& [k, v] : form)
        if (k == key)
            return v;
    return std::nullopt;
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string readableText(std::string_view bytes) {
    return isUtf8(bytes) ? std::string(bytes) : cp949ToUtf8(bytes);
}

}  // namespace kv::devserver
