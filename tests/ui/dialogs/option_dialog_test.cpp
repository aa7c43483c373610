// The options dialog on its own (layout, tab order, enabling, preview, stop, the ring-tone
// window) and the about box, offscreen, over fakes.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "core/base/cp949.h"
#include "qt/native_window.h"
#include "qt/widgets/link_label.h"
#include "support/fake_media_player.h"
#include "support/fake_message_boxes.h"
#include "support/fake_shell.h"
#include "support/fake_web_browsers.h"
#include "ui/dialogs/AbountUnit.h"
#include "ui/dialogs/OptionUnit.h"

namespace {

const std::string kRoot = "http://127.0.0.1:8080";

struct Rig {
    kv::test::FakeMediaPlayer player;
    kv::test::FakeMessageBoxes boxes;
    kv::test::FakeWebBrowsers web;

    kv::OptionServices services(kv::MediaPlayer* p) {
        return {p, &boxes, &web, kRoot, kv::cp949("김&철수")};
    }
};

}  // namespace

class OptionDialogTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAndTabOrder() {
        Rig rig;
        kv::TOptionForm form(rig.services(&rig.player));
        QCOMPARE(form.windowTitle(), QStringLiteral("옵션"));
        QCOMPARE(form.size(), QSize(391, 236));
        QCOMPARE(form.alramfile->text(), QStringLiteral("Alarm.wav"));
        QVERIFY(form.alramfile->isReadOnly());
        QCOMPARE(form.alramfile->parentWidget(), form.GroupBox2);
        QCOMPARE(form.autorun->parentWidget(), form.GroupBox1);
        QCOMPARE(form.alrambtn->geometry(), QRect(238, 46, 51, 25));
        QCOMPARE(form.Button1->geometry(), QRect(223, 207, 75, 25));
        QCOMPARE(form.Button1->text(), QStringLiteral("확인"));
        QCOMPARE(form.Button2->text(), QStringLiteral("취소"));
        QCOMPARE(form.alrambtn->text(), QStringLiteral("변경(&C)"));
        QCOMPARE(form.Button3->text(), QStringLiteral("S&top"));

        const QList<QWidget*> expected = {
            form.autorun,     form.autologin, form.Button1,  form.Button2,   form.alram,
            form.alramrepeat, form.alramfile, form.alrambtn, form.alramplay, form.Button3};
        QList<QWidget*> chain;
        QWidget* w = form.autorun;
        for (int i = 0; i < expected.size(); ++i) {
            chain << w;
            do
                w = w->nextInFocusChain();
            while (!expected.contains(w) && w != form.autorun);
        }
        QCOMPARE(chain, expected);
    }

    void alarmControlsFollowTheAlarmBox() {
        Rig rig;
        kv::TOptionForm form(rig.services(&rig.player));
        form.alram->setChecked(false);
        form.show();  // the enabling follows the filled value on showing
        for (QWidget* w :
             {static_cast<QWidget*>(form.alramfile), static_cast<QWidget*>(form.alramrepeat),
              static_cast<QWidget*>(form.alramplay), static_cast<QWidget*>(form.alrambtn)})
            QVERIFY(!w->isEnabled());
        QVERIFY(form.Button3->isEnabled());
        QTest::mouseClick(form.alram, Qt::LeftButton);
        QVERIFY(form.alram->isChecked());
        QVERIFY(form.alramfile->isEnabled() && form.alramrepeat->isEnabled() &&
                form.alramplay->isEnabled() && form.alrambtn->isEnabled());
        QTest::mouseClick(form.alram, Qt::LeftButton);
        QVERIFY(!form.alramplay->isEnabled() && !form.alrambtn->isEnabled());
        QVERIFY(form.Button3->isEnabled());
    }

    void previewPlaysOnceFromTheBellFolderAndStopStops() {
        Rig rig;
        kv::TOptionForm form(rig.services(&rig.player));
        form.alram->setChecked(true);
        form.alramrepeat->setChecked(true);
        form.alramfile->setText(QStringLiteral("딩동.wav"));
        form.show();
        rig.player.calls.clear();
        form.alramplay->click();
        QCOMPARE(rig.player.calls, (std::vector<std::string>{"playCount", "url", "play"}));
        QCOMPARE(rig.player.playCount, 1);
        QCOMPARE(rig.player.url, kRoot + "/bell/" + kv::cp949("딩동.wav"));
        QVERIFY(rig.boxes.shown.empty());
        form.Button3->click();
        QCOMPARE(rig.player.stops, 1);
    }

    void previewFailureGivesOneErrorBoxAndTheDialogStays() {
        Rig rig;
        rig.player.failing = true;
        kv::TOptionForm form(rig.services(&rig.player));
        form.alram->setChecked(true);
        form.show();
        form.alramplay->click();
        QCOMPARE(rig.player.calls.size(), std::size_t{1});  // the first step failed
        QCOMPARE(rig.boxes.shown.size(), std::size_t{1});
        QCOMPARE(rig.boxes.shown[0].text,
                 kv::cp949("윈도우 미디어 플레이어 9.0 이상을 설치 하십시오"));
        QCOMPARE(rig.boxes.shown[0].icon, kv::MessageBoxes::Icon::Error);
        QVERIFY(form.isVisible());

        kv::TOptionForm noPlayer(rig.services(nullptr));
        noPlayer.alramplay->click();
        QCOMPARE(rig.boxes.shown.size(), std::size_t{2});
    }

    void ringToneWindowReusedAndClosedWithTheDialog() {
        Rig rig;
        kv::TOptionForm form(rig.services(&rig.player));
        form.alram->setChecked(true);
        form.show();
        form.alrambtn->click();
        form.alrambtn->click();
        QCOMPARE(rig.web.windows.size(), std::size_t{1});
        const auto& log = *rig.web.windows[0];
        QVERIFY(log.owner != 0);
        QCOMPARE(log.owner, kv::NativeWindowOf(&form));
        const std::string url = kRoot + "/messenger/zoption_msg.asp?usid=" + kv::cp949("김&철수");
        const std::vector<std::string> once = {"caption:" + kv::cp949("도착음 - 케스트로바네"),
                                               "size:550x430", "show", "navigate:" + url};
        std::vector<std::string> twice = once;
        twice.insert(twice.end(), once.begin(), once.end());
        QCOMPARE(log.calls, twice);
        QVERIFY(form.BellWebForm != nullptr);

        form.reject();
        QCOMPARE(log.calls.back(), std::string("close"));
        QVERIFY(log.destroyed);
        QVERIFY(form.BellWebForm == nullptr);
    }

    void okAndCancelResults() {
        Rig rig;
        kv::TOptionForm form(rig.services(&rig.player));
        form.show();
        form.Button1->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        form.show();
        form.Button2->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }

    void aboutBoxLayoutAndLogoLink() {
        kv::test::FakeShell shell;
        kv::TAboutForm about(shell, kRoot);
        QCOMPARE(about.windowTitle(), QStringLiteral("케스트로바네에 대하여..."));
        QCOMPARE(about.size(), QSize(347, 197));
        QVERIFY(!(about.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(about.spSkinStdLabel3->text(), QStringLiteral("Kestrovane Messenger"));
        QCOMPARE(about.spSkinStdLabel1->text(), QStringLiteral("케스트로바네 - 1.0.1.2"));
        QVERIFY(!about.spSkinStdLabel2->text().isEmpty());
        QCOMPARE(about.spSkinButton1->geometry(), QRect(136, 160, 75, 25));
        QVERIFY(!about.spSkinLinkImage1->pixmap().isNull());
        about.show();
        QTest::mouseClick(about.spSkinLinkImage1, Qt::LeftButton);
        QCOMPARE(shell.opened, std::vector<std::string>{kRoot});
        QVERIFY(about.isVisible());  // the box stays open
        about.spSkinButton1->click();
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(OptionDialogTest)
#include "option_dialog_test.moc"
