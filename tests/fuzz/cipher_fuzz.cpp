// The credential cipher: decrypting whatever a settings file holds, and round trips.
// The first byte picks the key's length (0 to 16), the key follows, the rest is the text.

#include <algorithm>
#include <string>

#include "core/crypto/dcpcrypt.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kv;
    std::string_view input = fuzz::bytes(data, size);
    if (input.empty())
        return 0;
    const std::size_t keyLength = std::min<std::size_t>(
        static_cast<unsigned char>(input[0]) % (kPc1KeyBytes + 1), input.size() - 1);
    const std::string_view key = input.substr(1, keyLength);
    const std::string_view text = input.substr(1 + keyLength);

    // Any stored text decrypts to at most one byte per pair of characters, without zero bytes.
    const std::string plain = PC1Decrypt(key, text);
    FUZZ_CHECK(plain.size() <= std::min(text.size(), kPc1MaxCipherChars) / 2);
    FUZZ_CHECK(plain.find('\0') == std::string::npos);

    // Encrypting gives two letters "a".."p" per byte of at most 128 bytes, and decrypting that
    // gives the text back up to its first zero byte.
    const std::string cipher = PC1Encrypt(key, text);
    const std::string_view kept = text.substr(0, kPc1MaxPlainBytes);
    FUZZ_CHECK(cipher.size() == 2 * kept.size());
    FUZZ_CHECK(
        std::all_of(cipher.begin(), cipher.end(), [](char c) { return c >= 'a' && c <= 'p'; }));
    FUZZ_CHECK(PC1Decrypt(key, cipher) == kept.substr(0, kept.find('\0')));
    // The same call gives the same result: nothing carries over between calls.
    FUZZ_CHECK(PC1Encrypt(key, text) == cipher);
    return 0;
}
