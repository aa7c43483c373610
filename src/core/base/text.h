#pragma once

// Byte-level text helpers used on received lines.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// The line without the bytes of value 32 or less (blanks and control characters) at both ends.
std::string_view trimBytes(std::string_view text);

// Reads a received number: optional leading blanks, an optional sign, then one or more decimal
// digits and nothing else, within the 32-bit signed range. Anything else raises ConvertError,
// whose text names the offending value.
std::int32_t strToInt(std::string_view text);

// The value of a hexadecimal digit, or -1 for any other character.
int hexDigit(char c);

// "%hh" escapes turned back into bytes; nothing when an escape is cut short or not hex.
std::optional<std::string> percentDecode(std::string_view text);

}  // namespace kv
