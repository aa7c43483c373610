#include "core/messaging/copy_data.h"

#include <gtest/gtest.h>

#include "core/base/cp949.h"

namespace kv {
namespace {

using State = CopyDataReader::State;

std::string frame(std::uint32_t kind, std::string_view text) {
    return EncodeCopyData(kind, text);
}

TEST(CopyDataFraming, KindIsLittleEndianAndTheTextEndsWithAZeroByte) {
    EXPECT_EQ(frame(0, "12:hi"), std::string("\0\0\0\0"
                                             "12:hi\0",
                                             10));
    EXPECT_EQ(frame(1, ""), std::string("\1\0\0\0\0", 5));
    EXPECT_EQ(frame(0x04030201, "x"), std::string("\1\2\3\4x\0", 6));
}

TEST(CopyDataFraming, ReadsAMessageThatArrivesInPieces) {
    const std::string bytes = frame(1, cp949("벨소리.wav"));
    CopyDataReader reader;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        ASSERT_EQ(reader.Feed(bytes.substr(i, 1)), State::Reading) << i;
    EXPECT_EQ(reader.Feed(bytes.substr(bytes.size() - 1)), State::Complete);
    EXPECT_EQ(reader.Message(), (CopyDataMessage{1, cp949("벨소리.wav")}));
    EXPECT_EQ(reader.Finish(), (CopyDataMessage{1, cp949("벨소리.wav")}));
}

TEST(CopyDataFraming, TextEndsAtTheFirstZeroByteAndLaterBytesAreIgnored) {
    CopyDataReader reader;
    EXPECT_EQ(reader.Feed(std::string("\0\0\0\0"
                                      "ab\0cd",
                                      9)),
              State::Complete);
    EXPECT_EQ(reader.Feed("more"), State::Complete);
    EXPECT_EQ(reader.Message().Text, "ab");
}

TEST(CopyDataFraming, WithoutAZeroByteTheTextRunsToTheEnd) {
    CopyDataReader reader;
    EXPECT_EQ(reader.Feed(std::string("\0\0\0\0"
                                      "5:x",
                                      7)),
              State::Reading);
    EXPECT_EQ(reader.Finish(), (CopyDataMessage{0, "5:x"}));
}

TEST(CopyDataFraming, TooShortForTheKindGivesNothing) {
    CopyDataReader empty;
    EXPECT_EQ(empty.Finish(), std::nullopt);
    CopyDataReader three;
    three.Feed(std::string("\0\0\0", 3));
    EXPECT_EQ(three.Finish(), std::nullopt);
    CopyDataReader four;
    four.Feed(std::string("\7\0\0\0", 4));
    EXPECT_EQ(four.Finish(), (CopyDataMessage{7, ""}));
}

TEST(CopyDataFraming, ZeroInsideTheKindDoesNotEndTheText) {
    CopyDataReader reader;
    EXPECT_EQ(reader.Feed(std::string("\0\0", 2)), State::Reading);
    EXPECT_EQ(reader.Feed(std::string("\0\0", 2)), State::Reading);
    EXPECT_EQ(reader.Feed(std::string("t\0", 2)), State::Complete);
    EXPECT_EQ(reader.Message(), (CopyDataMessage{0, "t"}));
}

TEST(CopyDataFraming, OversizedMessageIsRefusedWhole) {
    CopyDataReader reader;
    const std::string big(kMaxCopyDataBytes, 'x');
    EXPECT_EQ(reader.Feed(std::string("\0\0\0\0", 4)), State::Reading);
    EXPECT_EQ(reader.Feed(big), State::Refused);
    EXPECT_EQ(reader.Feed(std::string(1, '\0')), State::Refused);
    EXPECT_EQ(reader.Finish(), std::nullopt);
}

TEST(CopyDataFraming, MessageUpToTheBoundIsTaken) {
    const std::string text(kMaxCopyDataBytes - 5, 'y');
    CopyDataReader withZero;
    EXPECT_EQ(withZero.Feed(frame(0, text)), State::Complete);  // exactly the bound
    EXPECT_EQ(withZero.Message().Text, text);

    // A zero byte inside the bound completes it even when more follows in the same read.
    CopyDataReader longer;
    EXPECT_EQ(longer.Feed(frame(0, "ok") + std::string(2 * kMaxCopyDataBytes, 'z')),
              State::Complete);
    EXPECT_EQ(longer.Message().Text, "ok");

    // Without a zero byte, filling the bound exactly and then ending is still one message.
    CopyDataReader toEnd;
    EXPECT_EQ(toEnd.Feed(std::string(4, '\0') + std::string(kMaxCopyDataBytes - 4, 'w')),
              State::Reading);
    EXPECT_EQ(toEnd.Finish()->Text.size(), kMaxCopyDataBytes - 4);
}

TEST(CopyDataFraming, ArbitraryBytesNeverBreakTheReader) {
    // Every split of a frame with odd content reads the same message.
    const std::string bytes = frame(0, std::string("\xff\x80:\x01\r\n", 6));
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        CopyDataReader reader;
        reader.Feed(bytes.substr(0, cut));
        reader.Feed(bytes.substr(cut));
        ASSERT_EQ(reader.Finish(), (CopyDataMessage{0, std::string("\xff\x80:\x01\r\n", 6)}))
            << cut;
    }
}

TEST(CopyDataText, PortBeforeTheFirstColonTextAfterItTrimmed) {}

}  // namespace
}  // namespace kv
