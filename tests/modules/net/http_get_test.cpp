#include "modules/net/qt_http_get.h"

#include <QTcpServer>
#include <QTimer>
#include <QtTest>

#include "support/test_http_server.h"

using namespace std::chrono_literals;
using kv::test::TestHttpServer;

namespace {

// The error text of one download, or "" when it succeeded.
QString failureOf(kv::HttpGet& http, const QString& url, std::chrono::milliseconds bound) {
    try {
        http.get(url.toStdString(), bound);
    } catch (const kv::HttpError& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

}  // namespace

class HttpGetTest : public QObject {
    Q_OBJECT
private slots:
    void returnsTheBodyOfASuccessfulAnswer() {
        TestHttpServer server;
        const QByteArray body("1.0.1.10,Kestrovane.exe\r\n\x00\xff rest", 32);
        server.respond(200, "OK", body);
        kv::QtHttpGet http;
        const std::string got = http.get(server.url("/kestrovane/filelist.txt").toStdString(), 5s);
        QCOMPARE(QByteArray::fromStdString(got), body);
        QCOMPARE(server.requests(), QList<QByteArray>{"/kestrovane/filelist.txt"});

        server.respond(200, "OK", {});
        QCOMPARE(http.get(server.url("/empty").toStdString(), 5s), std::string());
    }

    void aStatusOtherThanSuccessIsAnError() {
        TestHttpServer server;
        kv::QtHttpGet http;
        server.respond(404, "Not Found", "no such file");
        QString error = failureOf(http, server.url("/kestrovane/filelist.txt"), 5s);
        QVERIFY2(error.contains("404 Not Found"), qPrintable(error));
        QVERIFY2(error.contains("/kestrovane/filelist.txt"), qPrintable(error));

        server.respond(500, "Internal Server Error", "");
        error = failureOf(http, server.url("/x"), 5s);
        QVERIFY2(error.contains("500"), qPrintable(error));
    }

    void aRefusedConnectionIsAnError() {
        quint16 port = 0;
        {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
            port = closed.serverPort();
        }
        kv::QtHttpGet http;
        const QString error =
            failureOf(http, QStringLiteral("http://127.0.0.1:%1/x").arg(port), 5s);
        QVERIFY2(error.contains("refused", Qt::CaseInsensitive), qPrintable(error));
    }

    void aServerThatNeverAnswersTimesOut() {
        TestHttpServer server;
        server.setMode(TestHttpServer::Mode::Silent);
        kv::QtHttpGet http;
        const QString error = failureOf(http, server.url("/x"), 300ms);
        QVERIFY2(error.contains("no complete answer within 300 ms"), qPrintable(error));
        QCOMPARE(server.connections(), 1);
    }

    void aServerThatStallsAfterTheHeadersTimesOut() {
        TestHttpServer server;
        server.setMode(TestHttpServer::Mode::HeadersThenStall);
        kv::QtHttpGet http;
        const QString error = failureOf(http, server.url("/x"), 300ms);
        QVERIFY2(error.contains("no complete answer"), qPrintable(error));
        QCOMPARE(server.requests().size(), 1);
    }

    void anOverLongBodyIsAnError() {
        TestHttpServer server;
        kv::QtHttpGet http(1000);
        // Exactly at the limit is fine.
        server.respond(200, "OK", QByteArray(1000, 'a'));
        QCOMPARE(http.get(server.url("/x").toStdString(), 5s).size(), 1000u);
        // Declared longer: refused on the headers.
        server.respond(200, "OK", QByteArray(1001, 'a'));
        QString error = failureOf(http, server.url("/x"), 5s);
        QVERIFY2(error.contains("longer than 1000 bytes"), qPrintable(error));
    }

    void anEndlessBodyIsCutOffAtTheDefaultLimit() {
        TestHttpServer server;
        server.setMode(TestHttpServer::Mode::Endless);
        kv::QtHttpGet http;
        // Ends on the size, long before the bound.
        const QString error = failureOf(http, server.url("/x"), 60s);
        QVERIFY2(error.contains("longer than 1048576 bytes"), qPrintable(error));
    }

    void windowEventsRunWhileItWaits() {
        TestHttpServer server;
        server.setMode(TestHttpServer::Mode::Silent);
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        kv::QtHttpGet http;
        failureOf(http, server.url("/x"), 300ms);
        QVERIFY(ran);
    }

    void anAddressThatIsNotHttpIsRefusedWithoutARequest() {
        kv::QtHttpGet http;
        for (const char* url : {"", "not a url", "file:///srv/filelist.txt", "ftp://127.0.0.1/x",
                                "http:///path-only"}) {
            const QString error = failureOf(http, QString::fromLatin1(url), 5s);
            QVERIFY2(error.contains("not an http or https address"), url);
        }
    }

    // Last: the quit request stays pending and would end every later event loop at once.
    void quittingTheApplicationMeanwhileCancelsTheDownload() {
        TestHttpServer server;
        server.setMode(TestHttpServer::Mode::Silent);
        QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
        kv::QtHttpGet http;
        const QString error = failureOf(http, server.url("/x"), 60s);
        QVERIFY2(error.endsWith("cancelled"), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(HttpGetTest)
#include "http_get_test.moc"
