// The program's side of the web host over a stand-in host that records what it is told: nothing
// starts before a page is shown, a window is made in the host as the program described it, a
// host that went away is started again with the window as it was, a window the member closed
// lets the host end, a released browser window keeps it running until closed, and a host that
// speaks nonsense is ended and forgotten.

#include <QtTest>

#include <signal.h>

#include <fstream>
#include <sstream>

#include "core/web/web_host_protocol.h"
#include "qt/lazy_web_browsers.h"
#include "support/fake_shell.h"

namespace {

using Op = kv::WebHostOp;

// The recorded commands of the host with process id `pid`, as "<command> <window> ... | ...".
std::vector<std::string> commands(const QString& log, long pid) {
    std::ifstream in(log.toStdString());
    std::vector<std::string> out;
    std::string line;
    const std::string prefix = std::to_string(pid) + " ";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0)
            out.push_back(line.substr(prefix.size()));
    return out;
}

std::string cmd(Op op, const std::string& rest) {
    return std::to_string(static_cast<int>(op)) + " " + rest;
}

bool gone(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

class LazyWebBrowsersTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    QString log;

private slots:
    void init() {
        log = dir.filePath(QStringLiteral("host-%1.log").arg(QTest::currentTestFunction()));
        qputenv("KV_FAKE_HOST_LOG", log.toLocal8Bit());
    }

    void windowsAreMadeAsDescribedAndComeBackAfterTheHostWentAway() {
        kv::test::FakeShell shell;
        kv::LazyWebBrowsers web(shell, QStringLiteral("fake_web_host"));
        std::unique_ptr<kv::WebWindow> w = web.CreateWebWindow(0);
        w->SetCaption("A");
        w->SetSize(550, 430);
        QCOMPARE(web.HostProcessId(), -1L);  // nothing starts before a page is shown

        w->ShowWindow();
        const long first = web.HostProcessId();
        QVERIFY(first > 0);
        w->Navigate("http://x/1");
        const std::vector<std::string> made{
            cmd(Op::CreateWindow, "1 0 |"), cmd(Op::SetCaption, "1 | A"),
            cmd(Op::SetSize, "1 550 430 |"), cmd(Op::ShowWindow, "1 |"),
            cmd(Op::Navigate, "1 | http://x/1")};
        QTRY_COMPARE(commands(log, first), made);

        // The host crashes: the window comes back with its caption, size and last page.
        ::kill(static_cast<pid_t>(first), SIGKILL);
        QTRY_COMPARE(web.HostProcessId(), -1L);
        QTRY_VERIFY(gone(first));
        w->ShowWindow();
        const long second = web.HostProcessId();
        QVERIFY(second > 0 && second != first);
        QTRY_COMPARE(commands(log, second), made);

        // Shown and navigated at once, the old page is not loaded first.
        ::kill(static_cast<pid_t>(second), SIGKILL);
        QTRY_COMPARE(web.HostProcessId(), -1L);
        w->ShowWindow();
        w->Navigate("http://x/2");
        const long third = web.HostProcessId();
        QTest::qWait(0);     // where a replay of the old page would be sent
        w->SetCaption("B");  // and this marks the end of what was sent
        QTRY_VERIFY(!commands(log, third).empty() &&
                    commands(log, third).back() == cmd(Op::SetCaption, "1 | B"));
        const auto sent = commands(log, third);
        QCOMPARE(std::count_if(
                     sent.begin(), sent.end(),
                     [](const std::string& c) { return c.rfind(cmd(Op::Navigate, ""), 0) == 0; }),
                 1);
        QCOMPARE(sent[4], cmd(Op::Navigate, "1 | http://x/2"));
        QVERIFY(shell.opened.empty());
    }

    void aBrowserWindowIsPlacedBeforeItLoadsShownLastThenLetGo() {
        kv::test::FakeShell shell;
        kv::LazyWebBrowsers web(shell, QStringLiteral("fake_web_host"));
        kv::BrowserWindowRequest request;
        request.Url = "http://x/pay";
        request.PostData = "a=1";
        request.Headers = "H: v";
        request.Bars = false;
        request.Where = kv::Rect{300, 200, 520, 400};
        web.OpenBrowserWindow(request);
        const long host = web.HostProcessId();
        QVERIFY(host > 0);
        const auto set = [](kv::WebHostProperty property, int value) {
            return cmd(Op::SetProperty, "1 " + std::to_string(static_cast<int>(property)) + " " +
                                            std::to_string(value) + " |");
        };
        using P = kv::WebHostProperty;
        const std::vector<std::string> told{cmd(Op::CreateBrowser, "1 |"),
                                            set(P::Top, 200),
                                            set(P::Left, 300),
                                            set(P::Width, 520),
                                            set(P::Height, 400),
                                            cmd(Op::Navigate2, "1 0 | http://x/pay a=1 H: v"),
                                            set(P::Toolbar, 0),
                                            set(P::Menubar, 0),
                                            set(P::Statusbar, 0),
                                            set(P::Resizable, 1),
                                            set(P::Visible, 1),
                                            cmd(Op::Release, "1 |")};
        QTRY_COMPARE(commands(log, host), told);
        QVERIFY(shell.opened.empty());
    }

    void theHostEndsOnceNoWindowIsOpenAndHandsTextsBack() {
        kv::test::FakeShell shell;
        kv::LazyWebBrowsers web(shell, QStringLiteral("fake_web_host"));
        web.SetIdleTime(0);
        std::vector<std::pair<std::uint32_t, std::string>> handed;
        web.SetCopyDataSink(
            [&](std::uint32_t kind, const std::string& text) { handed.emplace_back(kind, text); });
        std::unique_ptr<kv::WebWindow> w = web.CreateWebWindow(0);
        w->ShowWindow();
        const long host = web.HostProcessId();
        w->Navigate("fake:copy/hello");
        QTRY_COMPARE(handed.size(), std::size_t{1});
        QCOMPARE(handed[0], (std::pair<std::uint32_t, std::string>{0, "hello"}));

        // A separate browser window, let go of once opened, keeps the host running until it
        // is closed.
        kv::BrowserWindowRequest closing;
        closing.Url = "fake:closed";
        web.OpenBrowserWindow(closing);
        w->Close();
        QCOMPARE(web.HostProcessId(), host);  // the browser window is open yet
        QTRY_COMPARE(web.HostProcessId(), -1L);
        QTRY_VERIFY(gone(host));
        const auto told = commands(log, host);
        QVERIFY(std::find(told.begin(), told.end(), cmd(Op::Release, "2 |")) != told.end());

        // The member closing the last window through the window manager ends it as well.
        w->ShowWindow();
        const long next = web.HostProcessId();
        QVERIFY(next > 0 && next != host);
        w->Navigate("fake:closed");
        QTRY_COMPARE(web.HostProcessId(), -1L);
        QTRY_VERIFY(gone(next));
    }

    void aHostSpeakingNonsenseIsEndedAndTheNextPageStartsAnother() {
        kv::test::FakeShell shell;
        kv::LazyWebBrowsers web(shell, QStringLiteral("fake_web_host"));
        std::unique_ptr<kv::WebWindow> w = web.CreateWebWindow(0);
        w->ShowWindow();
        const long host = web.HostProcessId();
        w->Navigate("fake:garbage");
        QTRY_COMPARE(web.HostProcessId(), -1L);
        QTRY_VERIFY(gone(host));
        w->ShowWindow();
        QVERIFY(web.HostProcessId() > 0 && web.HostProcessId() != host);
    }

    void withoutAHostThatStartsPagesGoToTheDefaultBrowser() {
        // Found but not a program that runs: the page still opens, in the default browser.
        QFile script(dir.filePath(QStringLiteral("broken_host")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/nonexistent/interpreter\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        qputenv("KESTROVANE_MODULE_DIR", dir.path().toLocal8Bit());
        kv::test::FakeShell shell;
        kv::LazyWebBrowsers web(shell, QStringLiteral("broken_host"));
        QVERIFY(web.HostFound());
        std::unique_ptr<kv::WebWindow> w = web.CreateWebWindow(0);
        w->ShowWindow();
        w->Navigate("http://x/help");
        QCOMPARE(web.HostProcessId(), -1L);
        QCOMPARE(shell.opened, std::vector<std::string>{"http://x/help"});
        qputenv("KESTROVANE_MODULE_DIR", KV_FAKE_HOST_DIR);
    }
};

QTEST_MAIN(LazyWebBrowsersTest)

#include "lazy_web_browsers_test.moc"
