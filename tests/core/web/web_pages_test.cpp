// The service pages' addresses, post data and header byte for byte, the copy-data links, and
// the three ways of opening a page over a recording fake browser.

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/base/cp949.h"
#include "core/web/copy_data_link.h"
#include "core/web/page_addresses.h"
#include "core/web/page_windows.h"
#include "core/web/request_headers.h"
#include "support/fake_shell.h"
#include "support/fake_web_browsers.h"

namespace kv {
namespace {

const std::string kRoot = "http://127.0.0.1:8080";

TEST(WebPageAddresses, EveryPageOfTheServiceWithTheIdUnescaped) {
    const std::string id = cp949("김&철수=1");  // "&", "=" and Korean letters stay as they are
    EXPECT_EQ(SignUpPageURL(kRoot), "http://127.0.0.1:8080/zuserform.asp");
    EXPECT_EQ(LookupPageURL(kRoot), "http://127.0.0.1:8080/zuserchk.asp");
    EXPECT_EQ(PaymentPageURL(kRoot), "http://127.0.0.1:8080/zaddpay.asp");
    EXPECT_EQ(HelpPageURL(kRoot, id), kRoot + "/messenger/znewhelp.asp?uid=" + id);
    EXPECT_EQ(RingTonePageURL(kRoot, id), kRoot + "/messenger/zoption_msg.asp?usid=" + id);
    EXPECT_EQ(EmoticonPageURL(kRoot, id, "1001"),
              kRoot + "/messenger/zimo_msg.asp?usid=" + id + "&port=1001");
    EXPECT_EQ(EmoticonPageURL(kRoot, id, "0"),
              kRoot + "/messenger/zimo_msg.asp?usid=" + id + "&port=0");
    EXPECT_EQ(ReservedPageURL(kRoot, id), kRoot + "/messenger/zpreen_msg.asp?usid=" + id);
    // The Korean letters are CP949 bytes, not percent escapes.
    EXPECT_EQ(HelpPageURL(kRoot, id).find('%'), std::string::npos);
}

TEST(WebPageAddresses, EmptyIdBeforeTheFirstSignIn) {
    EXPECT_EQ(HelpPageURL(kRoot, ""), "http://127.0.0.1:8080/messenger/znewhelp.asp?uid=");
}

TEST(PaymentRequest, PostDataIsExactlyTheIdAndTheAction) {
    EXPECT_EQ(PaymentPostData("demo"), "UserID=demo&Action=Log-in");
    const std::string id = cp949("a&b 홍길동");
    const std::string post = PaymentPostData(id);
    EXPECT_EQ(post, "UserID=" + id + "&Action=Log-in");
    EXPECT_EQ(post.size(), 7 + id.size() + 14);  // no terminating zero
    EXPECT_EQ(PaymentPostData(""), "UserID=&Action=Log-in");
}

TEST(PaymentRequest, HeaderIsFiftyCharactersEndingInCrLfAndZero) {
    const std::string h = PaymentHeaders();
    ASSERT_EQ(h.size(), 50u);
    EXPECT_EQ(h.substr(0, 47), "Content-Type: application/x-www-form-urlencoded");
    EXPECT_EQ(h[47], '\r');
    EXPECT_EQ(h[48], '\n');
    EXPECT_EQ(h[49], '\0');
}

TEST(RequestHeaders, SplitStopsAtTheZeroAndSkipsBrokenLines) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(SplitRequestHeaders(PaymentHeaders()),
              (Pairs{{"Content-Type", "application/x-www-form-urlencoded"}}));
    std::string many = "A: 1\r\nno colon\r\n: empty name\r\nB:two  \r\n";
    many += '\0';
    many += "C: after the zero\r\n";
    EXPECT_EQ(SplitRequestHeaders(many), (Pairs{{"A", "1"}, {"B", "two"}}));
    EXPECT_EQ(SplitRequestHeaders("Last: no line end"), (Pairs{{"Last", "no line end"}}));
    EXPECT_TRUE(SplitRequestHeaders("").empty());
}

TEST(CopyDataLinks, KindAndDecodedTextInCp949) {
    EXPECT_EQ(ParseCopyDataLink("kestrovane-copydata:1/Alarm.wav"),
              (CopyDataMessage{1, "Alarm.wav"}));
    // "1001:^_^ 안녕" as the page writes it.
    EXPECT_EQ(ParseCopyDataLink("kestrovane-copydata:0/1001%3A%5E_%5E%20%EC%95%88%EB%85%95"),
              (CopyDataMessage{0, cp949("1001:^_^ 안녕")}));
    EXPECT_EQ(ParseCopyDataLink("KESTROVANE-COPYDATA:0/0%3Ahi"), (CopyDataMessage{0, "0:hi"}));
    EXPECT_EQ(ParseCopyDataLink("kestrovane-copydata:1/"), (CopyDataMessage{1, ""}));
    // A zero byte ends the text, as it does on the socket.
    EXPECT_EQ(ParseCopyDataLink("kestrovane-copydata:1/a%00b"), (CopyDataMessage{1, "a"}));
}

TEST(CopyDataLinks, RefusedForms) {
    EXPECT_FALSE(IsCopyDataLink("http://127.0.0.1/kestrovane-copydata:1/x"));
    EXPECT_FALSE(IsCopyDataLink("kestrovane-copydata"));
    EXPECT_TRUE(IsCopyDataLink("kestrovane-copydata:junk"));
    for (const char* bad : {"kestrovane-copydata:junk",                // no kind
                            "kestrovane-copydata:/x",                  // empty kind
                            "kestrovane-copydata:x1/x",                // not a number
                            "kestrovane-copydata:4294967296/x",        // beyond 32 bits
                            "kestrovane-copydata:1/%4",                // cut escape
                            "kestrovane-copydata:1/%zz",               // broken escape
                            "kestrovane-copydata:0/1%3A%F0%9F%98%80",  // a letter CP949 cannot hold
                            "http://example.org/"}) {
        EXPECT_FALSE(ParseCopyDataLink(bad).has_value()) << bad;
    }
    EXPECT_EQ(ParseCopyDataLink("kestrovane-copydata:4294967295/x"),
              (CopyDataMessage{4294967295u, "x"}));
}

using Calls = std::vector<std::string>;

TEST(OpenWebWindow, CreatedOnceAndReusedWithCaptionAndSizeEveryCall) {
    test::FakeWebBrowsers web;
    std::unique_ptr<WebWindow> window;
    const WebWindowLook look{"Help", 550, 430, true};
    OpenWebWindow(web, window, 7, look, "http://a/1");
    OpenWebWindow(web, window, 7, look, "http://a/1");
    ASSERT_EQ(web.windows.size(), 1u);
    EXPECT_EQ(web.windows[0]->owner, 7);
    EXPECT_EQ(web.windows[0]->calls,
              (Calls{"caption:Help", "size:550x430", "show", "navigate:http://a/1", "caption:Help",
                     "size:550x430", "show", "navigate:http://a/1"}));
    window.reset();
    EXPECT_TRUE(web.windows[0]->destroyed);
}

TEST(OpenWebWindow, EmoticonWindowsSetCaptionAndSizeOnlyWhenCreated) {
    test::FakeWebBrowsers web;
    std::unique_ptr<WebWindow> window;
    const WebWindowLook look{"Emo", 550, 430, false};
    OpenWebWindow(web, window, 0, look, "http://a/1");
    OpenWebWindow(web, window, 0, look, "http://a/2");
    ASSERT_EQ(web.windows.size(), 1u);
    EXPECT_EQ(web.windows[0]->calls, (Calls{"caption:Emo", "size:550x430", "show",
                                            "navigate:http://a/1", "show", "navigate:http://a/2"}));
}

TEST(OpenBrowserWindow, PaymentWithExactPostAndHeaderAndBars) {
    test::FakeWebBrowsers web;
    const std::string id = cp949("김&x");
    OpenPaymentWindow(web, kRoot, id);
    ASSERT_EQ(web.browsers.size(), 1u);
    const BrowserWindowRequest& opened = web.browsers[0];
    EXPECT_EQ(opened.Url, kRoot + "/zaddpay.asp");
    EXPECT_EQ(opened.PostData, "UserID=" + id + "&Action=Log-in");
    EXPECT_EQ(opened.Headers, PaymentHeaders());
    EXPECT_TRUE(opened.Bars);
    EXPECT_TRUE(opened.Resizable);
    EXPECT_FALSE(opened.Where.has_value());
}

TEST(OpenBrowserWindow, ReservedMessagesAtThePointerWithoutBars) {
    test::FakeWebBrowsers web;
    OpenReservedWindow(web, kRoot, "demo", 300, 200);
    ASSERT_EQ(web.browsers.size(), 1u);
    const BrowserWindowRequest& opened = web.browsers[0];
    EXPECT_EQ(opened.Url, kRoot + "/messenger/zpreen_msg.asp?usid=demo");
    EXPECT_EQ(opened.Where, (Rect{300, 200, 520, 400}));
    EXPECT_FALSE(opened.PostData || opened.Headers || opened.Bars || opened.Resizable);
}

class ThrowingBrowsers final : public WebBrowsers {
public:
    std::unique_ptr<WebWindow> CreateWebWindow(NativeWindowId) override { return nullptr; }
    void OpenBrowserWindow(const BrowserWindowRequest&) override {
        throw std::runtime_error("no browser");
    }
    void SetCopyDataSink(CopyDataSink) override {}
};

TEST(OpenBrowserWindow, NoBrowserOrAFailingOneIsSilent) {
    test::FakeWebBrowsers none;
    none.noBrowser = true;
    EXPECT_NO_THROW(OpenPaymentWindow(none, kRoot, "demo"));
    ThrowingBrowsers failing;
    EXPECT_NO_THROW(OpenPaymentWindow(failing, kRoot, "demo"));
    EXPECT_NO_THROW(OpenReservedWindow(failing, kRoot, "demo", 0, 0));
}

TEST(OpenInExplorer, TheDefaultBrowserOpensTheAddress) {
    test::FakeShell shell;
    OpenInExplorer(shell, SignUpPageURL(kRoot));
    EXPECT_EQ(shell.opened, (Calls{kRoot + "/zuserform.asp"}));
}

}  // namespace
}  // namespace kv
