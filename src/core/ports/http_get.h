#pragma once

// Port: one HTTP GET, made on the user-interface thread while the windows stay responsive.

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace kv {

// A failed download: no connection, no answer within the bound, a status other than success,
// or a body over the size limit. The text is meant for the standard error box.
class HttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class HttpGet {
public:
    // Longest wait of a download unless the caller asks for another.
    static constexpr std::chrono::milliseconds kDefaultBound{15000};
    // Largest body accepted; anything longer is an error rather than a memory hazard.
    static constexpr std::size_t kDefaultMaxBody = 1024 * 1024;

    virtual ~HttpGet() = default;

    // Fetches `url` (http or https) over a direct connection and returns the body as bytes.
    // Returns or throws HttpError within `bound`, however the server behaves; pending window
    // events keep running while it waits, so callers must expect re-entrant window handlers.
    virtual std::string get(const std::string& url, std::chrono::milliseconds bound) = 0;
};

}  // namespace kv
