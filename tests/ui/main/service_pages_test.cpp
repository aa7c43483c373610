// The main window's service pages and dialogs against the dev server's chat server, in
// process, with a recording browser: help, payment, the options dialog's round trip with the
// alarm player, the about box, and page choices reaching a chat window's memo.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <functional>

#include "core/base/cp949.h"
#include "core/posix/posix_line_socket.h"
#include "core/web/page_windows.h"
#include "devserver/account_data.h"
#include "qt/native_window.h"
#include "qt/qt_ui_thread.h"
#include "qt/widgets/send_memo.h"
#include "support/demo_chat_server.h"
#include "support/fake_main_services.h"
#include "ui/chat/SessionUnit.h"
#include "ui/dialogs/AbountUnit.h"
#include "ui/dialogs/OptionUnit.h"
#include "ui/main/MainUnit.h"

namespace {

const std::string kRoot = "http://pages.test";
using Calls = std::vector<std::string>;

struct Rig : kv::test::FakeMainServices, kv::test::DemoChatServer {
    Rig() { ::setenv("KESTROVANE_WEB_ROOT", kRoot.c_str(), 1); }
    ~Rig() { ::unsetenv("KESTROVANE_WEB_ROOT"); }
};

bool signIn(kv::TMainForm& form) {
    form.Session().SignIn("demo", "demo1234");
    return QTest::qWaitFor([&] { return form.Conn().State() == kv::ConnectionState::SignedIn; },
                           10000);
}

// Runs `f` on the next modal dialog once its event loop runs; `f` must close it.
void whileModal(std::function<void(QDialog&)> f) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            f(*d);
        }
    });
    timer->start();
}

}  // namespace

class ServicePagesTest : public QObject {
    Q_OBJECT
private slots:
    void helpTwiceReusesOneWindowAndReloads() {
        Rig rig;
        kv::TMainForm form(rig.services());
        form.show();  // the page window stays above it
        form.actHelp->trigger();
        form.actHelp->trigger();
        QCOMPARE(rig.web.windows.size(), std::size_t{1});
        QVERIFY(rig.web.windows[0]->owner != 0);
        QCOMPARE(rig.web.windows[0]->owner, kv::NativeWindowOf(&form));
        const Calls once = {"caption:" + kv::cp949("도움말 - 케스트로바네"), "size:550x430", "show",
                            "navigate:" + kRoot + "/messenger/znewhelp.asp?uid="};
        Calls twice = once;
        twice.insert(twice.end(), once.begin(), once.end());
        QCOMPARE(rig.web.windows[0]->calls, twice);

        QVERIFY(signIn(form));
        form.actHelp->trigger();
        QCOMPARE(rig.web.windows.size(), std::size_t{1});
        QCOMPARE(rig.web.windows[0]->calls.back(),
                 "navigate:" + kRoot + "/messenger/znewhelp.asp?uid=demo");
    }

    void helpWindowGoesWithTheMainWindow() {
        Rig rig;
        {
            kv::TMainForm form(rig.services());
            form.actHelp->trigger();
            QVERIFY(!rig.web.windows[0]->destroyed);
        }
        QVERIFY(rig.web.windows[0]->destroyed);
    }

    void paymentOnlyWhenSignedInFromMenuAndBalancePanel() {
        Rig rig;
        kv::TMainForm form(rig.services());
        form.show();
        form.actMoneyExecute();
        QTest::mouseClick(form.spSkinStatusPanel1, Qt::LeftButton);
        QVERIFY(rig.web.browsers.empty());

        QVERIFY(signIn(form));
        form.actMoney->trigger();
        QCOMPARE(rig.web.browsers.size(), std::size_t{1});
        kv::BrowserWindowRequest payment;
        payment.Url = kRoot + "/zaddpay.asp";
        payment.PostData = "UserID=demo&Action=Log-in";
        payment.Headers = kv::PaymentHeaders();
        QVERIFY(rig.web.browsers[0] == payment);  // bars shown, resizable, placed by the browser
        QTRY_VERIFY_WITH_TIMEOUT(!form.spSkinStatusPanel1->text().isEmpty(), 10000);
        QTest::mouseClick(form.spSkinStatusPanel1, Qt::LeftButton);
        QCOMPARE(rig.web.browsers.size(), std::size_t{2});
    }

    void pageChoiceReachesTheChatWindowsMemo() {
        Rig rig;
        kv::TMainForm form(rig.services());
        QVERIFY(rig.web.sink != nullptr);
        QVERIFY(signIn(form));
        form.Conn().Msg = "H:1001:hello";
        form.DoMessage();
        kv::TSessionForm* w = form.FindSessionForm("1001");
        QVERIFY(w != nullptr);
        rig.web.sink(0, "1001:" + kv::cp949("^^ 안녕"));
        QCOMPARE(w->SendText->Cp949Text(), kv::cp949("^^ 안녕"));
        rig.web.sink(0, "9999:lost");  // no window for that port: nothing changes
        QCOMPARE(w->SendText->Cp949Text(), kv::cp949("^^ 안녕"));

        // The emoticon button: one window shared by the chat windows, titled and sized once.
        w->ImtBtn->click();
        w->ImtBtn->click();
        QCOMPARE(rig.web.windows.size(), std::size_t{1});
        const auto emoticons = rig.web.windows[0];
        QCOMPARE(emoticons->calls,
                 (Calls{"caption:" + kv::cp949("이모티콘 - 케스트로바네"), "size:550x430", "show",
                        "navigate:" + kRoot + "/messenger/zimo_msg.asp?usid=demo&port=1001", "show",
                        "navigate:" + kRoot + "/messenger/zimo_msg.asp?usid=demo&port=1001"}));
        form.Session().actLogoutExecute();  // the chat windows go, and the emoticon window
        QTRY_VERIFY_WITH_TIMEOUT(emoticons->destroyed, 5000);
    }

    void optionsFilledAndReadBackOnOk() {
        Rig rig;
        kv::TMainForm form(rig.services());
        kv::Settings& s = form.Fields();
        s.FAutorun = false;
        s.FAutoLogin = true;
        s.FAlram = false;
        s.FAlramFile = "Ding.wav";
        s.FAlramrepeat = false;
        whileModal([](QDialog& d) {
            auto& o = static_cast<kv::TOptionForm&>(d);
            QVERIFY(!o.autorun->isChecked());
            QVERIFY(o.autologin->isChecked());
            QVERIFY(!o.alram->isChecked());
            QVERIFY(!o.alrambtn->isEnabled());
            QCOMPARE(o.alramfile->text(), QStringLiteral("Ding.wav"));
            QVERIFY(!o.alramrepeat->isChecked());
            o.autorun->setChecked(true);
            o.autologin->setChecked(false);
            o.alram->setChecked(true);
            o.alramrepeat->setChecked(true);
            o.Button1->click();
        });
        form.actOption->trigger();
        QVERIFY(s.FAutorun && !s.FAutoLogin && s.FAlram && s.FAlramrepeat);
        QCOMPARE(s.FAlramFile, std::string("Ding.wav"));
        QCOMPARE(rig.player.url, kRoot + "/bell/Ding.wav");
        QCOMPARE(rig.player.playCount, 100);
        QVERIFY(!rig.player.autoStart);
    }

    void deliveredFileNameLandsAndOkKeepsIt() {
        Rig rig;
        kv::TMainForm form(rig.services());
        whileModal([&rig](QDialog& d) {
            auto& o = static_cast<kv::TOptionForm&>(d);
            o.alrambtn->click();  // the ring-tone page, whose choice comes back by copy-data
            QCOMPARE(rig.web.windows.size(), std::size_t{1});
            rig.web.sink(1, kv::cp949("새소리.wav"));
            QCOMPARE(o.alramfile->text(), QStringLiteral("새소리.wav"));
            o.Button1->click();
        });
        form.actOption->trigger();
        QCOMPARE(form.Fields().FAlramFile, kv::cp949("새소리.wav"));
        QVERIFY(rig.web.windows[0]->destroyed);  // closed with the dialog
        QCOMPARE(rig.player.url, kRoot + "/bell/" + kv::cp949("새소리.wav"));
        rig.web.sink(1, "Late.wav");  // no dialog: ignored
        QCOMPARE(form.Fields().FAlramFile, kv::cp949("새소리.wav"));
    }

    void cancelDiscardsTheFileNameAndThePreviewsSinglePlay() {
        Rig rig;
        kv::TMainForm form(rig.services());
        form.Fields().FAlramFile = "Alarm.wav";
        form.Fields().FAlramrepeat = true;
        int countWhileOpen = 0;
        whileModal([&](QDialog& d) {
            auto& o = static_cast<kv::TOptionForm&>(d);
            rig.web.sink(1, "Bird.wav");
            o.alramplay->click();
            countWhileOpen = rig.player.playCount;
            QCOMPARE(rig.player.url, kRoot + "/bell/Bird.wav");
            o.Button2->click();
        });
        form.actOption->trigger();
        QCOMPARE(countWhileOpen, 1);
        QCOMPARE(form.Fields().FAlramFile, std::string("Alarm.wav"));
        QCOMPARE(rig.player.url, kRoot + "/bell/Alarm.wav");
        QCOMPARE(rig.player.playCount, 100);
    }

    void aboutBoxShowsTheVersion() {
        Rig rig;
        kv::TMainForm form(rig.services());
        QString label;
        whileModal([&label](QDialog& d) {
            auto& a = static_cast<kv::TAboutForm&>(d);
            label = a.spSkinStdLabel1->text();
            a.spSkinButton1->click();
        });
        form.actAbout->trigger();
        QCOMPARE(label, QStringLiteral("케스트로바네 - 1.0.1.2"));
    }
};

QTEST_MAIN(ServicePagesTest)
#include "service_pages_test.moc"
