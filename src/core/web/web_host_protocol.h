#pragma once

// The private channel between the program and its web host, the helper program that shows the
// service's pages (the browser engine lives there, so that the program's start-up creates no
// OpenGL context and a crash of the engine ends only the host).
//
// A message is a 4-byte little-endian length of what follows, then one byte naming the
// command, the 4-byte little-endian number of the window it concerns, and the command's values
// in a fixed shape: numbers as 8-byte little-endian signed integers, then texts, each a
// presence byte (0 absent, 1 present), a 4-byte little-endian length and the bytes (CP949 as
// in the logic, or raw bytes of post data). A message of another shape, an unknown command or
// an over-long length breaks the channel: the peer is not this program's.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class WebHostOp : std::uint8_t {
    // From the program to the host.
    CreateWindow = 1,  // numbers: owner's native window (0: none)
    CreateBrowser,     // a driven browser window, not shown yet
    SetCaption,        // texts: caption
    SetSize,           // numbers: outer width, height
    ShowWindow,        // shows it without making it modal, in front
    Navigate,          // texts: address
    Close,             // hides it; it can be shown again
    Release,           // the program let go: an embedded window goes; a driven one goes unless
                       // it is visible, when it stays open on its own
    Navigate2,         // numbers: flags; texts: address, post data, headers
    SetProperty,       // numbers: WebHostProperty, value
    // From the host to the program.
    CopyData,  // numbers: kind; texts: text handed back by a page (window 0)
    Closed,    // the member closed the window (a driven one is gone with it)
};

enum class WebHostProperty : std::int64_t {
    Toolbar = 1,
    Menubar,
    Statusbar,
    Resizable,
    Visible,
    Top,
    Left,
    Width,
    Height,
};

struct WebHostMessage {
    WebHostOp Op = WebHostOp::Close;
    std::uint32_t Window = 0;
    std::vector<std::int64_t> Numbers;
    std::vector<std::optional<std::string>> Texts;
    bool operator==(const WebHostMessage&) const = default;
};

inline constexpr std::size_t kMaxWebHostMessageBytes = 4 * 1024 * 1024;

// How many numbers and texts a command carries; nothing for an unknown command.
struct WebHostShape {
    std::size_t Numbers = 0;
    std::size_t Texts = 0;
};
std::optional<WebHostShape> ShapeOf(WebHostOp op);

// The bytes of one message, length included. Throws std::invalid_argument when the message
// does not have its command's shape or would exceed kMaxWebHostMessageBytes.
std::string EncodeWebHostMessage(const WebHostMessage& message);

// Cuts the byte stream of a channel into messages as the bytes arrive.
class WebHostReader {
public:
    // Takes the bytes; false once the stream is broken (then nothing more is read from it).
    bool Feed(std::string_view bytes);
    // The next whole message, in order; nothing when none is complete yet.
    std::optional<WebHostMessage> Next();
    bool Broken() const { return FBroken; }

private:
    std::string FBytes;
    std::size_t FRead = 0;
    bool FBroken = false;
};

}  // namespace kv
