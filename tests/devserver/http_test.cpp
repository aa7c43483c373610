// The dev server's web side: the request reader, the pages and sounds, and the HTTP server
// under good and bad clients, over plain sockets on a port the system picks.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/connection/line_protocol.h"
#include "core/posix/posix_line_socket.h"
#include "devserver/account_data.h"
#include "devserver/account_store.h"
#include "devserver/bell_sounds.h"
#include "devserver/chat_server.h"
#include "devserver/command_line.h"
#include "devserver/http_message.h"
#include "devserver/http_server.h"
#include "devserver/service_pages.h"

namespace kv::devserver {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char* const kAccounts = R"(account demo demo1234 25
group 1 가족
partner 1 1001 01012345678 - 0 엄마
account 김철수 pw 7
)";

// ---- A raw client ---------------------------------------------------------------------------

struct Reply {
    int status = 0;  // 0: no status line came
    std::string head;
    std::string body;
    bool closed = false;  // the server closed the connection within the bound

    std::string header(const std::string& name) const {
        std::smatch m;
        if (std::regex_search(head, m,
                              std::regex("\r\n" + name + ": ([^\r]*)\r\n", std::regex::icase)))
            return m[1];
        return {};
    }
};

class RawClient {
public:
    explicit RawClient(int port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RawClient() { ::close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }

    // False when the server stopped reading (it answered and closed early).
    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // Everything the server sends until it closes, or until the bound runs out.
    Reply read(std::chrono::milliseconds bound = 5s) {
        std::string all;
        Reply r;
        const auto end = Clock::now() + bound;
        char chunk[8192];
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0)
                break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0) {
                r.closed = true;
                break;
            }
            all.append(chunk, static_cast<std::size_t>(n));
        }
        const std::size_t headEnd = all.find("\r\n\r\n");
        r.head = all.substr(0, headEnd == std::string::npos ? all.size() : headEnd + 2);
        if (headEnd != std::string::npos)
            r.body = all.substr(headEnd + 4);
        if (all.starts_with("HTTP/1.1 ") && all.size() >= 12)
            r.status = std::stoi(all.substr(9, 3));
        return r;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

Reply roundTrip(int port, std::string_view request) {
    RawClient c(port);
    EXPECT_TRUE(c.connected());
    c.send(request);
    return c.read();
}

Reply get(int port, const std::string& target) {
    return roundTrip(port, "GET " + target + " HTTP/1.1\r\nHost: localhost\r\n\r\n");
}

Reply post(int port, const std::string& target, const std::string& body,
           const std::string& contentType = "application/x-www-form-urlencoded") {
    return roundTrip(
        port, "POST " + target + " HTTP/1.1\r\nHost: localhost\r\nContent-Type: " + contentType +
                  "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

// The dev server's web side with the accounts above, on a free port.
struct Web {
    explicit Web(WebOptions web = {}, HttpServerOptions http = {})
        : store(parseAccounts(kAccounts)), pages(store, web) {
        http.port = 0;
        server = std::make_unique<HttpServer>(
            http, [this](const HttpRequest& r) { return pages.handle(r); });
        server->start();
    }
    int port() const { return server->port(); }

    AccountStore store;
    ServicePages pages;
    std::unique_ptr<HttpServer> server;
};

// The copy-data links of a page as (kind, decoded text).
std::vector<std::pair<int, std::string>> copyDataLinks(const std::string& page) {
    std::vector<std::pair<int, std::string>> out;
    const std::regex link("href=\"kestrovane-copydata:([0-9])/([^\"]*)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link);
         it != std::sregex_iterator(); ++it)
        out.emplace_back(std::stoi((*it)[1]), percentDecode((*it)[2].str(), false));
    return out;
}

std::uint32_t le32(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

std::uint16_t le16(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                      static_cast<unsigned char>(s[at + 1]) << 8);
}

// ---- The request reader ---------------------------------------------------------------------

TEST(DevServerHttpReader, ReadsRequestsHoweverTheBytesArrive) {
    const std::string text =
        "POST /zaddpay.asp?a=1 HTTP/1.1\r\nHost: x\r\ncontent-length: 11\r\n"
        "X-Empty:\r\n\r\nUserID=a&bcEXTRA";
    // Whole, then one byte at a time: the same request, and the extra bytes are not body.
    for (const std::size_t step : {text.size(), std::size_t{1}}) {
        RequestReader reader;
        for (std::size_t i = 0; i < text.size(); i += step)
            reader.feed(std::string_view(text).substr(i, step));
        ASSERT_EQ(reader.state(), RequestReader::State::Done) << step;
        const HttpRequest& r = reader.request();
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.path, "/zaddpay.asp");
        EXPECT_EQ(r.query, "a=1");
        EXPECT_EQ(r.version, "HTTP/1.1");
        EXPECT_EQ(r.body, "UserID=a&bc");
        EXPECT_EQ(r.header("CONTENT-LENGTH"), "11");
        EXPECT_EQ(r.header("x-empty"), "");
        EXPECT_FALSE(r.header("Cookie"));
    }

    RequestReader bareLf;
    EXPECT_EQ(bareLf.feed("GET /bell/Alarm.wav HTTP/1.0\nHost: x\n\n"), RequestReader::State::Done);
    EXPECT_EQ(bareLf.request().path, "/bell/Alarm.wav");
    EXPECT_EQ(bareLf.request().query, "");

    RequestReader waiting;
    EXPECT_EQ(waiting.feed("GET / HTTP/1.1\r\nHost: x\r\n"), RequestReader::State::NeedMore);
    EXPECT_EQ(waiting.feed("\r\n"), RequestReader::State::Done);
}

TEST(DevServerHttpReader, RefusesBadRequestsWithTheirStatus) {
    HttpLimits limits;
    limits.maxHead = 200;
    limits.maxBody = 100;
    const std::string longHeader = "GET / HTTP/1.1\r\nX: " + std::string(300, 'a') + "\r\n\r\n";
    struct Case {
        std::string text;
        int status;
    };
    const Case cases[] = {
        {"GARBAGE\r\n\r\n", 400},
        {"GET / HTTP/1.1 extra\r\n\r\n", 400},
        {"GET  / HTTP/1.1\r\n\r\n", 400},
        {"GET nopath HTTP/1.1\r\n\r\n", 400},
        {"GET / FOO/1.1\r\n\r\n", 400},
        {"GE(T / HTTP/1.1\r\n\r\n", 400},
        {"GET / HTTP/2.0\r\n\r\n", 505},
        {"GET / HTTP/1.1\r\nno colon here\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nBad Name: x\r\n\r\n", 400},
        {"GET / HTTP/1.1\r\nA: b\r\n folded\r\n\r\n", 400},
        {std::string("GET / HTTP/1.1\r\nA: b\0c\r\n\r\n", 27), 400},
        {"PUT / HTTP/1.1\r\n\r\n", 501},
        {"POST / HTTP/1.1\r\n\r\n", 411},
        {"POST / HTTP/1.1\r\nContent-Length: abc\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400},
        {"POST / HTTP/1.1\r\nContent-Length: 101\r\n\r\n", 413},
        {"POST / HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n", 413},
        {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 501},
        {longHeader, 431},
        {std::string(1000, 'A'), 431},  // no end of head at all
        {"\r\n\r\n", 400},
    };
    for (const Case& c : cases) {
        RequestReader reader(limits);
        EXPECT_EQ(reader.feed(c.text), RequestReader::State::Failed) << c.text.substr(0, 60);
        EXPECT_EQ(reader.failure(), c.status) << c.text.substr(0, 60);
        EXPECT_FALSE(reader.failureText().empty());
    }
    // Equal repeated lengths are one length; a body exactly at the limit is taken.
    RequestReader same(limits);
    EXPECT_EQ(same.feed("POST / HTTP/1.1\r\nContent-Length: 100\r\nContent-Length: 100\r\n\r\n" +
                        std::string(100, 'b')),
              RequestReader::State::Done);
}

TEST(DevServerHttpText, EncodingsRoundTripAndEscape) {
    const std::string korean = "포트:♡ a&b=c/~";
    const std::string encoded = percentEncode(korean);
    EXPECT_EQ(encoded.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%"),
              std::string::npos)
        << encoded;
    EXPECT_EQ(percentDecode(encoded, false), korean);
    EXPECT_EQ(percentEncode("a b"), "a%20b");
    EXPECT_EQ(percentDecode("a+b%2B%zz%4", true), "a b+%zz%4");
    EXPECT_EQ(percentDecode("a+b", false), "a+b");

    const HeaderList form = parseForm("usid=demo&port=&flag&&x=%ED%8F%AC+1&usid=second");
    EXPECT_EQ(
        form,
        (HeaderList{
            {"usid", "demo"}, {"port", ""}, {"flag", ""}, {"x", "포 1"}, {"usid", "second"}}));
    EXPECT_EQ(formValue(form, "usid"), "demo");
    EXPECT_FALSE(formValue(form, "none"));

    EXPECT_EQ(htmlEscape("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(readableText("김철수"), "김철수");                           // UTF-8 stays
    EXPECT_EQ(readableText(cp949("김철수")), "김철수");                    // CP949 is read as such
    EXPECT_EQ(readableText("\xED\xA0\x80"), cp949ToUtf8("\xED\xA0\x80"));  // no surrogates

    EXPECT_EQ(copyDataLink(1, "Alarm.wav"), "kestrovane-copydata:1/Alarm.wav");
    EXPECT_EQ(copyDataLink(0, "12:^^"), "kestrovane-copydata:0/12%3A%5E%5E");
}

TEST(DevServerHttpText, ResponseAnnouncesItsLengthAlsoForHead) {
    HttpResponse r;
    r.status = 405;
    r.body = "abc";
    r.extraHeaders.emplace_back("Allow", "GET");
    const std::string full = formatResponse(r);
    EXPECT_TRUE(full.starts_with("HTTP/1.1 405 Method Not Allowed\r\n")) << full;
    EXPECT_NE(full.find("\r\nContent-Length: 3\r\n"), std::string::npos);
    EXPECT_NE(full.find("\r\nConnection: close\r\n"), std::string::npos);
    EXPECT_NE(full.find("\r\nAllow: GET\r\n"), std::string::npos);
    EXPECT_TRUE(full.ends_with("\r\n\r\nabc"));
    const std::string head = formatResponse(r, true);
    EXPECT_NE(head.find("Content-Length: 3"), std::string::npos);
    EXPECT_TRUE(head.ends_with("\r\n\r\n"));
}

// ---- Update list ----------------------------------------------------------------------------

TEST(DevServerHttpUpdate, ListNamesTheConfiguredVersionFirst) {
    Web plain;
    const Reply r = get(plain.port(), "/kestrovane/filelist.txt");
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.closed);
    EXPECT_TRUE(r.body.starts_with("1.0.1.2,\r\n")) << r.body;
    EXPECT_GE(std::count(r.body.begin(), r.body.end(), '\n'), 3);
    EXPECT_EQ(r.header("Content-Length"), std::to_string(r.body.size()));

    WebOptions newer;
    newer.updateVersion = "1.0.1.10";
    Web web(newer);
    EXPECT_TRUE(get(web.port(), "/kestrovane/filelist.txt").body.starts_with("1.0.1.10,\r\n"));
    // The path is matched as the service's server does, without case.
    EXPECT_EQ(get(web.port(), "/Kestrovane/FileList.txt").status, 200);
    EXPECT_EQ(post(web.port(), "/kestrovane/filelist.txt", "x").status, 405);

    const Reply head = roundTrip(web.port(), "HEAD /kestrovane/filelist.txt HTTP/1.1\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.empty());
    EXPECT_EQ(head.header("Content-Length"), std::to_string(updateFileList("1.0.1.10").size()));
}

TEST(DevServerHttpUpdate, StatusOverrideAnswersWithThatStatus) {
    for (const int status : {404, 500, 503}) {
        WebOptions o;
        o.updateStatus = status;
        Web web(o);
        const Reply r = get(web.port(), "/kestrovane/filelist.txt");
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.body.find("1.0.1.2,"), std::string::npos);
        // Only the update list fails.
        EXPECT_EQ(get(web.port(), "/bell/Alarm.wav").status, 200);
    }
}

TEST(DevServerHttpUpdate, StalledListNeverAnswersButOthersAreServed) {
    WebOptions o;
    o.updateStall = true;
    Web web(o);
    RawClient stalled(web.port());
    stalled.send("GET /kestrovane/filelist.txt HTTP/1.1\r\nHost: x\r\n\r\n");
    // The client's bounded wait runs out with nothing received and the connection open.
    const Reply nothing = stalled.read(300ms);
    EXPECT_EQ(nothing.status, 0);
    EXPECT_TRUE(nothing.head.empty());
    EXPECT_FALSE(nothing.closed);
    EXPECT_EQ(get(web.port(), "/messenger/znewhelp.asp?uid=demo").status, 200);
    // Stopping the server ends the stalled connection too, rather than hanging.
    web.server->stop();
    EXPECT_TRUE(stalled.read().closed);
}

// ---- Pages ----------------------------------------------------------------------------------

TEST(DevServerHttpPages, PaymentShowsTheExactPostAndHeaders) {
    Web web;
    const Reply r = post(web.port(), "/zaddpay.asp", "UserID=demo&Action=Log-in");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(r.header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(r.body.find("<pre id=\"post-body\">UserID=demo&amp;Action=Log-in</pre>"),
              std::string::npos)
        << r.body;
    EXPECT_NE(r.body.find("<td id=\"userid\">demo</td>"), std::string::npos);
    EXPECT_NE(r.body.find("<td id=\"action\">Log-in</td>"), std::string::npos);
    EXPECT_NE(r.body.find("<th>Content-Type</th><td>application/x-www-form-urlencoded</td>"),
              std::string::npos);
    EXPECT_NE(r.body.find("<th>Content-Length</th><td>25</td>"), std::string::npos);
    EXPECT_NE(r.body.find("<td id=\"balance\">25건</td>"), std::string::npos);
    EXPECT_NE(r.body.find("충전하기"), std::string::npos);

    // An id is posted unescaped, "&" and Korean (CP949) included; the page still finds it.
    const std::string id = cp949("김철수") + "&x";
    const Reply k = post(web.port(), "/zaddpay.asp", "UserID=" + id + "&Action=Log-in");
    EXPECT_NE(k.body.find("<td id=\"userid\">김철수&amp;x</td>"), std::string::npos) << k.body;
    EXPECT_NE(k.body.find("<td id=\"action\">Log-in</td>"), std::string::npos);
    // The raw bytes, in hex: 김 is B1 E8 in CP949.
    EXPECT_NE(k.body.find("55 73 65 72 49 44 3D B1 E8"), std::string::npos);

    const Reply plain = get(web.port(), "/zaddpay.asp");
    EXPECT_EQ(plain.status, 200);
    EXPECT_EQ(plain.body.find("post-body"), std::string::npos);
}

TEST(DevServerHttpPages, EveryServicePageAnswersAndShowsItsQuery) {
    Web web;
    struct Case {
        std::string target;
        std::string title;
        std::string shown;  // a query value the page must show
    };
    const Case cases[] = {
        {"/zuserform.asp", "회원가입", ""},
        {"/zuserchk.asp", "아이디, 암호 찾기", ""},
        {"/messenger/znewhelp.asp?uid=demo", "도움말 - 케스트로바네", "<b id=\"uid\">demo</b>"},
        {"/messenger/zoption_msg.asp?usid=demo", "도착음 - 케스트로바네",
         "<b id=\"usid\">demo</b>"},
        {"/messenger/zimo_msg.asp?usid=demo&port=1001", "이모티콘 - 케스트로바네",
         "<b id=\"port\">1001</b>"},
        {"/messenger/zimo_msg.asp?usid=demo&port=0", "이모티콘 - 케스트로바네",
         "<b id=\"port\">0</b>"},
        {"/messenger/zpreen_msg.asp?usid=demo", "예약 내용 보기", "<b id=\"usid\">demo</b>"},
        {"/", "케스트로바네", ""},
    };
    for (const Case& c : cases) {
        const Reply r = get(web.port(), c.target);
        EXPECT_EQ(r.status, 200) << c.target;
        EXPECT_NE(r.body.find("<meta charset=\"utf-8\">"), std::string::npos) << c.target;
        EXPECT_NE(r.body.find("<title>" + c.title), std::string::npos) << c.target;
        EXPECT_NE(r.body.find(c.shown), std::string::npos) << c.target;
        EXPECT_NE(r.body.find("<table id=\"query\">"), std::string::npos) << c.target;
    }
    // A Korean id sent as UTF-8 by a browser is shown as such.
    const Reply k = get(web.port(), "/messenger/znewhelp.asp?uid=" + percentEncode("김철수"));
    EXPECT_NE(k.body.find("<b id=\"uid\">김철수</b>"), std::string::npos);
    // Forms post back to their own page.
    const Reply signUp = post(web.port(), "/zuserform.asp", "userid=new&name=%EA%B9%80");
    EXPECT_NE(signUp.body.find("<th>name</th><td>김</td>"), std::string::npos) << signUp.body;

    const Reply missing = get(web.port(), "/nothing.asp?x=1");
    EXPECT_EQ(missing.status, 404);
    EXPECT_NE(missing.body.find("<td>x</td><td>1</td>"), std::string::npos);
}

TEST(DevServerHttpPages, RingTonePageHandsBackFileNamesThatAreServed) {
    Web web;
    const Reply page = get(web.port(), "/messenger/zoption_msg.asp?usid=demo");
    EXPECT_NE(page.body.find("kestrovane-copydata:<kind>/"), std::string::npos);  // documented
    const auto links = copyDataLinks(page.body);
    ASSERT_EQ(links.size(), bells().size());
    EXPECT_EQ(links[0], (std::pair<int, std::string>{1, "Alarm.wav"}));
    for (const auto& [kind, name] : links) {
        EXPECT_EQ(kind, 1);
        const Reply wav = get(web.port(), "/bell/" + name);
        EXPECT_EQ(wav.status, 200) << name;
        EXPECT_EQ(wav.header("Content-Type"), "audio/wav");
        EXPECT_TRUE(wav.body.starts_with("RIFF")) << name;
    }
    EXPECT_EQ(get(web.port(), "/bell/alarm.WAV").status, 200);
    EXPECT_EQ(get(web.port(), "/bell/Nothing.wav").status, 404);
    EXPECT_EQ(get(web.port(), "/bell/").status, 404);
}

TEST(DevServerHttpPages, EmoticonPageHandsBackPortAndText) {
    Web web;
    for (const std::string port : {"1001", "0"}) {
        const Reply page = get(web.port(), "/messenger/zimo_msg.asp?usid=demo&port=" + port);
        const auto links = copyDataLinks(page.body);
        ASSERT_EQ(links.size(), emoticons().size()) << port;
        for (std::size_t i = 0; i < links.size(); ++i)
            EXPECT_EQ(links[i], (std::pair<int, std::string>{0, port + ":" + emoticons()[i]}));
    }
    // Without a port there is no window to hand the choice to.
    const Reply noPort = get(web.port(), "/messenger/zimo_msg.asp?usid=demo");
    EXPECT_TRUE(copyDataLinks(noPort.body).empty());
    EXPECT_NE(noPort.body.find("id=\"no-port\""), std::string::npos);
    // The client holds texts in CP949: every emoticon must have a form there.
    for (const std::string& e : emoticons())
        EXPECT_TRUE(utf8ToCp949(e)) << e;
}

TEST(DevServerHttpPages, ReservedPageListsTheMembersReservedSends) {
    Web web;
    EXPECT_NE(get(web.port(), "/messenger/zpreen_msg.asp?usid=demo")
                  .body.find("예약된 메시지가 없습니다"),
              std::string::npos);
    GroupSendRequest request;
    request.sender = "01011112222";
    request.recipients = {"1001", "01099998888"};
    request.when = proto::Reservation{2030, 3, 5, 14, 7};
    request.text = cp949("생일 축하해 <3");
    web.store.groupSend("demo", request);
    const Reply r = get(web.port(), "/messenger/zpreen_msg.asp?usid=demo");
    EXPECT_NE(r.body.find("<td>2030-03-05 14:07</td><td>01011112222</td><td>1001, "
                          "01099998888</td><td>생일 축하해 &lt;3</td>"),
              std::string::npos)
        << r.body;
    EXPECT_NE(
        get(web.port(), "/messenger/zpreen_msg.asp?usid=nobody").body.find("찾을 수 없습니다"),
        std::string::npos);
    // Waiting until its time, then sent.
    EXPECT_NE(r.body.find("<td>대기</td>"), std::string::npos);
    web.store.takeDueReserved({2030, 3, 5, 14, 7});
    EXPECT_NE(get(web.port(), "/messenger/zpreen_msg.asp?usid=demo").body.find("<td>전송됨</td>"),
              std::string::npos);
}

TEST(DevServerHttpPages, ClockCanBeMovedAheadForReservedSends) {
    Web web;
    const Reply now = get(web.port(), "/devserver/clock");
    EXPECT_EQ(now.status, 200);
    EXPECT_TRUE(std::regex_match(
        now.body, std::regex("20[0-9]{2}-[01][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]\n")))
        << now.body;
    EXPECT_EQ(get(web.port(), "/devserver/clock?advance=600").status, 200);
    EXPECT_EQ(web.store.clockOffset(), std::chrono::seconds(600));
    EXPECT_EQ(get(web.port(), "/devserver/clock?advance=-5").status, 400);
    EXPECT_EQ(get(web.port(), "/devserver/clock?advance=soon").status, 400);
    EXPECT_EQ(web.store.clockOffset(), std::chrono::seconds(600));
}

// ---- Sounds ---------------------------------------------------------------------------------

TEST(DevServerHttpBells, ChimeIsAWellFormedWaveFile) {
    Web web;
    const Reply r = get(web.port(), "/bell/Alarm.wav");
    ASSERT_EQ(r.status, 200);
    const std::string& w = r.body;
    ASSERT_GE(w.size(), 44u);
    EXPECT_EQ(w.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(w, 4), w.size() - 8);
    EXPECT_EQ(w.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(w, 16), 16u);     // format chunk size
    EXPECT_EQ(le16(w, 20), 1);       // PCM
    EXPECT_EQ(le16(w, 22), 1);       // mono
    EXPECT_EQ(le32(w, 24), 8000u);   // samples per second
    EXPECT_EQ(le32(w, 28), 16000u);  // bytes per second
    EXPECT_EQ(le16(w, 32), 2);       // block align
    EXPECT_EQ(le16(w, 34), 16);      // bits per sample
    EXPECT_EQ(w.substr(36, 4), "data");
    const std::uint32_t data = le32(w, 40);
    EXPECT_EQ(data, w.size() - 44);
    EXPECT_EQ(data % 2, 0u);
    // Under a second but long enough to hear: about 0.7 s.
    EXPECT_GT(data, 8000u);
    EXPECT_LT(data, 16000u);

    // Not silence, not clipped, and the two tones differ between the bells.
    std::int32_t peak = 0;
    for (std::size_t i = 44; i + 1 < w.size(); i += 2)
        peak = std::max<std::int32_t>(peak, std::abs(static_cast<std::int16_t>(le16(w, i))));
    EXPECT_GT(peak, 8000);
    EXPECT_LT(peak, 32767);
    EXPECT_NE(chimeWav(880, 660), chimeWav(1320, 990));
    EXPECT_EQ(chimeWav(880, 660).size(), w.size());
}

// ---- The server under bad clients -----------------------------------------------------------

TEST(DevServerHttpRobustness, BadRequestsAreRefusedAndServingGoesOn) {
    HttpServerOptions small;
    small.limits.maxHead = 1024;
    small.limits.maxBody = 1024;
    Web web({}, small);
    EXPECT_EQ(roundTrip(web.port(), "HELLO\r\n\r\n").status, 400);
    EXPECT_EQ(roundTrip(web.port(), std::string("\0\1\2\3\r\n\r\n", 8)).status, 400);
    EXPECT_EQ(roundTrip(web.port(), "DELETE / HTTP/1.1\r\n\r\n").status, 501);
    EXPECT_EQ(get(web.port(), "/" + std::string(2000, 'a')).status, 431);
    // An oversized body is refused before it is read, and the client still gets the answer.
    const Reply big = post(web.port(), "/zaddpay.asp", std::string(100000, 'x'));
    EXPECT_EQ(big.status, 413);
    EXPECT_TRUE(big.closed);
    // A client that goes away mid-request leaves nothing behind.
    {
        RawClient gone(web.port());
        gone.send("POST /zaddpay.asp HTTP/1.1\r\nContent-Length: 50\r\n\r\nUser");
    }
    EXPECT_EQ(get(web.port(), "/kestrovane/filelist.txt").status, 200);
}

TEST(DevServerHttpRobustness, SlowRequestTimesOutWith408) {
    HttpServerOptions quick;
    quick.requestTimeout = 100ms;
    Web web({}, quick);
    RawClient slow(web.port());
    slow.send("GET /kestrovane/filelist.txt HTTP/1.1\r\n");
    const Reply r = slow.read();
    EXPECT_EQ(r.status, 408);
    EXPECT_TRUE(r.closed);
    EXPECT_EQ(get(web.port(), "/kestrovane/filelist.txt").status, 200);
}

TEST(DevServerHttpRobustness, ConnectionsBeyondTheBoundGet503) {
    HttpServerOptions one;
    one.maxConnections = 1;
    Web web({}, one);
    {
        RawClient idle(web.port());
        idle.send("GET / HTTP/1.1\r\n");  // holds the only place
        EXPECT_EQ(get(web.port(), "/").status, 503);
        idle.send("\r\n");
        EXPECT_EQ(idle.read().status, 200);
    }
    // The place frees once the server has seen the close; wait for that, bounded.
    int status = 0;
    for (const auto end = Clock::now() + 5s; status != 200 && Clock::now() < end;)
        status = get(web.port(), "/").status;
    EXPECT_EQ(status, 200);
}

TEST(DevServerHttpRobustness, HandlerFailureGives500) {
    HttpServerOptions options;
    options.port = 0;
    HttpServer server(options, [](const HttpRequest& r) -> HttpResponse {
        if (r.path == "/throw")
            throw std::runtime_error("broken page");
        return {};
    });
    server.start();
    const Reply r = get(server.port(), "/throw");
    EXPECT_EQ(r.status, 500);
    EXPECT_NE(r.body.find("broken page"), std::string::npos);
    EXPECT_EQ(get(server.port(), "/fine").status, 200);
}

// ---- Options --------------------------------------------------------------------------------

TEST(DevServerHttpCommandLine, ReadsWebOptionsAndRefusesBadOnes) {
    const CommandLine cl =
        parseCommandLine({"--http-port", "0", "--update-version=2.0.0.0", "--update-status", "503",
                          "--update-stall", "--silent-login"});
    EXPECT_EQ(cl.httpPort, 0);
    EXPECT_EQ(cl.web.updateVersion, "2.0.0.0");
    EXPECT_EQ(cl.web.updateStatus, 503);
    EXPECT_TRUE(cl.web.updateStall);
    EXPECT_TRUE(cl.server.silentLogin);

    const CommandLine defaults = parseCommandLine({});
    EXPECT_EQ(defaults.httpPort, 8080);
    EXPECT_EQ(defaults.web.updateVersion, "1.0.1.2");
    EXPECT_EQ(defaults.web.updateStatus, 200);
    EXPECT_FALSE(defaults.web.updateStall);
    EXPECT_FALSE(defaults.server.silentLogin);
    // A picked chat port picks the web port too, unless one is named.
    EXPECT_EQ(parseCommandLine({"--chat-port", "0"}).httpPort, 0);
    EXPECT_EQ(parseCommandLine({"--chat-port", "0", "--http-port", "8081"}).httpPort, 8081);
    EXPECT_EQ(parseCommandLine({"--chat-port", "9000"}).httpPort, 8080);

    for (std::vector<std::string> bad : {std::vector<std::string>{"--http-port", "65536"},
                                         {"--http-port", "-1"},
                                         {"--update-version", ""},
                                         {"--update-version", "1,2"},
                                         {"--update-status", "99"},
                                         {"--update-status", "600"},
                                         {"--update-stall=yes"},
                                         {"--silent-login=1"}})
        EXPECT_THROW(parseCommandLine(bad), UsageError) << bad[0];
}

// ---- The chat-side fault switch -------------------------------------------------------------

TEST(DevServerFaults, SilentLoginNeverAnswers) {
    AccountStore store(parseAccounts(kAccounts));
    ServerOptions o;
    o.chatPort = 0;
    o.silentLogin = true;
    o.refuseLogin = true;  // silence wins
    ChatServer server(store, o);
    server.start();
    PosixLineSocket socket;
    socket.connect("127.0.0.1", server.port(), {});
    socket.writeLine(proto::loginLine("demo", "demo1234"));
    // The client's bounded wait runs out: no answer, and the connection stays open.
    EXPECT_EQ(socket.readLine(300ms), std::nullopt);
    socket.writeLine(proto::loginLine("demo", "wrong"));
    EXPECT_EQ(socket.readLine(100ms), std::nullopt);
    // Signed out by the client, the session ends as usual.
    socket.writeLine("LX:");
    bool closed = false;
    try {
        while (socket.readLine(5s)) {
        }
    } catch (const NetError&) {
        closed = true;
    }
    EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace kv::devserver
