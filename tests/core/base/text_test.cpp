#include "core/base/text.h"

#include <gtest/gtest.h>

#include "core/base/errors.h"

namespace kv {
namespace {

TEST(TrimBytes, RemovesBlanksAndControlBytesAtBothEndsOnly) {
    EXPECT_EQ(trimBytes("  \t\r\nRV:7 \x01\x1f"), "RV:7");
    EXPECT_EQ(trimBytes("a b"), "a b");
    EXPECT_EQ(trimBytes(std::string_view("\0x\0", 3)), "x");
    EXPECT_EQ(trimBytes(" \t "), "");
    EXPECT_EQ(trimBytes(""), "");
    // Bytes above 127 are text (CP949 lead and trail bytes), never trimmed.
    EXPECT_EQ(trimBytes("\xB0\xA1 "), "\xB0\xA1");
}

TEST(StrToInt, ReadsSignedDecimalWithLeadingBlanks) {
    EXPECT_EQ(strToInt("15"), 15);
    EXPECT_EQ(strToInt("-3"), -3);
    EXPECT_EQ(strToInt("+4"), 4);
    EXPECT_EQ(strToInt(" 7"), 7);
    EXPECT_EQ(strToInt("   -0"), 0);
    EXPECT_EQ(strToInt("007"), 7);
    EXPECT_EQ(strToInt("2147483647"), 2147483647);
    EXPECT_EQ(strToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RejectsEverythingElse) {
    for (const char* bad : {"", " ", "-", "+", "7 ", "1a", "0x10", "$10", "1.5", "--1", "- 1",
                            "2147483648", "-2147483649", "99999999999999999999", "\t7"}) {
        EXPECT_THROW(strToInt(bad), ConvertError) << '"' << bad << '"';
    }
    EXPECT_THROW(strToInt(std::string_view("1\0", 2)), ConvertError);
}

TEST(StrToInt, ErrorNamesTheValueButStaysShort) {
    try {
        strToInt(std::string(10000, '9'));
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_LT(std::string(e.what()).size(), 120u);
        EXPECT_NE(std::string(e.what()).find("is not a valid integer value"), std::string::npos);
    }
}

TEST(PercentDecode, EscapesBecomeBytesAndBrokenOnesAreRefused) {
    EXPECT_EQ(percentDecode("1003%3A%EC%95%88"), "1003:\xEC\x95\x88");
    EXPECT_EQ(percentDecode("a+b%2b"), "a+b+");  // "+" stays: only form bodies use it for " "
    EXPECT_EQ(percentDecode(""), "");
    EXPECT_EQ(percentDecode("%4"), std::nullopt);
    EXPECT_EQ(percentDecode("%g1"), std::nullopt);
    EXPECT_EQ(percentDecode("x%"), std::nullopt);
}

}  // namespace
}  // namespace kv
