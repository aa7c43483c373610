#include "core/crypto/dcpcrypt.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace kv {
namespace {

// The 128-bit PC1 generator as its reference code states it, with the register exchanges and
// the two tests for zero, kept independent of the implementation under test.
class ReferencePc1 {
public:
    explicit ReferencePc1(const std::uint8_t (&key)[16]) {
        for (int n = 0; n < 16; ++n)
            cle[n] = key[n];
    }
    std::uint8_t keystream() {
        x1a0[0] = static_cast<std::uint16_t>(cle[0] * 256 + cle[1]);
        code();
        inter = res;
        for (int j = 1; j < 8; ++j) {
            x1a0[j] = static_cast<std::uint16_t>(x1a0[j - 1] ^ (cle[2 * j] * 256 + cle[2 * j + 1]));
            code();
            inter = static_cast<std::uint16_t>(inter ^ res);
        }
        i = 0;
        return static_cast<std::uint8_t>((inter >> 8) ^ (inter & 255));
    }
    void feedback(std::uint8_t c) {
        for (auto& k : cle)
            k = static_cast<std::uint8_t>(k ^ c);
    }

private:
    void code() {
        dx = static_cast<std::uint16_t>(x1a2 + i);
        ax = x1a0[i];
        cx = 0x015a;
        bx = 0x4e35;
        std::swap(ax, si);
        std::swap(ax, dx);
        if (ax != 0)
            ax = static_cast<std::uint16_t>(ax * bx);
        std::swap(ax, cx);
        if (ax != 0) {
            ax = static_cast<std::uint16_t>(ax * si);
            cx = static_cast<std::uint16_t>(ax + cx);
        }
        std::swap(ax, si);
        ax = static_cast<std::uint16_t>(ax * bx);
        dx = static_cast<std::uint16_t>(cx + dx);
        ax = static_cast<std::uint16_t>(ax + 1);
        x1a2 = dx;
        x1a0[i] = ax;
        res = static_cast<std::uint16_t>(ax ^ dx);
        i = static_cast<std::uint16_t>(i + 1);
    }
    std::uint16_t ax = 0, bx = 0, cx = 0, dx = 0, si = 0, x1a2 = 0, res = 0, i = 0, inter = 0;
    std::uint16_t x1a0[8] = {};
    std::uint8_t cle[16] = {};
};

std::string referenceEncrypt(const std::uint8_t (&key)[16], const std::string& plain) {
    ReferencePc1 pc1(key);
    std::string out;
    for (char ch : plain) {
        const auto c = static_cast<std::uint8_t>(ch);
        const std::uint8_t kb = pc1.keystream();
        pc1.feedback(c);
        const auto e = static_cast<std::uint8_t>(c ^ kb);
        out += static_cast<char>('a' + (e >> 4));
        out += static_cast<char>('a' + (e & 15));
    }
    return out;
}

std::string randomBytes(std::mt19937& rng, std::size_t n, bool nonZero) {
    std::uniform_int_distribution<int> byte(nonZero ? 1 : 0, 255);
    std::string s;
    for (std::size_t k = 0; k < n; ++k)
        s += static_cast<char>(byte(rng));
    return s;
}

TEST(Pc1, AgreesWithTheReferenceForEveryKeyLength) {
    std::mt19937 rng(20261209);
    for (std::size_t keyLength = 0; keyLength <= 16; ++keyLength) {
        for (int round = 0; round < 20; ++round) {
            const std::string key = randomBytes(rng, keyLength, /*nonZero=*/true);
            std::uint8_t padded[16] = {};
            for (std::size_t n = 0; n < key.size(); ++n)
                padded[n] = static_cast<std::uint8_t>(key[n]);
            const std::string plain = randomBytes(rng, 1 + rng() % 128, /*nonZero=*/false);
            ASSERT_EQ(PC1Encrypt(key, plain), referenceEncrypt(padded, plain))
                << "key length " << keyLength;
        }
    }
}

TEST(Pc1, EncryptsToTwoLettersPerByteAndDecryptsBack) {
    std::mt19937 rng(7);
    const std::string key = "KestrovaneUser!";  // 15 letters, as the settings store's keys
    for (std::size_t n = 1; n <= 128; ++n) {
        const std::string plain = randomBytes(rng, n, /*nonZero=*/true);
        const std::string cipher = PC1Encrypt(key, plain);
        ASSERT_EQ(cipher.size(), 2 * n);
        ASSERT_EQ(cipher.find_first_not_of("abcdefghijklmnop"), std::string::npos);
        ASSERT_EQ(PC1Decrypt(key, cipher), plain);
    }
    EXPECT_EQ(PC1Encrypt(key, ""), "");
    EXPECT_EQ(PC1Decrypt(key, ""), "");
    EXPECT_EQ(PC1Decrypt(key, "a"), "");
}

TEST(Pc1, FifteenLetterKeyIsTheSixteenByteKeyWithAFinalZero) {
    const std::string plain = "\xC8\xAB\xB1\xE6\xB5\xBF password";
    const std::string withZero("ABCDEFGHIJKLMNO\0", 16);
    EXPECT_EQ(PC1Encrypt("ABCDEFGHIJKLMNO", plain), PC1Encrypt(withZero, plain));
    // The key ends at its first zero byte: what follows it is not key.
    EXPECT_EQ(PC1Encrypt(std::string("AB\0CD", 5), plain), PC1Encrypt("AB", plain));
}

TEST(Pc1, NoSaltSameLeadingBytesGiveSameLeadingLetters) {
    const std::string a = PC1Encrypt("k", "hello");
    const std::string b = PC1Encrypt("k", "help!");
    EXPECT_EQ(a.substr(0, 6), b.substr(0, 6));
    EXPECT_NE(a.substr(6), b.substr(6));
    // The first two letters depend on the key and the first byte only.
    EXPECT_EQ(PC1Encrypt("k", "x").substr(0, 2), PC1Encrypt("k", "xyz").substr(0, 2));
    EXPECT_NE(PC1Encrypt("k", "x"), PC1Encrypt("j", "x"));
}

TEST(Pc1, DecryptIgnoresAnOddLastCharacterAndStopsAtAZeroByte) {
    const std::string cipher = PC1Encrypt("key", "abc");
    EXPECT_EQ(PC1Decrypt("key", cipher + "p"), "abc");
    const std::string withZero = PC1Encrypt("key", std::string("ab\0cd", 5));
    EXPECT_EQ(PC1Decrypt("key", withZero), "ab");
}

TEST(Pc1, InputBeyondTheLimitsIsCutNotOverrun) {
    const std::string key(40, 'K');  // longer than 16 bytes: only the first 16 count
    const std::string longPlain(1000, 'x');
    const std::string cipher = PC1Encrypt(key, longPlain);
    EXPECT_EQ(cipher.size(), 256u);
    EXPECT_EQ(cipher, PC1Encrypt(key.substr(0, 16), longPlain.substr(0, 128)));
    EXPECT_EQ(PC1Decrypt(key, cipher), longPlain.substr(0, 128));

    // 600 characters decode as the first 512 (256 bytes).
    std::string longCipher;
    for (int i = 0; i < 300; ++i)
        longCipher += "ab";
    EXPECT_LE(PC1Decrypt("k", longCipher).size(), 256u);
    EXPECT_EQ(PC1Decrypt("k", longCipher), PC1Decrypt("k", longCipher.substr(0, 512)));
}

TEST(Pc1, CharactersOutsideTheAlphabetDecodeDeterministically) {
    const std::string odd = "zz!!AZ~~\x80\xff{{";
    const std::string once = PC1Decrypt("key", odd);
    EXPECT_EQ(PC1Decrypt("key", odd), once);
    // Each pair still stands for one byte, (first - 'a') * 16 + (second - 'a') kept to 8
    // bits: "zz" is 25 * 16 + 25 = 425, byte 0xA9, the byte that "kj" stands for.
    EXPECT_EQ(PC1Decrypt("key", "zz"), PC1Decrypt("key", "kj"));
}

}  // namespace
}  // namespace kv
