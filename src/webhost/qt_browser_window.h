#pragma once

// The separate browser window driven through BrowserAutomation: a Qt WebEngine window with its
// own tool, menu and status bars. Part of the web host.

#include <QMainWindow>
#include <QPointer>

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

class QtBrowserAutomation final : public BrowserAutomation {
public:
    explicit QtBrowserAutomation(const WebBrowsers::CopyDataSink* sink);
    // A window never made visible goes with the object; a visible one stays open.
    ~QtBrowserAutomation() override;

    void Navigate2(const std::string& url, int flags, const std::optional<std::string>& postData,
                   const std::optional<std::string>& headers) override;
    void SetToolbar(bool on) override;
    void SetMenubar(bool on) override;
    void SetStatusbar(bool on) override;
    void SetResizable(bool on) override;
    void SetVisible(bool on) override;
    void SetTop(int y) override;
    void SetLeft(int x) override;
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    TBrowserWindow* Window() const { return window_; }

private:
    QPointer<TBrowserWindow> window_;
    bool resizable_ = true;
};

}  // namespace kv
