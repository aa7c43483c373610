#pragma once

// Byte-level text helpers used on received lines.

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// The line without the bytes of value 32 or less (blanks and control characters) at both ends.
std::string_view trimBytes(std::string_view text);

// Reads a received number: optional leading blanks, an optional sign, then one or more decimal
// digits and nothing else, within the 32-bit signed range. Anything else raises ConvertError,
// whose text names the offending value.
std::int32_t strToInt(std::string_view text);

}  // namespace kv
