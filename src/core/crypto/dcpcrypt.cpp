#include "core/crypto/dcpcrypt.h"

#include <array>
#include <cstdint>

namespace kv {
namespace {

// Generator state of one call. All arithmetic wraps at 16 bits.
class Pc1 {
public:
    explicit Pc1(std::string_view key) {
        for (std::size_t n = 0; n < key.size() && n < kPc1KeyBytes && key[n] != '\0'; ++n)
            key_[n] = static_cast<std::uint8_t>(key[n]);
    }

    // The keystream byte for the next position, from the key as it stands.
    std::uint8_t assemble() {
        x1a0_[0] = word(0);
        std::uint16_t inter = step();
        for (unsigned j = 1; j < 8; ++j) {
            x1a0_[j] = x1a0_[j - 1] ^ word(j);
            inter ^= step();
        }
        i_ = 0;
        return static_cast<std::uint8_t>((inter >> 8) ^ (inter & 0xFF));
    }

    // Key feedback with the plaintext byte of the position just taken.
    void feed(std::uint8_t plain) {
        for (auto& k : key_)
            k ^= plain;
    }

private:
    std::uint16_t word(unsigned j) const {
        return static_cast<std::uint16_t>(key_[2 * j] << 8 | key_[2 * j + 1]);
    }

    std::uint16_t step() {
        const std::uint16_t a = x1a0_[i_];
        x1a2_ = static_cast<std::uint16_t>(346u * a +
                                           20021u * static_cast<std::uint16_t>(x1a2_ + i_) + si_);
        si_ = static_cast<std::uint16_t>(346u * a);
        x1a0_[i_] = static_cast<std::uint16_t>(20021u * a + 1u);
        const std::uint16_t result = x1a0_[i_] ^ x1a2_;
        ++i_;
        return result;
    }

    std::array<std::uint8_t, kPc1KeyBytes> key_{};
    std::array<std::uint16_t, 8> x1a0_{};
    std::uint16_t x1a2_ = 0;
    std::uint16_t si_ = 0;
    unsigned i_ = 0;
};

}  // namespace

std::string PC1Encrypt(std::string_view key, std::string_view plain) {
    if (plain.size() > kPc1MaxPlainBytes)
        plain = plain.substr(0, kPc1MaxPlainBytes);
    Pc1 pc1(key);
    std::string out;
    out.reserve(plain.size() * 2);
    for (char ch : plain) {
        const auto c = static_cast<std::uint8_t>(ch);
        const std::uint8_t kb = pc1.assemble();
        pc1.feed(c);
        const std::uint8_t e = c ^ kb;
        out += static_cast<char>('a' + (e >> 4));
        out += static_cast<char>('a' + (e & 0x0F));
    }
    return out;
}

std::string PC1Decrypt(std::string_view key, std::string_view cipher) {
    if (cipher.size() > kPc1MaxCipherChars)
        cipher = cipher.substr(0, kPc1MaxCipherChars);
    Pc1 pc1(key);
    std::string out;
    out.reserve(cipher.size() / 2);
    for (std::size_t pos = 0; pos + 1 < cipher.size(); pos += 2) {
        const int high = static_cast<unsigned char>(cipher[pos]) - 'a';
        const int low = static_cast<unsigned char>(cipher[pos + 1]) - 'a';
        const auto e = static_cast<std::uint8_t>((high * 16 + low) & 0xFF);
        const std::uint8_t c = e ^ pc1.assemble();
        pc1.feed(c);
        if (c == 0)
            break;  // the result ends at its first zero byte
        out += static_cast<char>(c);
    }
    return out;
}

}  // namespace kv
