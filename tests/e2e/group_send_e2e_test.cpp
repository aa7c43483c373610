// A group send end to end: the main window and its group send dialog in this process, the dev
// server as a process of its own. An immediate send to two partners and a typed number, then a
// reserved one that shows on the reserved-messages page and reaches the partner's phone once
// the service clock gets to its time.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <regex>

#include "core/base/cp949.h"
#include "qt/widgets/send_memo.h"
#include "support/devserver_process.h"
#include "support/fake_main_services.h"
#include "ui/chat/SessionUnit.h"
#include "ui/group_send/GroupSendUnit.h"
#include "ui/main/MainUnit.h"

using namespace std::chrono_literals;

namespace {

// The body of an HTTP/1.0 GET to 127.0.0.1:port (empty when nothing answers).
std::string httpGet(int port, const std::string& target) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::write(fd, request.data(), request.size()) == ssize_t(request.size())) {
            timeval t{5, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
            char buffer[4096];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    const auto body = reply.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : reply.substr(body + 4);
}

// Runs `steps` inside the modal group send dialog opened by the command, and closes the
// dialog if the steps leave it open.
bool inGroupSend(kv::TMainForm& form, const std::function<void(kv::TGroupSend&)>& steps) {
    bool ran = false;
    QTimer::singleShot(0, &form, [&] {
        kv::TGroupSend* g = form.GroupSendWindow;
        if (!g)
            return;
        const auto closing = qScopeGuard([g] {
            if (g->isVisible())
                g->close();
        });
        steps(*g);
        ran = true;
    });
    form.actGroupSend->trigger();
    return ran && form.GroupSendWindow.isNull();
}

void selectRows(QListView* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int r : rows)
        list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select);
}

// The log texts of the open chat window of a partner, empty when there is none.
std::string chatLog(const kv::TMainForm& form, const std::string& port) {
    std::string out;
    if (kv::TSessionForm* w = form.FindSessionForm(port))
        for (const auto& p : w->Log().Paragraphs())
            out += kv::cp949ToUtf8(p.Text) + "\n";
    return out;
}

}  // namespace

class GroupSendEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void immediateAndReservedSendsThroughTheDevServer() {
        QTemporaryDir root;
        const std::string dir = root.path().toStdString();
        kv::test::DevServerProcess server(KV_DEVSERVER, {"--phone-delay-ms", "0", "--verbose"},
                                          dir + "/server.log");
        QVERIFY2(server.waitListening(), server.output().c_str());
        const int webPort = server.webPort();
        ::setenv("KESTROVANE_SERVER", server.chatAddress().c_str(), 1);
        const auto unset = qScopeGuard([] { ::unsetenv("KESTROVANE_SERVER"); });

        kv::test::FakeMainServices fakes;
        fakes.presetAutoLogin("demo", "demo1234");
        kv::TMainForm form(fakes.services());
        QTRY_COMPARE_WITH_TIMEOUT(form.Conn().State(), kv::ConnectionState::SignedIn, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(form.Conn().CashCount, 25, 10000);
        QVERIFY(form.actGroupSend->isEnabled());
        auto boxTexts = [&] {
            std::vector<std::string> out;
            for (const auto& b : fakes.boxes.shown)
                out.push_back(kv::cp949ToUtf8(b.text));
            return out;
        };

        // Immediately: 엄마 and 아빠 from the list, a typed number, a sender.
        QVERIFY(inGroupSend(form, [](kv::TGroupSend& g) {
            QCOMPARE(g.lbxUserList->model()->rowCount(), 7);
            selectRows(g.lbxUserList, {0, 1});
            g.Button1->click();
            g.edPhone->setText(QStringLiteral("01099998888"));
            g.Button4->click();
            g.edSendPhone->setText(QStringLiteral("01012345678"));
            g.SendText->setPlainText(QStringLiteral("모두 안녕"));
            g.SendRes->click();
            QVERIFY(!g.SendRes->isChecked());
            QCOMPARE(g.RecipientInfo->text(),
                     QStringLiteral("받는 사람 3명 · 현재 충전 건수 25건"));
            g.SendBtn->click();
        }));
        QVERIFY2(server.waitForOutput("<- PS:01012345678,1001,1002,01099998888:모두 안녕", 10s),
                 server.output().c_str());
        QTRY_COMPARE_WITH_TIMEOUT(form.Conn().CashCount, 22, 10000);
        QCOMPARE(boxTexts(), (std::vector<std::string>{"보내는 핸드폰 번호를 입력해 주십시오",
                                                       "즉시 전송을 시작 하시겠습니까?\r\n\r\n받는 "
                                                       "사람 : 엄마,아빠,01099998888\r\n",
                                                       "즉시 전송이 성공적으로 이뤄 졌습니다."}));
        QVERIFY(form.spSkinStatusPanel1->text().contains(QStringLiteral("22")));
        // The partners' phones got it and answer.
        QTRY_VERIFY_WITH_TIMEOUT(chatLog(form, "1001").find("모두 안녕") != std::string::npos,
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(chatLog(form, "1002").find("모두 안녕") != std::string::npos,
                                 10000);

        // Reserved, at the time the dialog proposes: 민수 only.
        fakes.boxes.shown.clear();
        QVERIFY(inGroupSend(form, [](kv::TGroupSend& g) {
            QVERIFY(g.SendRes->isChecked());
            selectRows(g.lbxUserList, {2});
            g.Button1->click();
            g.SendText->setPlainText(QStringLiteral("예약 문자"));
            g.SendBtn->click();
        }));
        QVERIFY2(server.waitForOutput(":예약 문자", 10s), server.output().c_str());
        QVERIFY(std::regex_search(
            server.output(), std::regex("<- PP:0,1003:20[0-9]{2},[0-9]{1,2},[0-9]{1,2},[0-9]{1,"
                                        "2},[0-9]{1,2}:예약 문자")));
        QTRY_COMPARE_WITH_TIMEOUT(form.Conn().CashCount, 21, 10000);
        QCOMPARE(boxTexts().back(), std::string("예약 전송이 성공적으로 이뤄 졌습니다."));
        QVERIFY(boxTexts().front().starts_with("예약 전송을 시작 하시겠습니까?"));

        const std::string waiting = httpGet(webPort, "/messenger/zpreen_msg.asp?usid=demo");
        QVERIFY2(waiting.find("예약 문자</td><td>대기</td>") != std::string::npos, waiting.c_str());
        QVERIFY(chatLog(form, "1003").empty());

        // Eleven minutes later by the service's clock the phone has it.
        QVERIFY(!httpGet(webPort, "/devserver/clock?advance=660").empty());
        QTRY_VERIFY_WITH_TIMEOUT(chatLog(form, "1003").find("예약 문자") != std::string::npos,
                                 10000);
        const std::string sent = httpGet(webPort, "/messenger/zpreen_msg.asp?usid=demo");
        QVERIFY2(sent.find("예약 문자</td><td>전송됨</td>") != std::string::npos, sent.c_str());
    }
};

QTEST_MAIN(GroupSendEndToEndTest)
#include "group_send_e2e_test.moc"
