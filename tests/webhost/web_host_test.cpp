// The web host: in this process over a socket pair, showing the dev server's pages in an
// embedded window (a ring tone's copy-data link handed back) and in a driven browser window
// (the payment page showing the exact posted body and content type), reporting what the member
// closes and ending when the program has gone and its last window closed; then the real helper
// program as the program starts it, surviving its crash; and the default browser taking over
// when the helper is missing. Skipped where Qt WebEngine cannot render offscreen.

#include <QApplication>
#include <QMainWindow>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <signal.h>
#include <sys/socket.h>

#include <memory>
#include <mutex>

#include "core/web/page_addresses.h"
#include "core/web/page_windows.h"
#include "devserver/account_data.h"
#include "devserver/account_store.h"
#include "devserver/http_server.h"
#include "devserver/service_pages.h"
#include "qt/lazy_web_browsers.h"
#include "qt/web_host_channel.h"
#include "support/fake_shell.h"
#include "webhost/web_host.h"

namespace {

using kv::WebHostMessage;
using kv::WebHostOp;
using kv::WebHostProperty;

// The dev server's pages on a free port, remembering the requests that reached it.
struct Pages {
    kv::devserver::AccountStore store{kv::devserver::loadAccounts(KV_DEVSERVER_DEMO_DATA)};
    kv::devserver::ServicePages pages{store, {}};
    std::unique_ptr<kv::devserver::HttpServer> server;
    mutable std::mutex lock;
    std::vector<kv::devserver::HttpRequest> requests;
    Pages() {
        kv::devserver::HttpServerOptions o;
        o.port = 0;
        server = std::make_unique<kv::devserver::HttpServer>(
            o, [this](const kv::devserver::HttpRequest& r) {
                {
                    std::lock_guard<std::mutex> g(lock);
                    requests.push_back(r);
                }
                return pages.handle(r);
            });
        server->start();
    }
    std::string root() const { return "http://127.0.0.1:" + std::to_string(server->port()); }
    int count(const std::string& path) const {
        std::lock_guard<std::mutex> g(lock);
        int n = 0;
        for (const auto& r : requests)
            n += r.path == path;
        return n;
    }
    std::optional<kv::devserver::HttpRequest> last(const std::string& path) const {
        std::lock_guard<std::mutex> g(lock);
        for (auto it = requests.rbegin(); it != requests.rend(); ++it)
            if (it->path == path)
                return *it;
        return std::nullopt;
    }
};

QVariant evaluate(QWebEnginePage* page, const QString& script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        return QStringLiteral("(no answer)");
    return result;
}

// Waits for the view's current load; false when it failed or did not end.
bool loaded(QSignalSpy& spy) {
    if (spy.isEmpty() && !spy.wait(60000))
        return false;
    return spy.takeFirst().at(0).toBool();
}

// The program's end of a channel to a host in this process.
struct ProgramEnd {
    std::vector<WebHostMessage> received;
    bool ended = false;
    std::unique_ptr<kv::WebHostChannel> channel;
    explicit ProgramEnd(int fd)
        : channel(std::make_unique<kv::WebHostChannel>(
              fd, [this](const WebHostMessage& m) { received.push_back(m); },
              [this](bool) { ended = true; })) {}
    void send(WebHostOp op, std::uint32_t id, std::vector<std::int64_t> numbers = {},
              std::vector<std::optional<std::string>> texts = {}) {
        channel->Send(WebHostMessage{op, id, std::move(numbers), std::move(texts)});
    }
    bool got(WebHostOp op, std::uint32_t id) const {
        for (const auto& m : received)
            if (m.Op == op && m.Window == id)
                return true;
        return false;
    }
};

bool processGone(long pid) {
    return pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
}

}  // namespace

class WebHostTest : public QObject {
    Q_OBJECT
private slots:
    void withoutTheHelperTheDefaultBrowserOpensPages() {
        kv::test::FakeShell shell;
        kv::LazyWebBrowsers web(shell, QStringLiteral("kestrovane-no-such-helper"));
        QVERIFY(!web.HostFound());
        std::unique_ptr<kv::WebWindow> window;
        kv::OpenWebWindow(web, window, 0, {"Help", 550, 430, true}, "http://h/help");
        kv::OpenWebWindow(web, window, 0, {"Help", 550, 430, true}, "http://h/help");
        kv::OpenPaymentWindow(web, "http://h", "demo");
        kv::OpenReservedWindow(web, "http://h", "demo", 10, 10);
        QCOMPARE(shell.opened,
                 (std::vector<std::string>{"http://h/help", "http://h/help", "http://h/zaddpay.asp",
                                           "http://h/messenger/zpreen_msg.asp?usid=demo"}));
        QCOMPARE(web.HostProcessId(), -1L);
    }

    void hostShowsPagesHandsChoicesBackAndEndsAfterTheProgram() {
        int fds[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        bool finished = false;
        kv::WebHost host(fds[1], [&] { finished = true; });
        ProgramEnd program(fds[0]);
        Pages pages;

        program.send(WebHostOp::CreateWindow, 1, {0});
        QTRY_VERIFY(host.Window(1));
        QWidget* form = host.Window(1);
        QCOMPARE(form->windowTitle(), QStringLiteral("케스트로바네"));
        auto* view = form->findChild<QWebEngineView*>();
        QVERIFY(view);
        QSignalSpy windowLoads(view, &QWebEngineView::loadFinished);
        program.send(WebHostOp::SetCaption, 1, {}, {kv::RingToneWindowCaption()});
        program.send(WebHostOp::SetSize, 1, {550, 430});
        program.send(WebHostOp::ShowWindow, 1);
        QTRY_VERIFY(form->isVisible());
        // A screen reader names the page area, the window's only control, after the window.
        // (The page's own accessible tree belongs to the browser engine.)
        QCOMPARE(view->accessibleName(), QStringLiteral("도착음 - 케스트로바네"));
        program.send(WebHostOp::Navigate, 1, {}, {kv::RingTonePageURL(pages.root(), "demo")});
        if (!loaded(windowLoads))
            QSKIP("Qt WebEngine cannot load pages here (offscreen, no GPU or sandbox)");
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("도착음 - 케스트로바네"));  // not the page's
        QCOMPARE(form->size(), QSize(550, 430));
        const QString file =
            evaluate(
                view->page(),
                QStringLiteral("(function(){var "
                               "a=document.querySelector('a[href^=\"kestrovane-copydata:1/\"]');"
                               "if(!a)return '';a.click();return "
                               "decodeURIComponent(a.getAttribute('href').split('/')[1]);})()"))
                .toString();
        QVERIFY2(!file.isEmpty() && file != QStringLiteral("(no answer)"),
                 "the ring-tone page offers no choice");
        QTRY_VERIFY_WITH_TIMEOUT(program.got(WebHostOp::CopyData, 0), 20000);
        const WebHostMessage& handed = program.received.front();
        QCOMPARE(handed.Numbers, (std::vector<std::int64_t>{1}));
        QCOMPARE(QString::fromStdString(handed.Texts[0].value_or("")), file);
        QCOMPARE(view->url().path(), QStringLiteral("/messenger/zoption_msg.asp"));  // stayed

        // The payment page through a driven window, released at once: it stays open with the
        // exact body and content type.
        program.send(WebHostOp::CreateBrowser, 2);
        program.send(
            WebHostOp::Navigate2, 2, {0},
            {kv::PaymentPageURL(pages.root()), kv::PaymentPostData("demo"), kv::PaymentHeaders()});
        for (auto p :
             {WebHostProperty::Toolbar, WebHostProperty::Menubar, WebHostProperty::Statusbar,
              WebHostProperty::Resizable, WebHostProperty::Visible})
            program.send(WebHostOp::SetProperty, 2, {static_cast<std::int64_t>(p), 1});
        program.send(WebHostOp::Release, 2);
        QTRY_VERIFY(host.Window(2) && host.Window(2)->isVisible());
        auto* payView = host.Window(2)->findChild<QWebEngineView*>();
        QVERIFY(payView);
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(payView->page(),
                     QStringLiteral("document.getElementById('userid') ? "
                                    "document.getElementById('userid').textContent : ''"))
                .toString(),
            QStringLiteral("demo"), 30000);
        QCOMPARE(evaluate(payView->page(),
                          QStringLiteral("document.getElementById('post-body').textContent"))
                     .toString(),
                 QStringLiteral("UserID=demo&Action=Log-in"));
        QVERIFY(evaluate(payView->page(),
                         QStringLiteral("document.getElementById('headers').textContent"))
                    .toString()
                    .contains(QStringLiteral("application/x-www-form-urlencoded")));

        // What the member closes is reported; a driven window is gone with it.
        host.Window(2)->close();
        QTRY_VERIFY(program.got(WebHostOp::Closed, 2));
        QTRY_VERIFY(!host.Window(2));
        form->close();
        QTRY_VERIFY(program.got(WebHostOp::Closed, 1));
        QVERIFY(host.Window(1));  // hidden, not gone: the program may show it again

        // A driven window made invisible goes with its release; a visible one outlives the
        // program, and the host ends once it is closed.
        program.send(WebHostOp::CreateBrowser, 3);
        program.send(WebHostOp::Release, 3);
        program.send(WebHostOp::CreateBrowser, 4);
        program.send(WebHostOp::SetProperty, 4,
                     {static_cast<std::int64_t>(WebHostProperty::Visible), 1});
        QTRY_VERIFY(host.Window(4) && host.Window(4)->isVisible());
        QVERIFY(!host.Window(3));
        program.channel.reset();
        QTRY_VERIFY(!host.Window(1));  // the program's embedded windows close with it
        QVERIFY(host.Window(4));
        QCoreApplication::processEvents();
        QVERIFY(!finished);
        host.Window(4)->close();
        QTRY_VERIFY(finished);
    }

    void theProgramStartsTheHelperAndOutlivesItsCrash() {
        Pages pages;
        kv::test::FakeShell shell;
        kv::LazyWebBrowsers web(shell);
        QVERIFY(web.HostFound());
        web.SetIdleTime(0);
        std::vector<std::pair<std::uint32_t, std::string>> handed;
        web.SetCopyDataSink(
            [&](std::uint32_t kind, const std::string& text) { handed.emplace_back(kind, text); });
        QCOMPARE(web.HostProcessId(), -1L);  // nothing runs before the first page

        std::unique_ptr<kv::WebWindow> window;
        const kv::WebWindowLook help{kv::HelpWindowCaption(), 550, 430, true};
        const std::string helpPage = kv::HelpPageURL(pages.root(), "demo");
        kv::OpenWebWindow(web, window, 0, help, helpPage);
        const long first = web.HostProcessId();
        QVERIFY(first > 0);
        if (!QTest::qWaitFor([&] { return pages.count("/messenger/znewhelp.asp") == 1; }, 60000))
            QSKIP("Qt WebEngine cannot load pages here (offscreen, no GPU or sandbox)");

        // A page's copy-data link reaches the program's sink through the channel.
        window->Navigate("kestrovane-copydata:0/1001%3A%ED%95%9C");
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), std::size_t{1}, 20000);
        QCOMPARE(handed[0].first, 0u);
        QCOMPARE(handed[0].second, std::string("1001:\xC7\xD1"));

        // The browser engine crashes: the program notices, and the next page starts another
        // host, where the window comes back with its last page.
        ::kill(static_cast<pid_t>(first), SIGKILL);
        QTRY_COMPARE_WITH_TIMEOUT(web.HostProcessId(), -1L, 20000);
        QTRY_VERIFY(processGone(first));  // collected, not left a zombie
        window->ShowWindow();
        const long second = web.HostProcessId();
        QVERIFY(second > 0 && second != first);
        QTRY_VERIFY_WITH_TIMEOUT(pages.count("/messenger/znewhelp.asp") == 2, 60000);
        QVERIFY(shell.opened.empty());

        // Its last window closed, the host ends.
        window->Close();
        QTRY_COMPARE_WITH_TIMEOUT(web.HostProcessId(), -1L, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(processGone(second), 20000);

        // The payment page posts its exact bytes from the host.
        kv::OpenPaymentWindow(web, pages.root(), "a&b");
        const long third = web.HostProcessId();
        QVERIFY(third > 0);
        QTRY_VERIFY_WITH_TIMEOUT(pages.last("/zaddpay.asp").has_value(), 60000);
        const auto posted = *pages.last("/zaddpay.asp");
        QCOMPARE(posted.method, std::string("POST"));
        QCOMPARE(posted.body, std::string("UserID=a&b&Action=Log-in"));
        QCOMPARE(posted.header("Content-Type").value_or(""),
                 std::string("application/x-www-form-urlencoded"));
        // The released payment window keeps the host running on its own.
        QTest::qWait(0);
        QCOMPARE(web.HostProcessId(), third);
        ::kill(static_cast<pid_t>(third), SIGTERM);
        QTRY_COMPARE_WITH_TIMEOUT(web.HostProcessId(), -1L, 20000);
    }
};

int main(int argc, char** argv) {
    // As the web host does.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    kv::RegisterCopyDataScheme();
    QApplication app(argc, argv);
    WebHostTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "web_host_test.moc"
