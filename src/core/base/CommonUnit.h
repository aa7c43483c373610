#pragma once

// Declarations shared by every part of the program.

#include <cstddef>
#include <cstdint>

#include "core/base/version.h"

namespace kv {

inline constexpr std::int32_t kChatServerPort = 8000;

// Longest server line (without CR LF) that the client accepts.
inline constexpr std::size_t kMaxLineLength = 16384;

// Longest chat or group-send text, in CP949 bytes.
inline constexpr std::size_t kMaxMessageBytes = 80;

}  // namespace kv
