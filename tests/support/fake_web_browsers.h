#pragma once

// WebBrowsers for tests: records every window and browser made and every call on them, in
// order, as text ("caption:...", "size:550x430", "show", "navigate:URL", "close").

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
        QWidget* owner = nullptr;
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

    class Browser final : public BrowserAutomation {
    public:
        explicit Browser(std::shared_ptr<Log> log) : log_(std::move(log)) {}
        ~Browser() override { log_->destroyed = true; }
        void Navigate2(const std::string& url, int flags, const std::optional<std::string>& post,
                       const std::optional<std::string>& headers) override {
            log_->calls.push_back("Navigate2:" + url + "|" + std::to_string(flags) + "|" +
                                  (post ? *post : "(none)") + "|" +
                                  (headers ? *headers : "(none)"));
        }
        void SetToolbar(bool on) override { flag("Toolbar", on); }
        void SetMenubar(bool on) override { flag("Menubar", on); }
        void SetStatusbar(bool on) override { flag("Statusbar", on); }
        void SetResizable(bool on) override { flag("Resizable", on); }
        void SetVisible(bool on) override { flag("Visible", on); }
        void SetTop(int v) override { number("Top", v); }
        void SetLeft(int v) override { number("Left", v); }
        void SetWidth(int v) override { number("Width", v); }
        void SetHeight(int v) override { number("Height", v); }

    private:
        void flag(const char* name, bool on) {
            log_->calls.push_back(std::string(name) + "=" + (on ? "true" : "false"));
        }
        void number(const char* name, int v) {
            log_->calls.push_back(std::string(name) + "=" + std::to_string(v));
        }
        std::shared_ptr<Log> log_;
    };

    std::unique_ptr<WebWindow> CreateWebWindow(QWidget* owner) override {
        windows.push_back(std::make_shared<Log>());
        windows.back()->owner = owner;
        return std::make_unique<Window>(windows.back());
    }
    std::unique_ptr<BrowserAutomation> CreateBrowser() override {
        if (noBrowser)
            return nullptr;
        browsers.push_back(std::make_shared<Log>());
        return std::make_unique<Browser>(browsers.back());
    }
    void SetCopyDataSink(CopyDataSink s) override { sink = std::move(s); }

    std::vector<std::shared_ptr<Log>> windows;
    std::vector<std::shared_ptr<Log>> browsers;
    CopyDataSink sink;
    bool noBrowser = false;
};

}  // namespace kv::test
