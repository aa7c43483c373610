#pragma once

// The copy-data links by which pages hand a choice back to the program:
// "kestrovane-copydata:<kind>/<percent-encoded UTF-8 text>", read as the copy-data message it
// stands for (the text in CP949).

#include <optional>
#include <string_view>

#include "core/messaging/copy_data.h"

namespace kv {

inline constexpr std::string_view kCopyDataScheme = "kestrovane-copydata";

// Whether the address is of the scheme (in any case), whatever follows.
bool IsCopyDataLink(std::string_view url);
// Nothing when the address is of another scheme, the kind is not a decimal number, the
// encoding is broken or the text has letters CP949 cannot hold.
std::optional<CopyDataMessage> ParseCopyDataLink(std::string_view url);

}  // namespace kv
