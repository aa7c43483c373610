#include "core/messaging/copy_data.h"

#include "core/base/text.h"

namespace kv {

std::string EncodeCopyData(std::uint32_t kind, std::string_view text) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((kind >> (8 * i)) & 0xFF);
    out += text;
    out += '\0';
    return out;
}

CopyDataReader::State CopyDataReader::Feed(std::string_view bytes) {
    if (FState != State::Reading)
        return FState;
    const std::size_t before = FBytes.size();
    const std::size_t room = kMaxCopyDataBytes - before;
    const bool overflow = bytes.size() > room;
    FBytes.append(bytes.substr(0, room));
    if (FBytes.size() >= 4) {
        const std::size_t zero = FBytes.find('\0', before < 4 ? 4 : before);
        if (zero != std::string::npos) {
            Take(zero);
            return FState;
        }
    }
    if (overflow) {
        FBytes.clear();
        FBytes.shrink_to_fit();
        FState = State::Refused;
    }
    return FState;
}

std::optional<CopyDataMessage> CopyDataReader::Finish() {
    if (FState == State::Reading && FBytes.size() >= 4)
        Take(FBytes.size());  // no zero byte: the text runs to the end of the connection
    if (FState == State::Complete)
        return FMessage;
    return std::nullopt;
}

void CopyDataReader::Take(std::size_t textEnd) {
    FMessage.Kind = 0;
    for (int i = 3; i >= 0; --i)
        FMessage.Kind = (FMessage.Kind << 8) | static_cast<unsigned char>(FBytes[i]);
    FMessage.Text = FBytes.substr(4, textEnd - 4);
    FBytes.clear();
    FState = State::Complete;
}

}  // namespace kv
