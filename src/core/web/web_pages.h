#pragma once

// The service's web pages: their addresses, the payment request's post data and header, the
// copy-data links by which pages hand a choice back, and the three ways a page is opened
// (an embedded window, a separate browser window, the default browser). Texts are CP949; the
// user id goes into addresses and post data exactly as it is, unescaped.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/messaging/copy_data.h"
#include "core/ports/web_browser.h"

class QWidget;

namespace kv {

class Shell;

std::string SignUpPageURL(std::string_view webRoot);
std::string LookupPageURL(std::string_view webRoot);
std::string PaymentPageURL(std::string_view webRoot);
std::string HelpPageURL(std::string_view webRoot, std::string_view userId);
std::string RingTonePageURL(std::string_view webRoot, std::string_view userId);
// `port` is a partner's port, or "0" for the group send.
std::string EmoticonPageURL(std::string_view webRoot, std::string_view userId,
                            std::string_view port);
std::string ReservedPageURL(std::string_view webRoot, std::string_view userId);

// "UserID=" + id + "&Action=Log-in", no terminating zero.
std::string PaymentPostData(std::string_view userId);
// The form's content type, ended by CR LF and one zero character: 50 characters.
std::string PaymentHeaders();

// Header lines ("Name: value" ended by CR LF) as name and value pairs. Reading stops at a zero
// character, which an HTTP request cannot carry; lines without a ":" or with an empty name are
// skipped; blanks around the value are dropped.
std::vector<std::pair<std::string, std::string>> SplitRequestHeaders(std::string_view headers);

// "kestrovane-copydata:<kind>/<percent-encoded UTF-8 text>" as the copy-data message it hands
// back (the text in CP949). Nothing when the address is of another scheme, the kind is not a
// decimal number, the encoding is broken or the text has letters CP949 cannot hold.
inline constexpr std::string_view kCopyDataScheme = "kestrovane-copydata";
bool IsCopyDataLink(std::string_view url);
std::optional<CopyDataMessage> ParseCopyDataLink(std::string_view url);

// OpenWebWindow: creates the caller's window into `window` when it holds none, sets caption and
// size (on every call when `sizeEveryCall`, else only when created), shows it and navigates it.
struct WebWindowLook {
    std::string caption;  // CP949
    int width = 550;
    int height = 430;
    bool sizeEveryCall = true;
};
void OpenWebWindow(WebBrowsers& web, std::unique_ptr<WebWindow>& window, QWidget* owner,
                   const WebWindowLook& look, const std::string& url);

// OpenBrowserWindow for the payment page (posted id, bars shown, resizable) and the reserved
// messages (no bars, fixed 520 x 400 at the mouse pointer). Without a browser nothing happens;
// failures are ignored.
void OpenPaymentWindow(WebBrowsers& web, std::string_view webRoot, std::string_view userId);
void OpenReservedWindow(WebBrowsers& web, std::string_view webRoot, std::string_view userId,
                        int mouseX, int mouseY);

// OpenInExplorer: the default browser opens the address.
void OpenInExplorer(Shell& shell, const std::string& url);

// Captions of the service page windows (CP949).
std::string HelpWindowCaption();
std::string RingToneWindowCaption();
std::string EmoticonWindowCaption();

}  // namespace kv
