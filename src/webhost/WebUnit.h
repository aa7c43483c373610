#pragma once

// TWebForm: the embedded browser window that shows the service's pages (help, ring tones,
// emoticons). Part of the web host, the helper program started on first use; the program
// reaches it only through the WebWindow port and the host's channel. Runs on the host's
// user-interface thread.

#include <QWebEnginePage>
#include <QWidget>

#include "core/ports/web_browser.h"

class QWebEngineView;

namespace kv {

// A page that keeps copy-data links from navigating: their message goes to the sink instead.
class CopyDataPage final : public QWebEnginePage {
public:
    // `sink` may be null and must outlive the page.
    CopyDataPage(const WebBrowsers::CopyDataSink* sink, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    const WebBrowsers::CopyDataSink* sink_;
};

// Takes the copy-data links that reach the browser engine as requests (those not stopped by
// the page) and hands their message to the sink; the request itself fails, so nothing loads.
class CopyDataSchemeHandler;

// Sets up a view as the program's browsers show pages: images, videos and sounds load and
// play without a click.
void SetUpPageView(QWebEngineView& view, const WebBrowsers::CopyDataSink* sink);

class TWebForm final : public QWidget, public WebWindow {
    Q_OBJECT
public:
    // The window stays above `owner` (which may be null) and must be destroyed before it.
    TWebForm(QWidget* owner, const WebBrowsers::CopyDataSink* sink);
    ~TWebForm() override;

    void SetCaption(const std::string& caption) override;
    void SetSize(int width, int height) override;
    void ShowWindow() override;
    void Navigate(const std::string& url) override;
    void Close() override;

    QWebEngineView* EmbeddedWB1 = nullptr;

private:
    bool FShownOnce = false;
};

}  // namespace kv
