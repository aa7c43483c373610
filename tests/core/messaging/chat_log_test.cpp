#include "core/messaging/chat_log.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/base/cp949.h"

namespace kv {
namespace {

std::vector<ChatParagraph> paragraphs(const ChatLog& log) {
    return log.Paragraphs();
}

// "&#NNNN;" to UTF-8 and the few named entities of HTML to their characters.
std::string decodeEntities(const std::string& html) {
    std::string out;
    for (std::size_t i = 0; i < html.size(); ++i) {
        const std::size_t end = html.find(';', i);
        if (html[i] == '&' && end != std::string::npos && end - i < 10) {
            const std::string name = html.substr(i + 1, end - i - 1);
            long cp = -1;
            if (name.size() > 1 && name[0] == '#')
                cp = std::strtol(name.c_str() + 1, nullptr, 10);
            else if (name == "amp")
                cp = '&';
            else if (name == "lt")
                cp = '<';
            else if (name == "gt")
                cp = '>';
            if (cp > 0) {
                if (cp < 0x80) {
                    out += static_cast<char>(cp);
                } else if (cp < 0x800) {
                    out += static_cast<char>(0xC0 | (cp >> 6));
                    out += static_cast<char>(0x80 | (cp & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (cp >> 12));
                    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (cp & 0x3F));
                }
                i = end;
                continue;
            }
        }
        out += html[i];
    }
    return out;
}

TEST(ChatLog, EntryIsAHeaderAndOneParagraphPerLineWithEmptyLinesKept) {
    ChatLog log;
    EXPECT_EQ(log.AddEntry("demo", "first\r\n\r\nthird"), 0u);
    EXPECT_EQ(log.AddEntry(cp949("엄마"), ""), 4u);
    EXPECT_EQ(log.EntryCount(), 2u);
    EXPECT_EQ(paragraphs(log), (std::vector<ChatParagraph>{{"demo :", kUserStyle},
                                                           {"first", kMessageStyle},
                                                           {"", kMessageStyle},
                                                           {"third", kMessageStyle},
                                                           {cp949("엄마") + " :", kUserStyle},
                                                           {"", kMessageStyle}}));
}

TEST(ChatLog, LinesBreakAtCrLfCrOrLfAndATrailingBreakGivesAnEmptyLine) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), (V{"a", ""}));
    EXPECT_EQ(SplitLines("\n\n"), (V{"", "", ""}));
    EXPECT_EQ(SplitLines(""), (V{""}));
    EXPECT_EQ(SplitLines("a{}b"), (V{"a{}b"}));
}

TEST(ChatLog, StyleSheetHasTheTwoTextAndParagraphStyles) {
    const ChatLogStyles& s = ChatLogStyleSheet();
    EXPECT_EQ(s.Text[kUserStyle].FontName, cp949("굴림"));
    EXPECT_EQ(s.Text[kUserStyle].PointSize, 9);
    EXPECT_EQ(s.Text[kUserStyle].Red, 128);  // grey
    EXPECT_EQ(s.Text[kUserStyle].Blue, 128);
    EXPECT_EQ(s.Text[kMessageStyle].Red, 0);  // black
    EXPECT_EQ(s.Para[kUserStyle].SpaceBefore, 4);
    EXPECT_EQ(s.Para[kUserStyle].LeftIndent, 0);
    EXPECT_EQ(s.Para[kMessageStyle].SpaceBefore, 0);
    EXPECT_EQ(s.Para[kMessageStyle].LeftIndent, 8);
}

TEST(ChatLogRtf, HeaderDeclaresCodePageFontsAndColours) {
    ChatLog log;
    log.AddEntry("demo", "hi");
    const std::string rtf = WriteChatLogRtf(log);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg949\\deff0\n", 0), 0u) << rtf;
    EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fnil\\fcharset129 \\'b1\\'bc\\'b8\\'b2;}}"),
              std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("{\\colortbl ;\\red128\\green128\\blue128;\\red0\\green0\\blue0;}"),
              std::string::npos)
        << rtf;
    // 4 pixels before the header, 8 pixels of indent for the message, in twips; 9 points.
    EXPECT_NE(rtf.find("\\pard\\sb60\\li0\\plain\\f0\\fs18\\cf1 demo :\\par\n"), std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("\\pard\\sb0\\li120\\plain\\f0\\fs18\\cf2 hi\\par\n"), std::string::npos)
        << rtf;
    EXPECT_EQ(rtf.substr(rtf.size() - 2), "}\n");
}

TEST(ChatLogRtf, KoreanIsWrittenAsEscapedCodePageBytes) {
    ChatLog log;
    log.AddEntry("a", cp949("안녕"));
    const std::string rtf = WriteChatLogRtf(log);
    // The two CP949 bytes of each syllable.
    EXPECT_NE(rtf.find("\\cf2 \\'be\\'c8\\'b3\\'e7\\par"), std::string::npos) << rtf;
    // No byte above 127 is left raw anywhere in the document.
    for (unsigned char c : rtf)
        ASSERT_LT(c, 0x80);
}

TEST(ChatLogRtf, TrailBytesThatAreLettersAreEscapedToo) {
    // "갂" is a CP949 extension character whose trail byte is the letter 'A'.
    const std::string gak = cp949("갂");
    ASSERT_EQ(gak.size(), 2u);
    ASSERT_EQ(gak[1], 'A');
    ChatLog log;
    log.AddEntry("a", gak);
    const std::string rtf = WriteChatLogRtf(log);
    EXPECT_NE(rtf.find("\\cf2 \\'81\\'41\\par"), std::string::npos) << rtf;
}

TEST(ChatLogRtf, BracesAndBackslashesAreEscaped) {
    ChatLog log;
    log.AddEntry("{x}", "a{}b\\c\\par}");
    const std::string rtf = WriteChatLogRtf(log);
    EXPECT_NE(rtf.find("\\cf1 \\{x\\} :\\par"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\cf2 a\\{\\}b\\\\c\\\\par\\}\\par"), std::string::npos) << rtf;
}

TEST(ChatLogRtf, EmptyLinesStayParagraphs) {
    ChatLog log;
    log.AddEntry("a", "x\r\n\r\ny");
    const std::string rtf = WriteChatLogRtf(log);
    EXPECT_NE(rtf.find("\\cf2 x\\par\n\\pard\\sb0\\li120\\plain\\f0\\fs18\\cf2 \\par\n"
                       "\\pard\\sb0\\li120\\plain\\f0\\fs18\\cf2 y\\par"),
              std::string::npos)
        << rtf;
}

TEST(ChatLogRtf, BytesThatAreNotCp949AreKeptEscaped) {
    ChatLog log;
    log.AddEntry("a", std::string("\x80z\xff", 3));
    const std::string rtf = WriteChatLogRtf(log);
    EXPECT_NE(rtf.find("\\cf2 \\'80z\\'ff\\par"), std::string::npos) << rtf;
}

TEST(ChatLogRtf, AWordProcessorReadsBackTheSameText) {
    // unrtf stands in for a word processor where it is installed.
    if (std::system("unrtf --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "unrtf is not installed";
    ChatLog log;
    log.AddEntry("demo", cp949("안녕하세요\r\n{괄호} \\ 끝"));
    log.AddEntry(cp949("엄마"), cp949("밥 먹었니?"));
    const auto dir =
        std::filesystem::temp_directory_path() / ("kv-chatlog-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    { std::ofstream(dir / "log.rtf", std::ios::binary) << WriteChatLogRtf(log); }
    // Its HTML output names every non-ASCII character by its code point.
    const std::string command = "unrtf --html " + (dir / "log.rtf").string() + " > " +
                                (dir / "out.html").string() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(dir / "out.html", std::ios::binary);
    const std::string html((std::istreambuf_iterator<char>(in)), {});
    std::filesystem::remove_all(dir);
    const std::string text = decodeEntities(html);
    for (const char* expected : {"demo :", "안녕하세요", "{괄호} \\ 끝", "엄마 :", "밥 먹었니?"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST(ChatLogText, OneLinePerParagraphInTheChosenForm) {
    ChatLog log;
    log.AddEntry("demo", cp949("안녕\r\n\r\nx"));
    EXPECT_EQ(WriteChatLogText(log, {true, "\n"}), "demo :\n안녕\n\nx\n");
    EXPECT_EQ(WriteChatLogText(log, {false, "\r\n"}),
              "demo :\r\n" + cp949("안녕") + "\r\n\r\nx\r\n");
    EXPECT_EQ(WriteChatLogText(ChatLog{}, {true, "\n"}), "");
}

TEST(ChatLogFileName, ExtensionDecidesTheFormat) {
    using K = ChatLogFileKind;
    EXPECT_EQ(ChooseChatLogFile("/d/log"), (ChatLogFile{"/d/log.txt", K::PlainText}));
    EXPECT_EQ(ChooseChatLogFile("/d/log.rtf"), (ChatLogFile{"/d/log.rtf", K::Rtf}));
    EXPECT_EQ(ChooseChatLogFile("/d/log.RTF"), (ChatLogFile{"/d/log.RTF", K::PlainText}));
    EXPECT_EQ(ChooseChatLogFile("/d/log.Rtf"), (ChatLogFile{"/d/log.Rtf", K::PlainText}));
    EXPECT_EQ(ChooseChatLogFile("/d/log.txt"), (ChatLogFile{"/d/log.txt", K::PlainText}));
    EXPECT_EQ(ChooseChatLogFile("/d/log.doc"), (ChatLogFile{"/d/log.doc", K::PlainText}));
    EXPECT_EQ(ChooseChatLogFile("/d/log.rtf.bak"), (ChatLogFile{"/d/log.rtf.bak", K::PlainText}));
    // A dot in a folder's name is no extension of the file.
    EXPECT_EQ(ChooseChatLogFile("/d.rtf/log"), (ChatLogFile{"/d.rtf/log.txt", K::PlainText}));
    EXPECT_EQ(ChooseChatLogFile("log"), (ChatLogFile{"log.txt", K::PlainText}));
}

}  // namespace
}  // namespace kv
