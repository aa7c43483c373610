#pragma once

// Ports: the service's web pages, shown in the program's own browser windows or handed to a
// separate browser window driven property by property. Texts are CP949, as in the logic.
//
// Everything here runs on the user-interface thread. Both kinds of browser are optional
// platform services: where no browser engine is at hand they fall back to the desktop's
// default browser, and their failures are never reported to the member.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace kv {

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

// A separate browser window driven like an automation object: properties set one by one and a
// navigation that may carry post data and extra headers. Releasing the object leaves the
// window open on its own.
class BrowserAutomation {
public:
    virtual ~BrowserAutomation() = default;
    // `postData` is sent as the exact bytes of a POST; `headers` is header lines, each ended
    // by CR LF (what follows a zero character is ignored).
    virtual void Navigate2(const std::string& url, int flags,
                           const std::optional<std::string>& postData,
                           const std::optional<std::string>& headers) = 0;
    virtual void SetToolbar(bool on) = 0;
    virtual void SetMenubar(bool on) = 0;
    virtual void SetStatusbar(bool on) = 0;
    virtual void SetResizable(bool on) = 0;
    virtual void SetVisible(bool on) = 0;
    virtual void SetTop(int y) = 0;
    virtual void SetLeft(int x) = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
};

// Where browser windows come from.
class WebBrowsers {
public:
    // A text handed back by a page (kind and CP949 text, as a copy-data message).
    using CopyDataSink = std::function<void(std::uint32_t kind, const std::string& text)>;

    virtual ~WebBrowsers() = default;
    // Never null. `owner` (may be null) keeps the window above it and must outlive it.
    virtual std::unique_ptr<WebWindow> CreateWebWindow(QWidget* owner) = 0;
    // Null when no browser can be opened.
    virtual std::unique_ptr<BrowserAutomation> CreateBrowser() = 0;
    // Where pages' copy-data links go; an empty sink drops them.
    virtual void SetCopyDataSink(CopyDataSink sink) = 0;
};

}  // namespace kv
