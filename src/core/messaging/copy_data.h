#pragma once

// The copy-data channel: how an outside program hands a text to the running instance. One
// message per connection: a 4-byte little-endian kind, then the text (CP949), which ends at
// the first zero byte or at the end of the connection.
//
// Receiving is bounded: a message longer than kMaxCopyDataBytes is refused whole, whatever its
// content, so a misbehaving sender costs at most that much memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

inline constexpr std::uint32_t kCopyDataText = 0;       // "port:text" for an input memo
inline constexpr std::uint32_t kCopyDataAlarmFile = 1;  // an alarm file name
inline constexpr std::size_t kMaxCopyDataBytes = 64 * 1024;

struct CopyDataMessage {
    std::uint32_t Kind = 0;
    std::string Text;
    bool operator==(const CopyDataMessage&) const = default;
};

// The bytes a sender writes, zero byte included.
std::string EncodeCopyData(std::uint32_t kind, std::string_view text);

// Collects one message from the bytes of a connection as they arrive.
class CopyDataReader {
public:
    enum class State {
        Reading,   // wants more bytes (or the end of the connection)
        Complete,  // the text's zero byte came: Message() is ready, later bytes are ignored
        Refused,   // too long: nothing will come of this connection
    };

    State Feed(std::string_view bytes);
    // The connection ended: what has come is the message, if at least the kind came.
    std::optional<CopyDataMessage> Finish();
    State Current() const { return FState; }
    // The message, once Complete.
    const CopyDataMessage& Message() const { return FMessage; }

private:
    void Take(std::size_t textEnd);

    State FState = State::Reading;
    std::string FBytes;
    CopyDataMessage FMessage;
};

}  // namespace kv
