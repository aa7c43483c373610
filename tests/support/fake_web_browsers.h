#pragma once

// WebBrowsers for tests: records every embedded window made and every call on it, in order, as
// text ("caption:...", "size:550x430", "show", "navigate:URL", "close"), and every separate
// browser window opened.

#include <memory>
#include <string>
#include <vector>

#include "core/ports/web_browser.h"

namespace kv::test {

class FakeWebBrowsers final : public WebBrowsers {
public:
    struct Log {
        std::vector<std::string> calls;
        bool destroyed = false;
        NativeWindowId owner = 0;
    };

    class Window final : public WebWindow {
    public:
        explicit Window(std::shared_ptr<Log> log) : log_(std::move(log)) {}
        ~Window() override { log_->destroyed = true; }
        void SetCaption(const std::string& c) override { log_->calls.push_back("caption:" + c); }
        void SetSize(int w, int h) override {
            log_->calls.push_back("size:" + std::to_string(w) + "x" + std::to_string(h));
        }
        void ShowWindow() override { log_->calls.push_back("show"); }
        void Navigate(const std::string& url) override { log_->calls.push_back("navigate:" + url); }
        void Close() override { log_->calls.push_back("close"); }

    private:
        std::shared_ptr<Log> log_;
    };

    std::unique_ptr<WebWindow> CreateWebWindow(NativeWindowId owner) override {
        windows.push_back(std::make_shared<Log>());
        windows.back()->owner = owner;
        return std::make_unique<Window>(windows.back());
    }
    void OpenBrowserWindow(const BrowserWindowRequest& request) override {
        if (!noBrowser)
            browsers.push_back(request);
    }
    void SetCopyDataSink(CopyDataSink s) override { sink = std::move(s); }

    std::vector<std::shared_ptr<Log>> windows;
    std::vector<BrowserWindowRequest> browsers;
    CopyDataSink sink;
    bool noBrowser = false;  // no browser can be opened: nothing happens
};

}  // namespace kv::test
