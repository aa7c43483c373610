#include "core/web/page_windows.h"

#include "core/base/cp949.h"
#include "core/ports/shell.h"
#include "core/web/page_addresses.h"

namespace kv {

namespace {

void openBrowserWindow(WebBrowsers& web, const BrowserWindowRequest& request) {
    // The browser is an optional service: whatever goes wrong, the member is not told.
    try {
        web.OpenBrowserWindow(request);
    } catch (...) {
    }
}

}  // namespace

void OpenWebWindow(WebBrowsers& web, std::unique_ptr<WebWindow>& window, NativeWindowId owner,
                   const WebWindowLook& look, const std::string& url) {
    const bool created = !window;
    if (created)
        window = web.CreateWebWindow(owner);
    if (created || look.sizeEveryCall) {
        window->SetCaption(look.caption);
        window->SetSize(look.width, look.height);
    }
    window->ShowWindow();
    window->Navigate(url);
}

void OpenPaymentWindow(WebBrowsers& web, std::string_view webRoot, std::string_view userId) {
    BrowserWindowRequest request;
    request.Url = PaymentPageURL(webRoot);
    request.PostData = PaymentPostData(userId);
    request.Headers = PaymentHeaders();
    openBrowserWindow(web, request);
}

void OpenReservedWindow(WebBrowsers& web, std::string_view webRoot, std::string_view userId,
                        int mouseX, int mouseY) {
    BrowserWindowRequest request;
    request.Url = ReservedPageURL(webRoot, userId);
    request.Bars = false;
    request.Resizable = false;
    request.Where = Rect{mouseX, mouseY, 520, 400};
    openBrowserWindow(web, request);
}

std::string PaymentPostData(std::string_view userId) {
    std::string data = "UserID=";
    data += userId;
    data += "&Action=Log-in";
    return data;
}

std::string PaymentHeaders() {
    std::string h = "Content-Type: application/x-www-form-urlencoded\r\n";
    h += '\0';
    return h;
}

void OpenInExplorer(Shell& shell, const std::string& url) {
    shell.Open(url);
}

std::string HelpWindowCaption() {
    return cp949("도움말 - 케스트로바네");
}
std::string RingToneWindowCaption() {
    return cp949("도착음 - 케스트로바네");
}
std::string EmoticonWindowCaption() {
    return cp949("이모티콘 - 케스트로바네");
}

}  // namespace kv
