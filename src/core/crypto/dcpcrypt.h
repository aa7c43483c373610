#pragma once

// The credential cipher: the 128-bit PC1 stream cipher, whose cipher bytes are written as two
// letters "a".."p" each. The settings store keeps the user id and password with it.

#include <cstddef>
#include <string>
#include <string_view>

namespace kv {

// Limits of the fixed result buffer; longer input is cut to them, never overrun.
inline constexpr std::size_t kPc1MaxPlainBytes = 128;
inline constexpr std::size_t kPc1MaxCipherChars = 512;
inline constexpr std::size_t kPc1KeyBytes = 16;

// The key is taken up to its first zero byte and at most 16 bytes, padded with zero bytes.
// Every call starts from the key alone; nothing carries over between calls.
std::string PC1Encrypt(std::string_view key, std::string_view plain);

// One byte per pair of characters (an odd last character is ignored); the result ends at the
// first zero byte. A character outside "a".."p" still gives a byte: its code minus that of "a".
std::string PC1Decrypt(std::string_view key, std::string_view cipher);

}  // namespace kv
