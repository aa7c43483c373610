#include "devserver/service_pages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/base/text.h"
#include "devserver/bell_sounds.h"

namespace kv::devserver {

namespace {

const char* const kCopyDataNote =
    "<!--\n"
    "  Choices go back to the client through links of the scheme\n"
    "    kestrovane-copydata:<kind>/<text, percent-encoded UTF-8>\n"
    "  which the client's embedded browser intercepts and delivers as a copy-data message:\n"
    "    kind 0: \"port:text\", the text for the input box of the chat window of that partner\n"
    "            port (port 0: the group send window);\n"
    "    kind 1: an alarm file name for the options dialog, played from /bell/<name>.\n"
    "-->\n";

std::string lowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return out;
}

std::string page(std::string_view title, std::string_view body, std::string_view note = {}) {
    std::string out = "<!DOCTYPE html>\n";
    out += note;
    out += "<html lang=\"ko\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + htmlEscape(title) +
           "</title>\n<style>\n"
           "body { font-family: sans-serif; font-size: 13px; margin: 12px; color: #222; }\n"
           "h1 { font-size: 17px; color: #1b4f8a; border-bottom: 2px solid #1b4f8a; }\n"
           "table { border-collapse: collapse; margin: 6px 0; }\n"
           "td, th { border: 1px solid #bbb; padding: 3px 8px; text-align: left; }\n"
           "th { background: #e8eef6; }\n"
           "pre { background: #f4f4f4; border: 1px solid #ccc; padding: 4px; white-space: "
           "pre-wrap; word-break: break-all; }\n"
           ".grid a { display: inline-block; min-width: 64px; margin: 3px; padding: 8px; "
           "border: 1px solid #9ab; border-radius: 4px; text-align: center; text-decoration: none; "
           "font-size: 15px; }\n"
           ".grid a:hover { background: #dde8f6; }\n"
           ".received { margin-top: 18px; color: #555; font-size: 12px; }\n"
           "</style>\n</head>\n<body>\n<h1>" +
           htmlEscape(title) + "</h1>\n";
    out += body;
    out += "</body>\n</html>\n";
    return out;
}

// What the page was asked with: the query (and the form data of a POST), decoded.
std::string receivedParameters(const HttpRequest& request) {
    std::string out = "<div class=\"received\">\n<p>받은 매개변수 (" + htmlEscape(request.method) +
                      ")</p>\n<table id=\"query\">\n<tr><th>이름</th><th>값</th></tr>\n";
    const HeaderList query = parseForm(request.query);
    for (const auto& [k, v] : query)
        out += "<tr><td>" + htmlEscape(readableText(k)) + "</td><td>" +
               htmlEscape(readableText(v)) + "</td></tr>\n";
    if (query.empty())
        out += "<tr><td colspan=\"2\">(없음)</td></tr>\n";
    out += "</table>\n<p>요청 주소: <code>" + htmlEscape(readableText(request.target)) +
           "</code></p>\n</div>\n";
    return out;
}

std::string queryValue(const HttpRequest& request, std::string_view key) {
    return formValue(parseForm(request.query), key).value_or("");
}

// The id as the account store keys it (CP949): a browser sends it as UTF-8, the client as it
// holds it.
std::string storeId(const std::string& bytes) {
    if (auto c = utf8ToCp949(bytes))
        return *c;
    return bytes;
}

std::string hexDump(std::string_view bytes) {
    std::string out;
    char buffer[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned char>(bytes[i]));
        if (i > 0)
            out += (i % 16 == 0) ? '\n' : ' ';
        out += buffer;
    }
    return out;
}

HttpResponse html(std::string body, int status = 200) {
    HttpResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

HttpResponse notFound(const HttpRequest& request) {
    return html(page("페이지를 찾을 수 없습니다",
                     "<p>요청한 페이지가 이 개발용 서버에 없습니다.</p>\n<p><a href=\"/\">처음 "
                     "화면으로</a></p>\n" +
                         receivedParameters(request)),
                404);
}

HttpResponse methodNotAllowed(std::string allow) {
    HttpResponse r;
    r.status = 405;
    r.contentType = "text/plain; charset=utf-8";
    r.body = "405 Method Not Allowed\n";
    r.extraHeaders.emplace_back("Allow", std::move(allow));
    return r;
}

HttpResponse homePage(const HttpRequest& request) {
    std::string body =
        "<p>케스트로바네 개발용 서버입니다. 실제 서비스 대신 이 컴퓨터에서 동작합니다.</p>\n<ul>\n"
        "<li><a href=\"/zuserform.asp\">회원가입</a></li>\n"
        "<li><a href=\"/zuserchk.asp\">아이디, 암호 찾기</a></li>\n"
        "<li><a href=\"/messenger/znewhelp.asp?uid=demo\">도움말</a></li>\n"
        "<li><a href=\"/messenger/zoption_msg.asp?usid=demo\">도착음 고르기</a></li>\n"
        "<li><a href=\"/messenger/zimo_msg.asp?usid=demo&amp;port=0\">이모티콘</a></li>\n"
        "<li><a href=\"/messenger/zpreen_msg.asp?usid=demo\">예약 내용 보기</a></li>\n"
        "<li><a href=\"/kestrovane/filelist.txt\">업데이트 목록</a></li>\n</ul>\n";
    return html(page("케스트로바네", body + receivedParameters(request)));
}

// A page that shows a form, and once it is posted, a result and what was posted.
HttpResponse formPage(const HttpRequest& request, const std::string& title,
                      const std::string& result, const std::string& form) {
    std::string body;
    if (request.method == "POST") {
        body += "<p id=\"result\">" + result + "</p>\n<table id=\"form\">\n";
        for (const auto& [k, v] : parseForm(request.body))
            body += "<tr><th>" + htmlEscape(readableText(k)) + "</th><td>" +
                    htmlEscape(readableText(v)) + "</td></tr>\n";
        body += "</table>\n";
    } else {
        body += form;
    }
    return html(page(title, body + receivedParameters(request)));
}

HttpResponse signUpPage(const HttpRequest& request) {
    return formPage(
        request, "회원가입 - 케스트로바네",
        "가입 신청을 받았습니다. (개발용 서버는 계정을 만들지 않습니다. 데모 계정 demo / "
        "demo1234 를 쓰십시오.)",
        "<form method=\"post\" action=\"/zuserform.asp\">\n<table>\n"
        "<tr><th>아이디</th><td><input name=\"userid\" maxlength=\"20\"></td></tr>\n"
        "<tr><th>비밀번호</th><td><input name=\"passwd\" type=\"password\"></td></tr>\n"
        "<tr><th>이름</th><td><input name=\"name\"></td></tr>\n"
        "<tr><th>휴대폰 번호</th><td><input name=\"phone\" maxlength=\"11\"></td></tr>\n"
        "</table>\n<input type=\"submit\" value=\"가입하기\">\n</form>\n");
}

HttpResponse lookupPage(const HttpRequest& request) {
    return formPage(
        request, "아이디, 암호 찾기 - 케스트로바네",
        "입력하신 정보로 등록된 회원을 찾지 못했습니다. (개발용 서버의 데모 계정은 demo / "
        "demo1234 입니다.)",
        "<form method=\"post\" action=\"/zuserchk.asp\">\n<table>\n"
        "<tr><th>이름</th><td><input name=\"name\"></td></tr>\n"
        "<tr><th>휴대폰 번호</th><td><input name=\"phone\" maxlength=\"11\"></td></tr>\n"
        "</table>\n<input type=\"submit\" value=\"아이디, 암호 찾기\">\n</form>\n");
}

HttpResponse paymentPage(const HttpRequest& request, const AccountStore& store) {
    std::string body;
    if (request.method == "POST") {
        // The client appends the id unescaped, so an id may hold "&" or "=": the id is what
        // stands between "UserID=" and the last "&Action=".
        const std::string& posted = request.body;
        std::string userId;
        std::string action;
        const std::size_t actionAt = posted.rfind("&Action=");
        if (posted.starts_with("UserID=") && actionAt != std::string::npos && actionAt >= 7) {
            userId = posted.substr(7, actionAt - 7);
            action = posted.substr(actionAt + 8);
        } else {
            const HeaderList form = parseForm(posted);
            userId = formValue(form, "UserID").value_or("");
            action = formValue(form, "Action").value_or("");
        }
        body += "<table id=\"posted\">\n<tr><th>UserID</th><td id=\"userid\">" +
                htmlEscape(readableText(userId)) +
                "</td></tr>\n<tr><th>Action</th><td "
                "id=\"action\">" +
                htmlEscape(readableText(action)) + "</td></tr>\n";
        try {
            const Account a = store.snapshot(storeId(userId));
            body += "<tr><th>현재 충전 건수</th><td id=\"balance\">" + std::to_string(a.balance) +
                    "건</td></tr>\n";
        } catch (const std::out_of_range&) {
            body += "<tr><th>현재 충전 건수</th><td id=\"balance\">(회원 정보 없음)</td></tr>\n";
        }
        body += "</table>\n<p>받은 본문 (" + std::to_string(posted.size()) +
                "바이트):</p>\n<pre id=\"post-body\">" + htmlEscape(readableText(posted)) +
                "</pre>\n<pre id=\"post-hex\">" + hexDump(posted) + "</pre>\n";
    } else {
        body +=
            "<p id=\"posted\">전송된 데이터가 없습니다. 이 페이지는 케스트로바네의 "
            "\"충전하기\"가 POST로 엽니다.</p>\n";
    }
    body += "<p>받은 요청 헤더:</p>\n<table id=\"headers\">\n";
    for (const auto& [n, v] : request.headers)
        body +=
            "<tr><th>" + htmlEscape(n) + "</th><td>" + htmlEscape(readableText(v)) + "</td></tr>\n";
    body += "</table>\n<p>개발용 서버에서는 결제가 이루어지지 않습니다.</p>\n";
    return html(page("충전하기 - 케스트로바네", body + receivedParameters(request)));
}

HttpResponse helpPage(const HttpRequest& request) {
    const std::string uid = readableText(queryValue(request, "uid"));
    std::string body = "<p>회원 아이디: <b id=\"uid\">" +
                       htmlEscape(uid.empty() ? "(로그인 전)" : uid) + "</b></p>\n";
    body +=
        "<h2>로그인</h2>\n<p>파일 메뉴의 \"로그인\"을 누르고 아이디와 비밀번호를 넣으십시오. "
        "\"시작할 때 자동으로 로그인\"을 켜면 다음부터는 저절로 로그인합니다.</p>\n"
        "<h2>대화상대 추가</h2>\n<p>대화상대 메뉴의 \"대화상대 추가\"에서 휴대폰 번호와 "
        "대화명을 넣으면 등록됩니다.</p>\n"
        "<h2>메시지 보내기</h2>\n<p>대화상대를 두 번 누르면 대화창이 열립니다. 한 번에 80바이트"
        "(한글 40자)까지 보낼 수 있으며, 보낼 때마다 충전 건수가 하나씩 줄어듭니다.</p>\n"
        "<h2>그룹전송</h2>\n<p>여러 사람에게 한 번에 보내거나, 날짜와 시각을 정해 예약 전송을 "
        "할 수 있습니다. \"예약 내용 보기\"로 예약된 메시지를 확인하십시오.</p>\n"
        "<h2>충전</h2>\n<p>상태 표시줄의 충전 건수를 누르거나 파일 메뉴의 \"충전하기\"를 "
        "고르십시오.</p>\n";
    return html(page("도움말 - 케스트로바네", body + receivedParameters(request)));
}

HttpResponse ringTonePage(const HttpRequest& request) {
    const std::string usid = readableText(queryValue(request, "usid"));
    std::string body = "<p>회원 아이디: <b id=\"usid\">" + htmlEscape(usid) +
                       "</b></p>\n<p>새 메시지가 오면 울릴 소리를 고르십시오.</p>\n"
                       "<table id=\"bells\">\n<tr><th>소리</th><th>파일</th><th>듣기</th>"
                       "<th></th></tr>\n";
    for (const Bell& b : bells())
        body += "<tr><td>" + htmlEscape(b.label) + "</td><td>" + htmlEscape(b.fileName) +
                "</td><td><a href=\"/bell/" + percentEncode(b.fileName) +
                "\">듣기</a></td><td><a class=\"choose\" href=\"" +
                htmlEscape(copyDataLink(1, b.fileName)) + "\">선택</a></td></tr>\n";
    body += "</table>\n";
    return html(page("도착음 - 케스트로바네", body + receivedParameters(request), kCopyDataNote));
}

HttpResponse emoticonPage(const HttpRequest& request) {
    const HeaderList query = parseForm(request.query);
    const std::string usid = readableText(formValue(query, "usid").value_or(""));
    const std::optional<std::string> port = formValue(query, "port");
    std::string body = "<p>회원 아이디: <b id=\"usid\">" + htmlEscape(usid) +
                       "</b>, 대화상대 포트: <b id=\"port\">" +
                       htmlEscape(readableText(port.value_or("(없음)"))) + "</b></p>\n";
    if (!port || port->empty()) {
        body += "<p id=\"no-port\">포트가 없어 고른 이모티콘을 보낼 곳을 알 수 없습니다.</p>\n";
    } else {
        body += "<p>이모티콘을 누르면 입력창에 들어갑니다.</p>\n<div class=\"grid\">\n";
        for (const std::string& e : emoticons())
            body += "<a href=\"" + htmlEscape(copyDataLink(0, readableText(*port) + ":" + e)) +
                    "\">" + htmlEscape(e) + "</a>\n";
        body += "</div>\n";
    }
    return html(page("이모티콘 - 케스트로바네", body + receivedParameters(request), kCopyDataNote));
}

std::string twoDigits(int n) {
    return n < 10 ? "0" + std::to_string(n) : std::to_string(n);
}

std::string timeText(const proto::Reservation& t) {
    return std::to_string(t.year) + "-" + twoDigits(t.month) + "-" + twoDigits(t.day) + " " +
           twoDigits(t.hour) + ":" + twoDigits(t.minute);
}

// GET /devserver/clock?advance=S: moves the service clock S seconds ahead (none: leaves it)
// and answers with the service time; reserved sends that come due are delivered by the chat
// server within a second.
HttpResponse clockPage(const HttpRequest& request, AccountStore& store) {
    HttpResponse r;
    r.contentType = "text/plain; charset=utf-8";
    if (const std::string advance = queryValue(request, "advance"); !advance.empty()) {
        std::int32_t seconds = 0;
        try {
            seconds = strToInt(advance);
        } catch (const ConvertError&) {
            seconds = -1;
        }
        if (seconds < 0) {
            r.status = 400;
            r.body = "advance needs a number of seconds, 0 or more\n";
            return r;
        }
        store.advanceClock(std::chrono::seconds(seconds));
    }
    r.body = timeText(store.now()) + "\n";
    return r;
}

HttpResponse reservedPage(const HttpRequest& request, const AccountStore& store) {
    const std::string usid = queryValue(request, "usid");
    std::string body =
        "<p>회원 아이디: <b id=\"usid\">" + htmlEscape(readableText(usid)) + "</b></p>\n";
    try {
        const Account a = store.snapshot(storeId(usid));
        if (a.reserved.empty()) {
            body += "<p id=\"reserved\">예약된 메시지가 없습니다.</p>\n";
        } else {
            body +=
                "<table id=\"reserved\">\n<tr><th>예약 시간</th><th>보내는 번호</th>"
                "<th>받는 사람</th><th>내용</th><th>상태</th></tr>\n";
            for (const ReservedSend& r : a.reserved) {
                std::string to;
                for (const std::string& who : r.recipients)
                    to += (to.empty() ? "" : ", ") + cp949ToUtf8(who);
                body += "<tr><td>" + timeText(r.when) + "</td><td>" +
                        htmlEscape(r.sender == "0" ? "(없음)" : cp949ToUtf8(r.sender)) +
                        "</td><td>" + htmlEscape(to) + "</td><td>" +
                        htmlEscape(cp949ToUtf8(r.text)) + "</td><td>" +
                        (r.delivered ? "전송됨" : "대기") + "</td></tr>\n";
            }
            body += "</table>\n<p>서비스 시각: <span id=\"now\">" + timeText(store.now()) +
                    "</span></p>\n";
        }
    } catch (const std::out_of_range&) {
        body += "<p id=\"reserved\">회원 정보를 찾을 수 없습니다.</p>\n";
    }
    return html(page("예약 내용 보기 - 케스트로바네", body + receivedParameters(request)));
}

}  // namespace

std::string copyDataLink(int kind, std::string_view utf8Text) {
    return std::string(kCopyDataScheme) + ":" + std::to_string(kind) + "/" +
           percentEncode(utf8Text);
}

std::string updateFileList(std::string_view version) {
    const std::string v(version);
    return v + ",\r\n" + "kestrovane," + v + ",bin/kestrovane\r\n" + "kestrovane-send," + v +
           ",bin/kestrovane-send\r\n" + "AutoUpgrade," + v + ",bin/AutoUpgrade\r\n";
}

const std::vector<std::string>& emoticons() {
    static const std::vector<std::string> list = {
        "^^",     "^_^",   "^o^",     "^^;",    "-_-;", "ㅠ_ㅠ",  "ㅋㅋㅋ",
        "♡",      "♥",     "★",       "☆",      "♪",    "☎",      "(^-^)/",
        "(*^^*)", "(>_<)", "(-_-)zZ", "o(^^)o", "♡^^♡", "★축하★", "감사합니다^^",
    };
    return list;
}

ServicePages::ServicePages(AccountStore& store, WebOptions options)
    : store_(store), options_(std::move(options)) {}

HttpResponse ServicePages::handle(const HttpRequest& request) const {
    const std::string path = lowered(percentDecode(request.path, false));
    const bool readOnly = request.method == "GET" || request.method == "HEAD";

    if (path == "/kestrovane/filelist.txt") {
        if (!readOnly)
            return methodNotAllowed("GET, HEAD");
        HttpResponse r;
        r.contentType = "text/plain";
        if (options_.updateStall) {
            r.stall = true;
        } else if (options_.updateStatus != 200) {
            r.status = options_.updateStatus;
            if (r.status != 204 && r.status != 304)  // these two carry no body
                r.body = "update list unavailable (--update-status)\n";
        } else {
            r.body = updateFileList(options_.updateVersion);
        }
        return r;
    }
    if (path.starts_with("/bell/")) {
        if (!readOnly)
            return methodNotAllowed("GET, HEAD");
        const Bell* bell = findBell(std::string_view(path).substr(6));
        if (!bell)
            return notFound(request);
        HttpResponse r;
        r.contentType = "audio/wav";
        r.body = chimeWav(bell->firstHz, bell->secondHz);
        return r;
    }

    using Page = std::function<HttpResponse(const HttpRequest&)>;
    const std::map<std::string, Page> pages = {
        {"/", homePage},
        {"/zuserform.asp", signUpPage},
        {"/zuserchk.asp", lookupPage},
        {"/zaddpay.asp", [this](const HttpRequest& r) { return paymentPage(r, store_); }},
        {"/messenger/znewhelp.asp", helpPage},
        {"/messenger/zoption_msg.asp", ringTonePage},
        {"/messenger/zimo_msg.asp", emoticonPage},
        {"/messenger/zpreen_msg.asp",
         [this](const HttpRequest& r) { return reservedPage(r, store_); }},
        {"/devserver/clock", [this](const HttpRequest& r) { return clockPage(r, store_); }},
    };
    const auto it = pages.find(path);
    if (it == pages.end())
        return notFound(request);
    return it->second(request);
}

}  // namespace kv::devserver
