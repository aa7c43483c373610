#pragma once

// Ports: the service's web pages, shown in the program's own browser windows or in a separate
// browser window. Texts are CP949, as in the logic.
//
// Everything here runs on the user-interface thread. Both kinds of window are optional
// platform services: where no browser engine is at hand they fall back to the desktop's
// default browser, and their failures are never reported to the member.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/base/geometry.h"

namespace kv {

// A window of the program's as the platform names it (an X window id, a window handle), for
// the page windows that stay above it; 0: none.
using NativeWindowId = std::int64_t;

// An embedded browser window (TWebForm): created once per caller and reused; its caller owns
// it and destroys it when its own window goes.
class WebWindow {
public:
    virtual ~WebWindow() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    // Outer size of the window.
    virtual void SetSize(int width, int height) = 0;
    // Shows it without making it modal and brings it to the front.
    virtual void ShowWindow() = 0;
    // Loads the address (again, when it is the current one), with no post data or headers.
    virtual void Navigate(const std::string& url) = 0;
    // Closes it; it can be shown again.
    virtual void Close() = 0;
};

// A separate browser window: opened once with all it needs, then left to the member.
struct BrowserWindowRequest {
    std::string Url;
    std::optional<std::string> PostData;  // sent as the exact bytes of a POST
    // Extra header lines, each ended by CR LF (what follows a zero character is ignored).
    std::optional<std::string> Headers;
    bool Bars = true;  // tool, menu and status bars
    bool Resizable = true;
    std::optional<Rect> Where;  // the window's frame; nothing: where the browser puts it
    bool operator==(const BrowserWindowRequest&) const = default;
};

// Where browser windows come from.
class WebBrowsers {
public:
    // A text handed back by a page (kind and CP949 text, as a copy-data message).
    using CopyDataSink = std::function<void(std::uint32_t kind, const std::string& text)>;

    virtual ~WebBrowsers() = default;
    // Never null. The window stays above `owner`.
    virtual std::unique_ptr<WebWindow> CreateWebWindow(NativeWindowId owner) = 0;
    // Nothing happens when no browser can be opened.
    virtual void OpenBrowserWindow(const BrowserWindowRequest& request) = 0;
    // Where pages' copy-data links go; an empty sink drops them.
    virtual void SetCopyDataSink(CopyDataSink sink) = 0;
};

}  // namespace kv
