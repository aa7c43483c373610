#include "ui/main/MainUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

#include <cstdlib>

#include "core/base/cp949.h"
#include "core/crypto/dcpcrypt.h"
#include "core/posix/posix_line_socket.h"
#include "core/service/settings_store.h"
#include "qt/copy_data_server.h"
#include "qt/qt_ui_thread.h"
#include "support/fake_main_services.h"
#include "support/scripted_server.h"
#include "support/served_lines.h"
#include "support/served_main_window.h"
#include "ui/dialogs/LoginUnit.h"

using namespace std::chrono_literals;
using kv::RegistrySection;
using kv::TMainForm;

namespace {

using Rig = kv::test::ServedMainServices;

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void frameMenusAndSignedOutState() {
        Rig rig;
        TMainForm form(rig.services());
        QCOMPARE(form.windowTitle(), QStringLiteral("케스트로바네"));
        QCOMPARE(form.minimumSize(), QSize(225, 300));
        const QList<QAction*> menus = form.menuBar()->actions();
        QCOMPARE(menus.size(), 4);
        QCOMPARE(menus[0]->text(), QStringLiteral("파일(&F)"));
        QCOMPARE(kv::test::MenuCaptions(menus[0]->menu()),
                 QStringList({"로그인(&I)", "로그아웃(&N)", "-", "충전하기(&M)", "옵션(&O)", "-",
                              "종료(&X)"}));
        QCOMPARE(kv::test::MenuCaptions(menus[1]->menu()),
                 QStringList({"메시지 보내기(&S)", "-", "대화상대 추가(&A)",
                              "대화상대 등록정보(&R)", "대화상대 삭제(&D)", "-",
                              "새 그룹 만들기(&N)", "그룹이름 바꾸기(&R)", "그룹 삭제(&D)"}));
        QCOMPARE(kv::test::MenuCaptions(menus[2]->menu()), QStringList({"그룹전송(&G)"}));
        QCOMPARE(kv::test::MenuCaptions(menus[3]->menu()),
                 QStringList({"도움말(&H)", "-", "케스트로바네에 대하여...(&A)"}));
        // The tray icon comes once the loop runs, after the window was asked onto the screen.
        QVERIFY(form.TrayIcon == nullptr);
        QTRY_VERIFY(form.TrayIcon != nullptr);
        QVERIFY(form.TrayIcon->isVisible());
        QCOMPARE(kv::test::MenuCaptions(form.TrayIcon->contextMenu()),
                 QStringList({"케스트로바네 열기(&O)", "-", "종료(&X)"}));

        QCOMPARE(form.idState->text(), QStringLiteral("로그인 하십시오."));
        QVERIFY(form.actLogin->isEnabled());
        for (QAction* a : {form.actLogout, form.actMoney, form.actSendText, form.actAddUser,
                           form.actGroupSend, form.actDeleteGroup})
            QVERIFY(!a->isEnabled());
        for (QAction* a :
             {form.actOption, form.actHelp, form.actAbout, form.actExit, form.actRestore})
            QVERIFY(a->isEnabled());
        QVERIFY(!form.PingTimer->isActive());
        QCOMPARE(form.PingTimer->interval(), 5000);
        // First run: the window where the defaults put it.
        QCOMPARE(form.size(), QSize(281, 435));
    }

    void closingHidesAndExitAsksFirst() {
        Rig rig;
        TMainForm form(rig.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.TrayIcon != nullptr);
        form.close();
        QVERIFY(!form.isVisible());
        QVERIFY(!form.Quitting());
        form.actRestore->trigger();
        QVERIFY(form.isVisible());

        rig.boxes.answers = {kv::MessageBoxes::Result::No};
        form.actExit->trigger();
        QCOMPARE(rig.boxes.shown.back().text, kv::cp949("케스트로바네를 종료 하시겠습니까?"));
        QVERIFY(form.isVisible());
        QVERIFY(!form.Quitting());

        rig.boxes.answers = {kv::MessageBoxes::Result::Yes};
        form.actExit->trigger();
        QVERIFY(form.Quitting());
        QVERIFY(!form.isVisible());
    }

    void theTrayAndThePublicationFollowTheFirstPicture() {
        Rig rig;
        TMainForm form(rig.services());
        form.show();
        // Not yet drawn: no tray icon to hide the window in, nothing published.
        QVERIFY(form.TrayIcon == nullptr);
        QVERIFY(!rig.registry.storedValue(RegistrySection::Key, "HWND").has_value());
        form.close();
        QVERIFY(form.isVisible());
        QVERIFY(form.isMinimized());
        form.actRestore->trigger();

        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.TrayIcon != nullptr);
        QVERIFY(form.TrayIcon->isVisible());
        QCOMPARE(rig.registry.storedValue(RegistrySection::Key, "HWND").value_or(""),
                 kv::CopyDataServer::DefaultPath().toStdString());
        form.close();
        QVERIFY(!form.isVisible());
    }

    void withoutATrayTheTaskBarKeepsTheWindow() {
        Rig rig;
        rig.tray.available = false;
        TMainForm form(rig.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.TrayIcon != nullptr);
        form.close();
        // Still a window of the desktop, only minimised: the task bar brings it back.
        QVERIFY(form.isVisible());
        QVERIFY(form.isMinimized());
        QVERIFY(!form.Quitting());
        form.actRestore->trigger();
        QVERIFY(!form.isMinimized());

        // A tray that appears later is used from the next close on.
        rig.tray.Set(true);
        form.close();
        QVERIFY(!form.isVisible());
        // The panel holding the tray ends while the window is hidden in it.
        rig.tray.Set(false);
        QVERIFY(form.isVisible());
        QVERIFY(form.isMinimized());
        // A tray that comes back does not pull out a window the member sees.
        form.actRestore->trigger();
        rig.tray.Set(true);
        QVERIFY(form.isVisible());
        QVERIFY(!form.isMinimized());
    }

    void signingInThroughTheDialogAndEndingWhileConnected() {
        Rig rig;
        {
            TMainForm form(rig.services());
            form.show();
            QTimer::singleShot(0, [] {
                auto* login = qobject_cast<kv::TLogin*>(QApplication::activeModalWidget());
                QVERIFY(login);
                login->Userid->setText(QStringLiteral("홍길동"));
                login->Password->setText(QStringLiteral("pw1234"));
                login->savepassword->setChecked(true);
                login->btnOK->click();
            });
            QTest::mouseClick(form.idState, Qt::LeftButton);  // offline: opens the dialog
            QVERIFY(rig.server.accept());
            QCOMPARE(rig.nextLine().value_or(""), kv::cp949("LO:홍길동,pw1234"));
            QCOMPARE(form.idState->text(), QStringLiteral("로그인 중 입니다..."));
            QCOMPARE(form.Conn().State(), kv::ConnectionState::SigningIn);
            QVERIFY(form.Logopanel->isVisible());
            // A click on the label while connected does nothing.
            QTest::mouseClick(form.idState, Qt::LeftButton);
            QVERIFY(QApplication::activeModalWidget() == nullptr);
            // The window published where it can be reached while it runs (once drawn).
            QTRY_VERIFY(rig.registry.storedValue(RegistrySection::Key, "HWND").has_value());
        }
        // Destroyed while connected: "LX:" goes out, then the settings are written.
        QCOMPARE(rig.nextLine().value_or(""), std::string("LX:"));
        QVERIFY(!rig.registry.storedValue(RegistrySection::Key, "HWND").has_value());
        QVERIFY(!rig.registry.storedValue(RegistrySection::Key, "PID").has_value());
        QCOMPARE(rig.registry.storedValue(RegistrySection::Key, "PATH").value_or(""),
                 std::string("/opt/kestrovane/kestrovane"));
        const auto id = rig.registry.storedValue(RegistrySection::Option, "Userid").value_or("");
        QCOMPARE(kv::PC1Decrypt(kv::settings_key::UseridKey, id), kv::cp949("홍길동"));
        QCOMPARE(rig.registry.storedValue(RegistrySection::Option, "SavePassword").value_or(""),
                 std::string("1"));
        QCOMPARE(rig.autoRun.entry.value_or(""), std::string("/opt/kestrovane/kestrovane"));
    }

    // Asked to end while the receive thread waits for a handler that shows a message box (the
    // success message of a group send): the box gives way, the program leaves its loop, sends
    // "LX:" and writes its settings within a second. By a signal and by the exit command.
    void endingWhileAHandlerShowsABox_data() {
        QTest::addColumn<bool>("exitCommand");
        QTest::newRow("signal") << false;
        QTest::newRow("exit command") << true;
    }
    void endingWhileAHandlerShowsABox() {
        QFETCH(bool, exitCommand);
        Rig rig;
        rig.presetAutoLogin("demo", "demo1234");
        QElapsedTimer took;
        {
            TMainForm form(rig.services());
            QVERIFY(rig.server.accept());
            QCOMPARE(rig.nextLine().value_or(""), std::string("LO:demo,demo1234"));
            rig.server.sendLine("R:ak");
            QCOMPARE(rig.nextLine().value_or(""), std::string("GC:"));
            rig.server.sendLine("GR:");
            QCOMPARE(rig.nextLine().value_or(""), std::string("AC:"));
            rig.server.sendLine("AC:");
            QCOMPARE(rig.nextLine().value_or(""), std::string("RC:"));
            QCOMPARE(form.Conn().State(), kv::ConnectionState::SignedIn);

            form.Conn().CmdType = "PS";
            int shown = 0;
            rig.boxes.onShow = [&] {
                if (++shown > 1)
                    return;  // the exit command's own question, answered Yes
                QTimer::singleShot(0, &form, [&] {
                    took.start();
                    if (exitCommand)
                        form.actExit->trigger();
                    else
                        form.QuitWithoutAsking();
                });
                QEventLoop modal;  // as a modal box runs
                QTimer::singleShot(10000, &modal, &QEventLoop::quit);
                modal.exec();
            };
            rig.server.sendLine("R:ak");
            QTimer::singleShot(20000, qApp, &QCoreApplication::quit);
            QCoreApplication::exec();  // the program's loop, as its entry runs it
            QCOMPARE(rig.boxes.shown.front().text,
                     kv::cp949("즉시 전송이 성공적으로 이뤄 졌습니다."));
            QVERIFY(form.Quitting());
        }
        QVERIFY2(took.elapsed() < 1000, QByteArray::number(took.elapsed()));
        std::optional<std::string> line;
        do
            line = rig.nextLine();
        while (line && *line != "LX:");
        QVERIFY(line.has_value());
        QVERIFY(!rig.registry.storedValue(RegistrySection::Key, "HWND").has_value());
        QVERIFY(!rig.registry.storedValue(RegistrySection::Key, "PID").has_value());
        QCOMPARE(rig.registry.storedValue(RegistrySection::Option, "AutoLogin").value_or(""),
                 std::string("1"));
    }

    void automaticSignInAtStart() {
        Rig rig;
        rig.presetAutoLogin("demo", "demo1234");
        TMainForm form(rig.services());
        QVERIFY(rig.server.accept());
        QCOMPARE(rig.nextLine().value_or(""), std::string("LO:demo,demo1234"));
    }

    void newerVersionHandsOverWithoutSigningIn() {
        Rig rig;
        rig.presetAutoLogin("demo", "demo1234");
        rig.http.body = "1.0.1.10,\r\nkestrovane,1.0.1.10\r\n";
        TMainForm form(rig.services({}));
        QCOMPARE(rig.http.requests.size(), std::size_t(1));
        QCOMPARE(rig.launcher.starts.size(), std::size_t(1));
        QCOMPARE(rig.launcher.starts[0].argument, std::string("1.0.1.2"));
        QVERIFY(QString::fromStdString(rig.launcher.starts[0].program).endsWith("/AutoUpgrade"));
        QVERIFY(form.Quitting());
        QVERIFY(!rig.server.accept(100ms));
    }

    void unreadableUpdateListShowsTheErrorAndSkipsTheSignIn() {
        Rig rig;
        rig.presetAutoLogin("demo", "demo1234");
        rig.http.body = "1.0.1.10\r\n";           // no ",": the version reads as empty
        TMainForm form(rig.services({"/NOAU"}));  // capitals do not count
        QCOMPARE(rig.http.requests.size(), std::size_t(1));
        QCOMPARE(rig.boxes.shown.size(), std::size_t(1));
        QCOMPARE(rig.boxes.shown[0].icon, kv::MessageBoxes::Icon::Error);
        QVERIFY(rig.launcher.starts.empty());
        QVERIFY(!form.Quitting());
        QVERIFY(!rig.server.accept(100ms));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
