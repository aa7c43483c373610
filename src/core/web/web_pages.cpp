#include "core/web/web_pages.h"

#include "core/base/cp949.h"
#include "core/base/text.h"
#include "core/ports/shell.h"

namespace kv {

namespace {

std::string joined(std::string_view a, std::string_view b) {
    std::string out(a);
    out += b;
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto low = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (low(a[i]) != low(b[i]))
            return false;
    }
    return true;
}

std::string_view trimmedBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

template <typename Steps>
void withBrowser(WebBrowsers& web, Steps steps) {
    // The browser is an optional service: whatever goes wrong, the member is not told.
    try {
        std::unique_ptr<BrowserAutomation> browser = web.CreateBrowser();
        if (!browser)
            return;
        steps(*browser);
    } catch (...) {
    }
}

}  // namespace

std::string SignUpPageURL(std::string_view webRoot) {
    return joined(webRoot, "/zuserform.asp");
}
std::string LookupPageURL(std::string_view webRoot) {
    return joined(webRoot, "/zuserchk.asp");
}
std::string PaymentPageURL(std::string_view webRoot) {
    return joined(webRoot, "/zaddpay.asp");
}

std::string HelpPageURL(std::string_view webRoot, std::string_view userId) {
    return joined(joined(webRoot, "/messenger/znewhelp.asp?uid="), userId);
}

std::string RingTonePageURL(std::string_view webRoot, std::string_view userId) {
    return joined(joined(webRoot, "/messenger/zoption_msg.asp?usid="), userId);
}

std::string EmoticonPageURL(std::string_view webRoot, std::string_view userId,
                            std::string_view port) {
    return joined(
        joined(joined(joined(webRoot, "/messenger/zimo_msg.asp?usid="), userId), "&port="), port);
}

std::string ReservedPageURL(std::string_view webRoot, std::string_view userId) {
    return joined(joined(webRoot, "/messenger/zpreen_msg.asp?usid="), userId);
}

std::string PaymentPostData(std::string_view userId) {
    return joined(joined("UserID=", userId), "&Action=Log-in");
}

std::string PaymentHeaders() {
    std::string h = "Content-Type: application/x-www-form-urlencoded\r\n";
    h += '\0';
    return h;
}

std::vector<std::pair<std::string, std::string>> SplitRequestHeaders(std::string_view headers) {
    if (const auto zero = headers.find('\0'); zero != std::string_view::npos)
        headers = headers.substr(0, zero);
    std::vector<std::pair<std::string, std::string>> out;
    while (!headers.empty()) {
        auto end = headers.find("\r\n");
        std::string_view line = headers.substr(0, end);
        headers = end == std::string_view::npos ? std::string_view{} : headers.substr(end + 2);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = trimmedBlanks(line.substr(0, colon));
        if (name.empty())
            continue;
        out.emplace_back(std::string(name), std::string(trimmedBlanks(line.substr(colon + 1))));
    }
    return out;
}

bool IsCopyDataLink(std::string_view url) {
    return url.size() > kCopyDataScheme.size() && url[kCopyDataScheme.size()] == ':' &&
           equalsNoCase(url.substr(0, kCopyDataScheme.size()), kCopyDataScheme);
}

std::optional<CopyDataMessage> ParseCopyDataLink(std::string_view url) {
    if (!IsCopyDataLink(url))
        return std::nullopt;
    std::string_view rest = url.substr(kCopyDataScheme.size() + 1);
    const auto slash = rest.find('/');
    if (slash == std::string_view::npos || slash == 0 || slash > 10)
        return std::nullopt;
    std::uint64_t kind = 0;
    for (char c : rest.substr(0, slash)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        kind = kind * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (kind > 0xFFFFFFFFu)
        return std::nullopt;
    const auto utf8 = percentDecode(rest.substr(slash + 1));
    if (!utf8)
        return std::nullopt;
    auto text = utf8ToCp949(*utf8);
    if (!text)
        return std::nullopt;
    // The receiving side reads a text up to its first zero byte, as the socket does.
    if (const auto zero = text->find('\0'); zero != std::string::npos)
        text->resize(zero);
    return CopyDataMessage{static_cast<std::uint32_t>(kind), std::move(*text)};
}

void OpenWebWindow(WebBrowsers& web, std::unique_ptr<WebWindow>& window, QWidget* owner,
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
    withBrowser(web, [&](BrowserAutomation& b) {
        b.Navigate2(PaymentPageURL(webRoot), 0, PaymentPostData(userId), PaymentHeaders());
        b.SetToolbar(true);
        b.SetMenubar(true);
        b.SetStatusbar(true);
        b.SetResizable(true);
        b.SetVisible(true);
    });
}

void OpenReservedWindow(WebBrowsers& web, std::string_view webRoot, std::string_view userId,
                        int mouseX, int mouseY) {
    withBrowser(web, [&](BrowserAutomation& b) {
        b.SetTop(mouseY);
        b.SetLeft(mouseX);
        b.SetWidth(520);
        b.SetHeight(400);
        b.Navigate2(ReservedPageURL(webRoot, userId), 0, std::nullopt, std::nullopt);
        b.SetToolbar(false);
        b.SetMenubar(false);
        b.SetStatusbar(false);
        b.SetResizable(false);
        b.SetVisible(true);
    });
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
