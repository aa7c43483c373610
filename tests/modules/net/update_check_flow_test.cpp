// The update check with the real adapters: a local HTTP server lists the versions and a small
// script stands in for the updater, recording the arguments it was started with.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "core/base/errors.h"
#include "core/service/update_check.h"
#include "modules/net/qt_http_get.h"
#include "qt/qt_process_launcher.h"
#include "support/test_http_server.h"

using namespace std::chrono_literals;
using kv::test::TestHttpServer;

class UpdateCheckFlowTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString record_;

    bool run(TestHttpServer& server, const std::vector<std::string>& args,
             std::chrono::milliseconds bound = 5s) {
        kv::QtHttpGet http;
        kv::QtProcessLauncher launcher;
        return kv::RunUpdateCheck(http, launcher, dir_.path().toStdString(), args,
                                  server.url("/kestrovane/filelist.txt").toStdString(), bound);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        record_ = dir_.filePath("arguments.txt");
        QFile script(dir_.filePath("AutoUpgrade"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        // Written aside and renamed, so the test never reads a half-written record.
        script.write(
            "#!/bin/sh\n"
            "here=$(dirname \"$0\")\n"
            "{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; } > \"$here/arguments.tmp\"\n"
            "mv \"$here/arguments.tmp\" \"$here/arguments.txt\"\n");
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void cleanup() { QFile::remove(record_); }

    void aNewerVersionStartsTheUpdaterWithTheRunningVersion() {
        TestHttpServer server;
        server.respond(200, "OK", "1.0.1.10,Kestrovane,4096\r\nother lines\r\n");
        QVERIFY(run(server, {}));
        QCOMPARE(server.requests(), QList<QByteArray>{"/kestrovane/filelist.txt"});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record_), 10000);
        QFile record(record_);
        QVERIFY(record.open(QIODevice::ReadOnly));
        QCOMPARE(record.readAll(), QByteArray("1\n[1.0.1.2]\n"));
    }

    void aVersionThatIsNotNewerStartsNothing() {
        TestHttpServer server;
        server.respond(200, "OK", "1.0.1.2,Kestrovane,4096\r\n");
        QVERIFY(!run(server, {}));
        server.respond(200, "OK", "");
        QVERIFY(!run(server, {}));
        QCOMPARE(server.requests().size(), 2);
        // The updater is started before RunUpdateCheck returns, so nothing can be on its way.
        QVERIFY(!QFile::exists(record_));
    }

    void noauMakesNoRequestAtAll() {
        TestHttpServer server;
        server.respond(200, "OK", "2.0.0.0,");
        QVERIFY(!run(server, {"/noau"}));
        QCOMPARE(server.connections(), 0);
        // In capitals it is not the switch.
        QVERIFY(run(server, {"/NOAU"}));
        QCOMPARE(server.connections(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record_), 10000);
    }

    void aFirstLineWithoutACommaIsAConversionError() {
        TestHttpServer server;
        server.respond(200, "OK", "1.0.1.10\r\n");
        QVERIFY_THROWS_EXCEPTION(kv::ConvertError, run(server, {}));
        QVERIFY(!QFile::exists(record_));
    }

    void aStalledServerEndsInAnErrorWithinTheBound() {
        TestHttpServer server;
        server.setMode(TestHttpServer::Mode::HeadersThenStall);
        QVERIFY_THROWS_EXCEPTION(kv::HttpError, run(server, {}, 300ms));
        server.setMode(TestHttpServer::Mode::Silent);
        QVERIFY_THROWS_EXCEPTION(kv::HttpError, run(server, {}, 300ms));
        server.respond(404, "Not Found", "");
        QVERIFY_THROWS_EXCEPTION(kv::HttpError, run(server, {}));
        QVERIFY(!QFile::exists(record_));
    }

    void aMissingUpdaterIsSilentAndTheProgramStillEnds() {
        TestHttpServer server;
        server.respond(200, "OK", "2.0.0.0,");
        QTemporaryDir empty;
        kv::QtHttpGet http;
        kv::QtProcessLauncher launcher;
        QVERIFY(kv::RunUpdateCheck(http, launcher, empty.path().toStdString(), {},
                                   server.url("/kestrovane/filelist.txt").toStdString(), 5s));
        QVERIFY(!launcher.start(empty.filePath("AutoUpgrade").toStdString(), "1.0.1.2"));
    }
};

QTEST_GUILESS_MAIN(UpdateCheckFlowTest)
#include "update_check_flow_test.moc"
