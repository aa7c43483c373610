#pragma once

#include <QString>

#include "platform/web_browser.h"

namespace kv {

class Shell;

// WebBrowsers that loads the Qt WebEngine module the first time a page is opened, so that
// start-up and memory do not pay for the browser engine. Without the module every page goes
// to the desktop's default browser through `shell`: addresses only, so a post's data and
// headers are lost there and pages cannot hand anything back.
class LazyWebBrowsers final : public WebBrowsers {
public:
    explicit LazyWebBrowsers(Shell& shell, QString moduleName = QStringLiteral("kestrovane-web"));
    ~LazyWebBrowsers() override;

    std::unique_ptr<WebWindow> CreateWebWindow(QWidget* owner) override;
    std::unique_ptr<BrowserAutomation> CreateBrowser() override;
    void SetCopyDataSink(CopyDataSink sink) override;

    // Whether the module was found (loading it if not tried yet).
    bool ModuleLoaded();

private:
    void Load();

    Shell& shell_;
    QString moduleName_;
    bool tried_ = false;
    void* createWindow_ = nullptr;
    void* createBrowser_ = nullptr;
    CopyDataSink sink_;
    // Handed to the module's windows; forwards to whatever sink is current.
    CopyDataSink forward_;
};

// The module's entry points (exported by kestrovane-web).
// The sink stays owned by the caller and must outlive what is created.
using CreateWebWindowFn = WebWindow* (*)(QWidget* owner, const WebBrowsers::CopyDataSink* sink);
using CreateBrowserFn = BrowserAutomation* (*)(const WebBrowsers::CopyDataSink* sink);
inline constexpr const char* kCreateWebWindowSymbol = "kestrovane_create_web_window";
inline constexpr const char* kCreateBrowserSymbol = "kestrovane_create_browser";

}  // namespace kv
