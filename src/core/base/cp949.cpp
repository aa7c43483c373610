#include "core/base/cp949.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace kv {
namespace {

// One converter per direction and thread: iconv descriptors carry shift state and are not
// thread-safe, and opening one costs more than most conversions.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            std::fprintf(stderr, "iconv cannot convert %s to %s\n", from, to);
            std::abort();
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts input; on an invalid or unconvertible sequence calls onBad(out, in, left),
    // which either skips input (returns true) or gives up (returns false -> nullopt).
    template <typename OnBad>
    std::optional<std::string> run(std::string_view input, OnBad onBad) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string out;
        out.reserve(input.size() * 3 / 2 + 8);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
            out.append(buffer, dst);
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
                if (!onBad(out, in, inLeft))
                    return std::nullopt;
            }
        }
        return out;
    }

private:
    iconv_t cd_;
};

Converter& toUtf8Converter() {
    thread_local Converter c("UTF-8", "CP949");
    return c;
}

Converter& toCp949Converter() {
    thread_local Converter c("CP949", "UTF-8");
    return c;
}

}  // namespace

std::string cp949ToUtf8(std::string_view cp949) {
    auto result = toUtf8Converter().run(cp949, [](std::string& out, char*& in, std::size_t& left) {
        // A lead byte without its trail byte, or a pair CP949 does not define: replace the
        // lead byte alone and go on with the next, so one bad byte costs one character.
        out += "\xEF\xBF\xBD";
        ++in;
        --left;
        return true;
    });
    return std::move(*result);
}

std::optional<std::string> utf8ToCp949(std::string_view utf8) {
    return toCp949Converter().run(utf8, [](std::string&, char*&, std::size_t&) { return false; });
}

std::string cp949(std::string_view utf8Literal) {
    auto result = utf8ToCp949(utf8Literal);
    if (!result) {
        std::fprintf(stderr, "text has no CP949 form: %.*s\n", static_cast<int>(utf8Literal.size()),
                     utf8Literal.data());
        std::abort();
    }
    return std::move(*result);
}

}  // namespace kv
