// The web host channel's messages: what one side writes the other reads back, however the
// bytes are cut, and a stream this program did not write is refused rather than misread.

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/web/web_host_protocol.h"

namespace kv {
namespace {

WebHostMessage payment() {
    std::string headers = "Content-Type: application/x-www-form-urlencoded\r\n";
    headers += '\0';
    return {WebHostOp::Navigate2, 7, {0}, {"http://h/zaddpay.asp", "UserID=a&b", headers}};
}

TEST(WebHostProtocol, EveryCommandComesBackAsWritten) {
    const std::vector<WebHostMessage> sent{
        {WebHostOp::CreateWindow, 1, {0x7FFF00000123LL}, {}},
        {WebHostOp::SetCaption, 1, {}, {std::string("\xB5\xB5\xBF\xF2\xB8\xBB", 6)}},
        {WebHostOp::SetSize, 1, {550, -430}, {}},
        {WebHostOp::ShowWindow, 1, {}, {}},
        {WebHostOp::Navigate, 1, {}, {""}},
        payment(),
        {WebHostOp::Navigate2, 8, {0}, {"http://h/r", std::nullopt, std::nullopt}},
        {WebHostOp::SetProperty, 8, {static_cast<std::int64_t>(WebHostProperty::Top), -5}, {}},
        {WebHostOp::Release, 8, {}, {}},
        {WebHostOp::CopyData, 0, {1}, {std::string("a\0b", 3)}},
        {WebHostOp::Closed, 0xFFFFFFFFu, {}, {}},
    };
    std::string stream;
    for (const auto& m : sent)
        stream += EncodeWebHostMessage(m);

    // Whole, and one byte at a time.
    for (std::size_t step : {stream.size(), std::size_t{1}, std::size_t{7}}) {
        WebHostReader reader;
        std::vector<WebHostMessage> got;
        for (std::size_t at = 0; at < stream.size(); at += step) {
            ASSERT_TRUE(reader.Feed(std::string_view(stream).substr(at, step)));
            while (auto m = reader.Next())
                got.push_back(*m);
        }
        EXPECT_FALSE(reader.Broken());
        EXPECT_EQ(got, sent) << "fed " << step << " bytes at a time";
    }
}

TEST(WebHostProtocol, AnAbsentTextDiffersFromAnEmptyOne) {
    WebHostReader reader;
    reader.Feed(EncodeWebHostMessage({WebHostOp::Navigate2, 1, {0}, {"u", "", std::nullopt}}));
    const auto m = reader.Next();
    ASSERT_TRUE(m);
    ASSERT_TRUE(m->Texts[1]);
    EXPECT_EQ(*m->Texts[1], "");
    EXPECT_FALSE(m->Texts[2]);
}

TEST(WebHostProtocol, WritingAMessageOfTheWrongShapeThrows) {
    EXPECT_THROW(EncodeWebHostMessage({WebHostOp::SetSize, 1, {550}, {}}), std::invalid_argument);
    EXPECT_THROW(EncodeWebHostMessage({WebHostOp::ShowWindow, 1, {}, {"x"}}),
                 std::invalid_argument);
    EXPECT_THROW(EncodeWebHostMessage({static_cast<WebHostOp>(200), 1, {}, {}}),
                 std::invalid_argument);
    EXPECT_THROW(EncodeWebHostMessage(
                     {WebHostOp::Navigate, 1, {}, {std::string(kMaxWebHostMessageBytes, 'x')}}),
                 std::invalid_argument);
}

// A body by hand: length, then the given bytes.
std::string framed(const std::string& body) {
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
    return out + body;
}

TEST(WebHostProtocol, AStreamThisProgramDidNotWriteBreaksTheChannel) {
    const std::string id("\x01\x00\x00\x00", 4);
    const std::vector<std::pair<const char*, std::string>> broken{
        {"unknown command", framed(std::string("\x63", 1) + id)},
        {"no window number", framed(std::string("\x04\x01", 2))},
        {"a number missing", framed(std::string("\x04", 1) + id + std::string(8, '\0'))},
        {"bytes left over", framed(std::string("\x04", 1) + id + std::string(17, '\0'))},
        {"presence byte neither 0 nor 1", framed(std::string("\x03", 1) + id + "\x02")},
        {"text longer than the message",
         framed(std::string("\x03", 1) + id + std::string("\x01\x09\x00\x00\x00", 5) + "abc")},
        {"over-long length", std::string("\xFF\xFF\xFF\x7F", 4)},
    };
    for (const auto& [what, bytes] : broken) {
        WebHostReader reader;
        reader.Feed(EncodeWebHostMessage({WebHostOp::ShowWindow, 1, {}, {}}));
        reader.Feed(bytes);
        reader.Feed(EncodeWebHostMessage({WebHostOp::ShowWindow, 2, {}, {}}));
        ASSERT_TRUE(reader.Next()) << what;  // what came before is still read
        EXPECT_FALSE(reader.Next()) << what;
        EXPECT_TRUE(reader.Broken()) << what;
        EXPECT_FALSE(reader.Feed("more")) << what;
        EXPECT_FALSE(reader.Next()) << what;
    }
}

TEST(WebHostProtocol, AnOverLongLengthIsRefusedBeforeItsBytesArrive) {
    WebHostReader reader;
    const auto length = static_cast<std::uint32_t>(kMaxWebHostMessageBytes + 1);
    std::string head;
    for (int i = 0; i < 4; ++i)
        head += static_cast<char>((length >> (8 * i)) & 0xFF);
    reader.Feed(head);
    EXPECT_FALSE(reader.Next());
    EXPECT_TRUE(reader.Broken());
}

TEST(WebHostProtocol, AHalfMessageWaitsForTheRest) {
    const std::string bytes = EncodeWebHostMessage(payment());
    WebHostReader reader;
    reader.Feed(bytes.substr(0, bytes.size() - 1));
    EXPECT_FALSE(reader.Next());
    EXPECT_FALSE(reader.Broken());
    reader.Feed(bytes.substr(bytes.size() - 1));
    EXPECT_EQ(reader.Next(), payment());
}

}  // namespace
}  // namespace kv
