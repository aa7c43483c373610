#pragma once

// The separate browser window: a Qt WebEngine window with its own tool, menu and status bars,
// set up property by property as the program's messages to the web host say. Part of the web
// host.

#include <QMainWindow>
#include <QPointer>

#include <optional>
#include <string>

#include "core/ports/web_browser.h"

class QLineEdit;
class QWebEngineView;

namespace kv {

// Destroys itself when closed; lives on its own once shown.
class TBrowserWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit TBrowserWindow(const WebBrowsers::CopyDataSink* sink);

    QWebEngineView* View = nullptr;
    QToolBar* Toolbar = nullptr;
    QLineEdit* Address = nullptr;
};

class DrivenBrowserWindow final {
public:
    explicit DrivenBrowserWindow(const WebBrowsers::CopyDataSink* sink);
    // A window never made visible goes with the object; a visible one stays open.
    ~DrivenBrowserWindow();
    DrivenBrowserWindow(const DrivenBrowserWindow&) = delete;
    DrivenBrowserWindow& operator=(const DrivenBrowserWindow&) = delete;

    // `postData` is sent as the exact bytes of a POST; `headers` is header lines, each ended
    // by CR LF (what follows a zero character is ignored).
    void Navigate2(const std::string& url, int flags, const std::optional<std::string>& postData,
                   const std::optional<std::string>& headers);
    void SetToolbar(bool on);
    void SetMenubar(bool on);
    void SetStatusbar(bool on);
    void SetResizable(bool on);
    void SetVisible(bool on);
    void SetTop(int y);
    void SetLeft(int x);
    void SetWidth(int width);
    void SetHeight(int height);

    TBrowserWindow* Window() const { return window_; }

private:
    QPointer<TBrowserWindow> window_;
    bool resizable_ = true;
};

}  // namespace kv
