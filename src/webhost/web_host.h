#pragma once

// The web host's side of the channel (the helper program kestrovane-web): carries out the
// program's commands on its embedded windows (TWebForm) and driven browser windows, and tells
// the program what pages hand back and which windows the member closed. Runs on the host's
// user-interface thread.

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "core/ports/web_browser.h"
#include "core/web/web_host_protocol.h"

namespace kv {

class DrivenBrowserWindow;
class TBrowserWindow;
class TWebForm;
class WebHostChannel;

// Makes the copy-data scheme known to the browser engine: links of it reach a page's navigation
// check only when this ran before the first page existed (best before the application object).
void RegisterCopyDataScheme();

class WebHost final : public QObject {
public:
    // Takes the channel's socket `fd`. `finished` runs once the program has gone (the channel
    // ended) and no window is left open: the host has nothing more to do.
    WebHost(int fd, std::function<void()> finished);
    ~WebHost() override;

    // The embedded window or the driven browser's window the program calls `id`; null when
    // there is none.
    QWidget* Window(std::uint32_t id) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Form;
    void Received(const WebHostMessage& m);
    void Ended();
    void Track(std::uint32_t id, TBrowserWindow* window);
    void Report(WebHostOp op, std::uint32_t id, std::vector<std::int64_t> numbers = {},
                std::vector<std::optional<std::string>> texts = {});
    void CheckFinished();

    std::unique_ptr<WebHostChannel> FChannel;
    std::function<void()> FFinished;
    WebBrowsers::CopyDataSink FSink;
    std::map<std::uint32_t, std::unique_ptr<Form>> FForms;
    std::map<std::uint32_t, std::unique_ptr<DrivenBrowserWindow>> FBrowsers;
    // Driven windows the program let go of that are still open.
    std::map<std::uint32_t, QPointer<TBrowserWindow>> FReleased;
    bool FFinishedCalled = false;
    bool FClosing = false;
};

}  // namespace kv
