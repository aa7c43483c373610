#pragma once

// How each of the service's pages is opened: in an embedded window of the caller's (help, ring
// tones, emoticons), in a separate browser window (payment, reserved messages) or in the
// default browser, with the captions of their windows. Texts are CP949.

#include <memory>
#include <string>
#include <string_view>

#include "core/ports/web_browser.h"

namespace kv {

class Shell;

// OpenWebWindow: creates the caller's window into `window` when it holds none, sets caption and
// size (on every call when `sizeEveryCall`, else only when created), shows it and navigates it.
struct WebWindowLook {
    std::string caption;  // CP949
    int width = 550;
    int height = 430;
    bool sizeEveryCall = true;
};
void OpenWebWindow(WebBrowsers& web, std::unique_ptr<WebWindow>& window, NativeWindowId owner,
                   const WebWindowLook& look, const std::string& url);

// The payment page: the id posted, bars shown, resizable.
void OpenPaymentWindow(WebBrowsers& web, std::string_view webRoot, std::string_view userId);
// The reserved messages: no bars, fixed 520 x 400 at the mouse pointer.
void OpenReservedWindow(WebBrowsers& web, std::string_view webRoot, std::string_view userId,
                        int mouseX, int mouseY);

// "UserID=" + id + "&Action=Log-in", no terminating zero.
std::string PaymentPostData(std::string_view userId);
// The form's content type, ended by CR LF and one zero character: 50 characters.
std::string PaymentHeaders();

// OpenInExplorer: the default browser opens the address.
void OpenInExplorer(Shell& shell, const std::string& url);

// Captions of the service page windows (CP949).
std::string HelpWindowCaption();
std::string RingToneWindowCaption();
std::string EmoticonWindowCaption();

}  // namespace kv
