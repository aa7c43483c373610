#pragma once

// The dev server's HTTP/1.1 messages as values: an incremental request reader with bounded
// sizes, the response's wire form, and the URL and form encodings the pages use. Pure
// functions, no sockets; the server in http_server.h drives them.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kv::devserver {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method;
    std::string target;  // as sent: path and query
    std::string path;    // the target before "?", not decoded
    std::string query;   // after "?", not decoded
    std::string version;
    HeaderList headers;  // in the order received, names as sent
    std::string body;

    // The first header of that name (compared without case), or nothing.
    std::optional<std::string> header(std::string_view name) const;
};

struct HttpResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    HeaderList extraHeaders;
    bool stall = false;  // accept the request and never answer (a fault for tests)
};

struct HttpLimits {
    std::size_t maxHead = 16 * 1024;   // request line and headers together
    std::size_t maxBody = 256 * 1024;  // Content-Length above this is refused with 413
};

// Reads one request from the bytes of a connection as they arrive. The request line and
// headers must end within maxHead bytes; a body needs Content-Length (no chunked bodies).
class RequestReader {
public:
    enum class State { NeedMore, Done, Failed };

    explicit RequestReader(HttpLimits limits = {}) : limits_(limits) {}

    // Takes more bytes; bytes after a complete request are ignored.
    State feed(std::string_view bytes);
    State state() const { return state_; }
    // Valid once Done.
    const HttpRequest& request() const { return request_; }
    // Valid once Failed: the status to answer with (400, 405, 411, 413, 431, 501, 505).
    int failure() const { return failure_; }
    std::string_view failureText() const { return failureText_; }

private:
    State fail(int status, std::string text);
    State parseHead(std::string_view head);

    HttpLimits limits_;
    State state_ = State::NeedMore;
    std::string buffer_;
    bool headDone_ = false;
    std::size_t bodyLength_ = 0;
    HttpRequest request_;
    int failure_ = 0;
    std::string failureText_;
};

// "Not Found" for 404 and so on; "Unknown" for codes without a phrase here.
std::string_view reasonPhrase(int status);

// The response as sent: status line, Content-Type, Content-Length, Connection: close, the
// extra headers, the body (left out for a HEAD request, its length still announced).
std::string formatResponse(const HttpResponse& response, bool headRequest = false);

// %XX decoding; with `plusIsSpace` (form data) "+" is a blank. A "%" not followed by two hex
// digits stays as it is.
std::string percentDecode(std::string_view text, bool plusIsSpace);
// Every byte but A-Z, a-z, 0-9 and "-._~" as %XX with capital hex digits.
std::string percentEncode(std::string_view bytes);

// "a=1&b=2" into decoded pairs, in order; a key without "=" has an empty value, empty pieces
// are skipped.
HeaderList parseForm(std::string_view text);
// The first value of `key`, or nothing.
std::optional<std::string> formValue(const HeaderList& form, std::string_view key);

// Text for an HTML page: & < > " ' as entities.
std::string htmlEscape(std::string_view text);
// Received bytes for a UTF-8 page: kept when they are UTF-8, else read as CP949 (what the
// client sends for a Korean user id).
std::string readableText(std::string_view bytes);

}  // namespace kv::devserver
