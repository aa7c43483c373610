#include "core/base/cp949.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(Cp949, KoreanRoundTripsAndCountsTwoBytesPerSyllable) {
    const std::string utf8 = "가족 친구 홍길동, abc";
    const auto bytes = utf8ToCp949(utf8);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 7u * 2 + 7u);       // seven syllables, seven ASCII bytes
    EXPECT_EQ(bytes->substr(0, 2), "\xB0\xA1");  // 가
    EXPECT_EQ(cp949ToUtf8(*bytes), utf8);
}

TEST(Cp949, CharactersWithoutCp949FormAreRefused) {
    EXPECT_FALSE(utf8ToCp949("smile \xF0\x9F\x98\x80"));  // emoji
    EXPECT_FALSE(utf8ToCp949("\xE0\xB8\x81"));            // Thai
    EXPECT_FALSE(utf8ToCp949("\xFF\xFE"));                // not UTF-8
    EXPECT_TRUE(utf8ToCp949(""));
}

TEST(Cp949, InvalidBytesBecomeReplacementCharactersAndTheRestSurvives) {
    // A lone lead byte at the end, a lead byte followed by a control byte, and bytes that
    // CP949 leaves undefined.
    EXPECT_EQ(cp949ToUtf8("ab\xB0"), "ab\xEF\xBF\xBD");
    EXPECT_EQ(cp949ToUtf8("\xB0\x0A"
                          "c"),
              "\xEF\xBF\xBD\nc");
    const std::string mixed = cp949ToUtf8("\xFF\xFF\xB0\xA1");
    EXPECT_NE(mixed.find("가"), std::string::npos);
    // NUL bytes pass through as characters.
    EXPECT_EQ(cp949ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp949, LongTextsConvertWhole) {
    std::string utf8;
    for (int i = 0; i < 5000; ++i)
        utf8 += "한글";
    const auto bytes = utf8ToCp949(utf8);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 20000u);
    EXPECT_EQ(cp949ToUtf8(*bytes), utf8);
}

}  // namespace
}  // namespace kv
