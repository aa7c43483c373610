#include "core/web/web_host_protocol.h"

#include <stdexcept>

namespace kv {

namespace {

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putI64(std::string& out, std::int64_t value) {
    const auto v = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t getLe(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

// Reads one message body (what follows the length); nothing when it is malformed.
std::optional<WebHostMessage> decodeBody(std::string_view body) {
    if (body.size() < 5)
        return std::nullopt;
    WebHostMessage m;
    m.Op = static_cast<WebHostOp>(static_cast<unsigned char>(body[0]));
    const auto shape = ShapeOf(m.Op);
    if (!shape)
        return std::nullopt;
    m.Window = static_cast<std::uint32_t>(getLe(body, 1, 4));
    std::size_t at = 5;
    for (std::size_t i = 0; i < shape->Numbers; ++i) {
        if (body.size() - at < 8)
            return std::nullopt;
        m.Numbers.push_back(static_cast<std::int64_t>(getLe(body, at, 8)));
        at += 8;
    }
    for (std::size_t i = 0; i < shape->Texts; ++i) {
        if (body.size() - at < 1)
            return std::nullopt;
        const char present = body[at++];
        if (present == 0) {
            m.Texts.emplace_back(std::nullopt);
            continue;
        }
        if (present != 1 || body.size() - at < 4)
            return std::nullopt;
        const auto length = getLe(body, at, 4);
        at += 4;
        if (body.size() - at < length)
            return std::nullopt;
        m.Texts.emplace_back(std::string(body.substr(at, length)));
        at += length;
    }
    if (at != body.size())
        return std::nullopt;
    return m;
}

}  // namespace

std::optional<WebHostShape> ShapeOf(WebHostOp op) {
    switch (op) {
        case WebHostOp::CreateWindow: return WebHostShape{1, 0};
        case WebHostOp::CreateBrowser: return WebHostShape{0, 0};
        case WebHostOp::SetCaption: return WebHostShape{0, 1};
        case WebHostOp::SetSize: return WebHostShape{2, 0};
        case WebHostOp::ShowWindow: return WebHostShape{0, 0};
        case WebHostOp::Navigate: return WebHostShape{0, 1};
        case WebHostOp::Close: return WebHostShape{0, 0};
        case WebHostOp::Release: return WebHostShape{0, 0};
        case WebHostOp::Navigate2: return WebHostShape{1, 3};
        case WebHostOp::SetProperty: return WebHostShape{2, 0};
        case WebHostOp::CopyData: return WebHostShape{1, 1};
        case WebHostOp::Closed: return WebHostShape{0, 0};
    }
    return std::nullopt;
}

std::string EncodeWebHostMessage(const WebHostMessage& message) {
    const auto shape = ShapeOf(message.Op);
    if (!shape || shape->Numbers != message.Numbers.size() || shape->Texts != message.Texts.size())
        throw std::invalid_argument("web host message of the wrong shape");
    std::string body;
    body += static_cast<char>(message.Op);
    putU32(body, message.Window);
    for (std::int64_t n : message.Numbers)
        putI64(body, n);
    for (const auto& text : message.Texts) {
        body += static_cast<char>(text ? 1 : 0);
        if (!text)
            continue;
        if (text->size() > kMaxWebHostMessageBytes)
            throw std::invalid_argument("web host message too long");
        putU32(body, static_cast<std::uint32_t>(text->size()));
        body += *text;
    }
    if (body.size() > kMaxWebHostMessageBytes)
        throw std::invalid_argument("web host message too long");
    std::string out;
    putU32(out, static_cast<std::uint32_t>(body.size()));
    return out + body;
}

bool WebHostReader::Feed(std::string_view bytes) {
    if (FBroken)
        return false;
    // Drop what has been read before the buffer grows again.
    if (FRead > 0 && FRead * 2 >= FBytes.size()) {
        FBytes.erase(0, FRead);
        FRead = 0;
    }
    FBytes.append(bytes);
    return true;
}

std::optional<WebHostMessage> WebHostReader::Next() {
    if (FBroken)
        return std::nullopt;
    const std::string_view pending = std::string_view(FBytes).substr(FRead);
    if (pending.size() < 4)
        return std::nullopt;
    const auto length = getLe(pending, 0, 4);
    if (length > kMaxWebHostMessageBytes) {
        FBroken = true;
        return std::nullopt;
    }
    if (pending.size() - 4 < length)
        return std::nullopt;
    auto message = decodeBody(pending.substr(4, length));
    if (!message) {
        FBroken = true;
        return std::nullopt;
    }
    FRead += 4 + length;
    return message;
}

}  // namespace kv
