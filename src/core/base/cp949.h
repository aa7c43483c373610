#pragma once

// CP949 <-> UTF-8. The logic holds every text as CP949 bytes, as they travel on the wire; the
// windows and the files outside convert at their edge through these functions.

#include <optional>
#include <string>
#include <string_view>

namespace kv {

// CP949 bytes to UTF-8. Never fails: a byte sequence that is not CP949 becomes U+FFFD.
std::string cp949ToUtf8(std::string_view cp949);

// UTF-8 to CP949, or nothing when a character has no CP949 form (or the input is not UTF-8).
std::optional<std::string> utf8ToCp949(std::string_view utf8);

// UTF-8 literal to CP949 for texts defined in the source; a literal that CP949 cannot hold is a
// programming error and aborts.
std::string cp949(std::string_view utf8Literal);

}  // namespace kv
