#include "platform/qt/lazy_web_browsers.h"

#include "platform/qt/module_loader.h"
#include "platform/shell.h"

namespace kv {

namespace {

// The default browser in place of an embedded window: each navigation opens the address.
class ShellWebWindow final : public WebWindow {
public:
    explicit ShellWebWindow(Shell& shell) : shell_(shell) {}
    void SetCaption(const std::string&) override {}
    void SetSize(int, int) override {}
    void ShowWindow() override {}
    void Navigate(const std::string& url) override { shell_.Open(url); }
    void Close() override {}

private:
    Shell& shell_;
};

// The default browser in place of a driven window: the address opens when the window is made
// visible; post data, headers and the window's look cannot be passed on.
class ShellBrowser final : public BrowserAutomation {
public:
    explicit ShellBrowser(Shell& shell) : shell_(shell) {}
    void Navigate2(const std::string& url, int, const std::optional<std::string>&,
                   const std::optional<std::string>&) override {
        url_ = url;
        if (visible_)
            shell_.Open(url_);
    }
    void SetToolbar(bool) override {}
    void SetMenubar(bool) override {}
    void SetStatusbar(bool) override {}
    void SetResizable(bool) override {}
    void SetVisible(bool on) override {
        if (on && !visible_ && !url_.empty())
            shell_.Open(url_);
        visible_ = on;
    }
    void SetTop(int) override {}
    void SetLeft(int) override {}
    void SetWidth(int) override {}
    void SetHeight(int) override {}

private:
    Shell& shell_;
    std::string url_;
    bool visible_ = false;
};

}  // namespace

LazyWebBrowsers::LazyWebBrowsers(Shell& shell, QString moduleName)
    : shell_(shell), moduleName_(std::move(moduleName)) {
    forward_ = [this](std::uint32_t kind, const std::string& text) {
        if (sink_)
            sink_(kind, text);
    };
}

LazyWebBrowsers::~LazyWebBrowsers() = default;

void LazyWebBrowsers::Load() {
    if (tried_)
        return;
    tried_ = true;
    createWindow_ = ResolveModuleSymbol(moduleName_, kCreateWebWindowSymbol);
    createBrowser_ = ResolveModuleSymbol(moduleName_, kCreateBrowserSymbol);
    if (!createWindow_ || !createBrowser_)
        createWindow_ = createBrowser_ = nullptr;
}

bool LazyWebBrowsers::ModuleLoaded() {
    Load();
    return createWindow_ != nullptr;
}

std::unique_ptr<WebWindow> LazyWebBrowsers::CreateWebWindow(QWidget* owner) {
    Load();
    if (createWindow_)
        if (WebWindow* w = reinterpret_cast<CreateWebWindowFn>(createWindow_)(owner, &forward_))
            return std::unique_ptr<WebWindow>(w);
    return std::make_unique<ShellWebWindow>(shell_);
}

std::unique_ptr<BrowserAutomation> LazyWebBrowsers::CreateBrowser() {
    Load();
    if (createBrowser_)
        if (BrowserAutomation* b = reinterpret_cast<CreateBrowserFn>(createBrowser_)(&forward_))
            return std::unique_ptr<BrowserAutomation>(b);
    return std::make_unique<ShellBrowser>(shell_);
}

void LazyWebBrowsers::SetCopyDataSink(CopyDataSink sink) {
    sink_ = std::move(sink);
}

}  // namespace kv
