#include "core/posix/ini_format.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kv {
namespace {

TEST(IniValueTest, EncodesAsQSettingsDoes) {
    struct Case {
        std::string text;
        std::string raw;
    };
    const Case cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"a;b", "\"a;b\""},
        {"a,b", "\"a,b\""},
        {"a=b", "\"a=b\""},
        {" lead", "\" lead\""},
        {"trail ", "\"trail \""},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"C:\\dir", "C:\\\\dir"},
        {"@sock", "@@sock"},
        {"mid@dle", "mid@dle"},
        {"a\tb\nc\rd", "a\\tb\\nc\\rd"},
        {"\x01"
         "x",
         "\\x1x"},
        {"\x01"
         "1",
         "\\x1\\x31"},
        {std::string("\0"
                     "7",
                     2),
         "\\0\\x37"},
        {"\x1f", "\\x1f"},
        {"\x7f", "\x7f"},
        {"\xEA\xB0\x80", "\xEA\xB0\x80"},  // UTF-8 stays as it is
    };
    for (const Case& c : cases) {
        EXPECT_EQ(encodeIniValue(c.text), c.raw) << c.text;
        EXPECT_EQ(decodeIniValue(c.raw), c.text) << c.raw;
    }
}

TEST(IniValueTest, DecodesWhatPeopleAndQSettingsWrite) {
    struct Case {
        std::string raw;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"  spaced  value  ", "spaced  value"},
        {"value ; comment", "value"},
        {"\"quoted ; kept\" ; comment", "quoted ; kept"},
        {"x \"y\"", "x y"},
        {"\\x41\\102", "AB"},
        {"\\xEA\\xB0\\x80", "\xC3\xAA\xC2\xB0\xC2\x80"},  // codes, not bytes
        {"\\xac00", "\xEA\xB0\x80"},
        {"\\'\\?\\a", "'?\a"},
        {"@@", "@"},
        {"@foo", "@foo"},
        {"@ByteArray(raw)", "raw"},
        {"@String(text)", "text"},
        {"a,b", std::nullopt},
        {"@Invalid()", std::nullopt},
        {"@Variant(\\0\\0\\0)", std::nullopt},
        {"\"open", std::nullopt},
        {"\\xFFFFFFFF", ""},
        {"end\\", "end"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeIniValue(c.raw), c.text) << c.raw;
}

TEST(IniValueTest, AnyTextRoundTrips) {
    std::vector<std::string> pieces = {"a",
                                       "b",
                                       " ",
                                       "@",
                                       ";",
                                       ",",
                                       "=",
                                       "\"",
                                       "\\",
                                       "\t",
                                       "\n",
                                       "\r",
                                       "\x01",
                                       "\x7f",
                                       "0",
                                       "9",
                                       "f",
                                       "F",
                                       std::string(1, '\0'),
                                       "\xEA\xB0\x80",
                                       "\xED\x9E\xA3"};
    std::mt19937 random(3);
    for (int n = 0; n < 2000; ++n) {
        std::string text;
        for (std::size_t k = random() % 12; k > 0; --k)
            text += pieces[random() % pieces.size()];
        ASSERT_EQ(decodeIniValue(encodeIniValue(text)), text) << encodeIniValue(text);
    }
}

TEST(IniFileTest, ParsesSectionsCommentsAndLineEnds) {
    const auto document = parseIni(
        "\xEF\xBB\xBF"
        "top=1\r\n"
        "; comment\n"
        "# comment\r"
        "[ Option ]\n"
        "  Key  =  v  \n"
        "no equals sign\n"
        "=no key\n"
        "[Broken\n"
        "Lost=1\n"
        "[General]\n"
        "second=2\n"
        "Cut=3");
    ASSERT_TRUE(document);
    const IniDocument expected = {
        {"General", {{"top", "1"}, {"second", "2"}}},
        {"Option", {{"Key", "v"}}},
    };
    EXPECT_EQ(*document, expected);
}

TEST(IniFileTest, RejectsBytesThatAreNotUtf8Text) {
    for (std::string bytes : {std::string("a=1\n\0", 5), std::string("a=\xFF\n"),
                              std::string("a=\xC0\x80\n"), std::string("a=\xED\xA0\x80\n"),
                              std::string("a=\xF4\x90\x80\x80\n"), std::string("a=\xE0\x80\n")})
        EXPECT_FALSE(parseIni(bytes)) << testing::PrintToString(bytes);
    EXPECT_TRUE(parseIni(""));
    EXPECT_TRUE(parseIni("a=\xF0\x9F\x98\x80\n"));
}

TEST(IniFileTest, FormatsGeneralFirstAndRoundTrips) {
    const IniDocument document = {
        {"Zeta", {{"k", "v"}}},
        {"Option", {{"b", "2"}, {"B", "1"}, {"a", "\"x,y\""}}},
        {"Empty", {}},
        {"General", {{"PATH", "/p"}}},
    };
    const std::string text = formatIni(document);
    EXPECT_EQ(text,
              "[General]\nPATH=/p\n\n"
              "[Option]\nB=1\na=\"x,y\"\nb=2\n\n"
              "[Zeta]\nk=v\n");
    IniDocument withoutEmpty = document;
    withoutEmpty.erase("Empty");
    EXPECT_EQ(parseIni(text), withoutEmpty);
}

}  // namespace
}  // namespace kv
