#include "qt/qt_ui_thread.h"

#include <QtTest>

#include <atomic>
#include <thread>

#include "core/connection/vane.h"
#include "core/posix/posix_line_socket.h"
#include "support/scripted_server.h"

using namespace std::chrono_literals;

class QtUiThreadTest : public QObject {
    Q_OBJECT
private slots:
    void runsWorkOnTheGuiThreadThroughTheEventLoop() {
        QObject parent;
        auto ui = kv::QtUiThread::create(&parent);
        QVERIFY(ui->isUiThread());
        std::atomic<bool> onGui{false};
        std::atomic<int> result{-1};
        std::thread worker([&] {
            result = ui->runAndWait([&] {
                onGui = QThread::currentThread() == QCoreApplication::instance()->thread();
            })
                         ? 1
                         : 0;
        });
        QTRY_COMPARE_WITH_TIMEOUT(result.load(), 1, 5000);
        worker.join();
        QVERIFY(onGui);
    }

    void destroyingTheParentReleasesAWaiter() {
        auto parent = std::make_unique<QObject>();
        auto ui = kv::QtUiThread::create(parent.get());
        std::atomic<int> result{-1};
        std::atomic<bool> ran{false};
        std::thread worker([&] { result = ui->runAndWait([&] { ran = true; }) ? 1 : 0; });
        // Give the worker time to queue; it is released either way, queued or refused.
        QThread::msleep(20);
        parent.reset();
        worker.join();
        QCOMPARE(result.load(), 0);
        QVERIFY(!ran);
        QCOMPARE(ui->runAndWait([] {}), false);
    }

    void connectionEventsArriveOnTheGuiThread() {
        kv::test::ScriptedServer server;
        QObject parent;
        auto ui = kv::QtUiThread::create(&parent);
        kv::TVANE vane(ui, kv::makePosixLineSocket);
        vane.Host = "127.0.0.1";
        vane.Port = server.port();
        QString got;
        bool onGui = false;
        vane.OnCheckMoney = [&] {
            got = QString::fromStdString(vane.Msg);
            onGui = QThread::currentThread() == QCoreApplication::instance()->thread();
        };
        QVERIFY(vane.Connect());
        QVERIFY(server.accept());
        server.sendLine("RV:42");
        QTRY_COMPARE_WITH_TIMEOUT(got, QStringLiteral("RV:42"), 5000);
        QVERIFY(onGui);
        vane.Disconnect();
        QVERIFY(server.expectLine("LX:"));
        QTRY_VERIFY_WITH_TIMEOUT(kv::runningListenThreads() == 0, 5000);
    }
};

QTEST_GUILESS_MAIN(QtUiThreadTest)
#include "qt_ui_thread_test.moc"
