#pragma once

// HttpGet that answers from the test: a body, or an error thrown in its place.

#include <optional>
#include <string>
#include <vector>

#include "core/ports/http_get.h"

namespace kv::test {

class FakeHttpGet final : public HttpGet {
public:
    struct Request {
        std::string url;
        std::chrono::milliseconds bound;
    };

    std::string get(const std::string& url, std::chrono::milliseconds bound) override {
        requests.push_back({url, bound});
        if (error)
            throw HttpError(*error);
        return body;
    }

    std::string body;
    std::optional<std::string> error;
    std::vector<Request> requests;
};

}  // namespace kv::test
