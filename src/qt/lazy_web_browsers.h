#pragma once

#include <QString>

#include <memory>

#include "core/ports/web_browser.h"

namespace kv {

class Shell;

// WebBrowsers whose windows live in the web host, a helper program of its own (kestrovane-web)
// started when the first page is opened, so that the program's start-up and memory pay
// nothing for the browser engine (no OpenGL context, no GL library) and a crash of the engine
// ends only the host. The windows handed out are proxies: what they are told goes to the host
// over a private channel, and they remember it, so that a host that went away (ended after its
// last window closed, or crashed) is started again, and the window made again as it was, the
// next time one is shown.
//
// The host ends when no window of it has been open for IdleTime(); a separate browser window,
// which the program lets go once opened, keeps it running while it is open. When
// the helper program is missing or cannot be started, pages go to the desktop's default
// browser through `shell`: addresses only, so a post's data and headers are lost there and
// pages cannot hand anything back.
class LazyWebBrowsers final : public WebBrowsers {
public:
    explicit LazyWebBrowsers(Shell& shell, QString hostName = QStringLiteral("kestrovane-web"));
    ~LazyWebBrowsers() override;

    std::unique_ptr<WebWindow> CreateWebWindow(NativeWindowId owner) override;
    void OpenBrowserWindow(const BrowserWindowRequest& request) override;
    void SetCopyDataSink(CopyDataSink sink) override;

    // Whether the helper program was found.
    bool HostFound();
    // The running host's process id, or -1 when none runs.
    long HostProcessId() const;
    // How long the host is kept after its last window closed, in case another page follows.
    void SetIdleTime(int ms);
    static constexpr int kDefaultIdleMs = 10000;

    // The running host and what the program told its windows; proxies hold it weakly, so a
    // window that outlives this object does nothing.
    class Host;

private:
    Shell& shell_;
    std::shared_ptr<Host> host_;
};

}  // namespace kv
