// The web module: loaded from its file as the program loads it, showing the dev server's pages
// in an embedded window (a ring tone's copy-data link handed back) and in a driven browser
// window (the payment page showing the exact posted body and content type); and the default
// browser taking over when the module is missing. Skipped where Qt WebEngine cannot render
// offscreen.

#include <QApplication>
#include <QLibrary>
#include <QMainWindow>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

#include "app/web_pages.h"
#include "devserver/account_data.h"
#include "devserver/account_store.h"
#include "devserver/http_server.h"
#include "devserver/service_pages.h"
#include "platform/qt/lazy_web_browsers.h"
#include "support/accessible_names.h"
#include "support/fake_shell.h"

namespace {

// The dev server's pages on a free port.
struct Pages {
    kv::devserver::AccountStore store{kv::devserver::loadAccounts(KV_DEVSERVER_DEMO_DATA)};
    kv::devserver::ServicePages pages{store, {}};
    std::unique_ptr<kv::devserver::HttpServer> server;
    Pages() {
        kv::devserver::HttpServerOptions o;
        o.port = 0;
        server = std::make_unique<kv::devserver::HttpServer>(
            o, [this](const kv::devserver::HttpRequest& r) { return pages.handle(r); });
        server->start();
    }
    std::string root() const { return "http://127.0.0.1:" + std::to_string(server->port()); }
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

}  // namespace

class WebModuleTest : public QObject {
    Q_OBJECT
private slots:
    void withoutTheModuleTheDefaultBrowserOpensPages() {
        kv::test::FakeShell shell;
        kv::LazyWebBrowsers web(shell, QStringLiteral("kestrovane-no-such-module"));
        QVERIFY(!web.ModuleLoaded());
        std::unique_ptr<kv::WebWindow> window;
        kv::OpenWebWindow(web, window, nullptr, {"Help", 550, 430, true}, "http://h/help");
        kv::OpenWebWindow(web, window, nullptr, {"Help", 550, 430, true}, "http://h/help");
        kv::OpenPaymentWindow(web, "http://h", "demo");
        kv::OpenReservedWindow(web, "http://h", "demo", 10, 10);
        QCOMPARE(shell.opened,
                 (std::vector<std::string>{"http://h/help", "http://h/help", "http://h/zaddpay.asp",
                                           "http://h/messenger/zpreen_msg.asp?usid=demo"}));
    }

    void moduleShowsPagesAndHandsChoicesBack() {
        QLibrary module(QStringLiteral(KV_WEB_MODULE));
        QVERIFY2(module.load(), qPrintable(module.errorString()));
        auto createWindow =
            reinterpret_cast<kv::CreateWebWindowFn>(module.resolve(kv::kCreateWebWindowSymbol));
        auto createBrowser =
            reinterpret_cast<kv::CreateBrowserFn>(module.resolve(kv::kCreateBrowserSymbol));
        QVERIFY(createWindow && createBrowser);

        Pages pages;
        std::vector<std::pair<std::uint32_t, std::string>> handed;
        const kv::WebBrowsers::CopyDataSink sink = [&](std::uint32_t kind, const std::string& t) {
            handed.emplace_back(kind, t);
        };

        std::unique_ptr<kv::WebWindow> window(createWindow(nullptr, &sink));
        auto* form = dynamic_cast<QWidget*>(window.get());
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QStringLiteral("케스트로바네"));
        auto* view = form->findChild<QWebEngineView*>();
        QVERIFY(view);
        QSignalSpy windowLoads(view, &QWebEngineView::loadFinished);
        window->SetCaption(kv::RingToneWindowCaption());
        window->SetSize(550, 430);
        window->ShowWindow();
        // A screen reader names the page area after the window.
        QCOMPARE(view->accessibleName(), QStringLiteral("도착음 - 케스트로바네"));
        const QStringList unnamed = kv::test::UnnamedInputControls(form);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("; "))));
        window->Navigate(kv::RingTonePageURL(pages.root(), "demo"));
        if (!loaded(windowLoads))
            QSKIP("Qt WebEngine cannot load pages here (offscreen, no GPU or sandbox)");
        QCOMPARE(form->windowTitle(), QStringLiteral("도착음 - 케스트로바네"));  // not the page's
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
        QTRY_COMPARE_WITH_TIMEOUT(handed.size(), std::size_t{1}, 20000);
        QCOMPARE(handed[0].first, 1u);
        QCOMPARE(QString::fromStdString(handed[0].second), file);
        QCOMPARE(view->url().path(), QStringLiteral("/messenger/zoption_msg.asp"));  // stayed

        // The payment page through the driven browser: the exact body and the content type.
        const QWidgetList before = QApplication::topLevelWidgets();
        {
            std::unique_ptr<kv::BrowserAutomation> browser(createBrowser(&sink));
            browser->Navigate2(kv::PaymentPageURL(pages.root()), 0, kv::PaymentPostData("demo"),
                               kv::PaymentHeaders());
            browser->SetToolbar(true);
            browser->SetMenubar(true);
            browser->SetStatusbar(true);
            browser->SetResizable(true);
            browser->SetVisible(true);
        }
        QMainWindow* shown = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!before.contains(w) && qobject_cast<QMainWindow*>(w) && w->isVisible())
                shown = qobject_cast<QMainWindow*>(w);
        QVERIFY2(shown, "the browser window did not stay open after its release");
        auto* payView = shown->findChild<QWebEngineView*>();
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
        shown->close();
    }
};

int main(int argc, char** argv) {
    // As the program does: the web module shares OpenGL contexts with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    WebModuleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "web_module_test.moc"
