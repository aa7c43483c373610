#include "ui/dialogs/LoginUnit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

#include "qt/application.h"
#include "qt/widgets/link_label.h"
#include "support/fake_shell.h"

using kv::TLogin;

class LoginDialogTest : public QObject {
    Q_OBJECT

    // Fills the dialog as the login command does, field by field.
    static void fill(TLogin& d, bool autoLogin, const QString& id, bool save, const QString& pw) {
        d.AutoLogin->setChecked(autoLogin);
        d.Userid->setText(id);
        d.savepassword->setChecked(save);
        if (save)
            d.Password->setText(pw);
    }

private slots:
    void layoutAndCaptions() {
        kv::test::FakeShell shell;
        TLogin d(shell, "http://web");
        QCOMPARE(d.windowTitle(), QStringLiteral("케스트로바네 로그인"));
        QCOMPARE(d.size(), QSize(290, 143));
        QCOMPARE(d.Userid->geometry(), QRect(96, 12, 185, 20));
        QCOMPARE(d.Password->geometry(), QRect(96, 40, 185, 20));
        QCOMPARE(d.btnOK->text(), QStringLiteral("확인"));
        QCOMPARE(d.Button2->text(), QStringLiteral("취소"));
        QCOMPARE(d.Password->echoMode(), QLineEdit::Password);
        QCOMPARE(d.Password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter), int('*'));
        QCOMPARE(d.Userid->maxLength(), 32767);  // no limit of its own
        // Tab order: id, password, auto-login, save-password, OK, Cancel.
        auto nextTab = [](QWidget* w) {
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
            return w;
        };
        QCOMPARE(nextTab(d.Userid), static_cast<QWidget*>(d.Password));
        QCOMPARE(nextTab(d.Password), static_cast<QWidget*>(d.AutoLogin));
        QCOMPARE(nextTab(d.AutoLogin), static_cast<QWidget*>(d.savepassword));
        QCOMPARE(nextTab(d.savepassword), static_cast<QWidget*>(d.btnOK));
        QCOMPARE(nextTab(d.btnOK), static_cast<QWidget*>(d.Button2));
    }

    void savedCredentialsFocusThePasswordAndEnableTheBoxes() {
        kv::test::FakeShell shell;
        TLogin d(shell, "http://web");
        fill(d, true, QStringLiteral("demo"), true, QStringLiteral("pw1"));
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(d.Password));
        QVERIFY(d.AutoLogin->isEnabled());
        QVERIFY(d.savepassword->isEnabled());
        QVERIFY(d.AutoLogin->isChecked());
        QVERIFY(d.savepassword->isChecked());
    }

    void noSavedPasswordDisablesUntilTheThirdByte() {
        kv::test::FakeShell shell;
        TLogin d(shell, "http://web");
        fill(d, false, QStringLiteral("demo"), false, {});
        d.show();
        QVERIFY(!d.AutoLogin->isEnabled());
        QVERIFY(!d.savepassword->isEnabled());
        QTest::keyClicks(d.Password, QStringLiteral("ab"));
        QVERIFY(!d.AutoLogin->isEnabled());
        QTest::keyClicks(d.Password, QStringLiteral("c"));
        QVERIFY(d.AutoLogin->isEnabled());
        QVERIFY(d.savepassword->isEnabled());
    }

    void shorteningThePasswordUnchecksShorteningTheIdKeepsMarks() {
        kv::test::FakeShell shell;
        TLogin d(shell, "http://web");
        fill(d, true, QStringLiteral("demo"), true, QStringLiteral("pass"));
        d.show();
        d.Userid->setText(QStringLiteral("de"));
        QVERIFY(!d.AutoLogin->isEnabled());
        QVERIFY(!d.savepassword->isEnabled());
        QVERIFY(d.AutoLogin->isChecked());
        QVERIFY(d.savepassword->isChecked());

        d.Userid->setText(QStringLiteral("demo"));
        QVERIFY(d.AutoLogin->isEnabled());
        d.Password->setText(QStringLiteral("pa"));
        QVERIFY(!d.AutoLogin->isEnabled());
        QVERIFY(!d.savepassword->isEnabled());
        QVERIFY(!d.AutoLogin->isChecked());
        QVERIFY(!d.savepassword->isChecked());
    }

    void autoLoginChecksSavePasswordAndUncheckingLeavesIt() {
        kv::test::FakeShell shell;
        TLogin d(shell, "http://web");
        fill(d, false, QStringLiteral("demo"), false, {});
        d.Password->setText(QStringLiteral("pass"));
        d.AutoLogin->setChecked(true);
        QVERIFY(d.savepassword->isChecked());
        d.AutoLogin->setChecked(false);
        QVERIFY(d.savepassword->isChecked());
        QVERIFY(d.savepassword->isEnabled());
    }

    void koreanCountsTwoBytesPerSyllable() {
        QVERIFY(TLogin::LongEnough(QStringLiteral("홍a")));  // 3 bytes
        QVERIFY(!TLogin::LongEnough(QStringLiteral("홍")));
        QVERIFY(!TLogin::LongEnough(QStringLiteral("ab")));
        QVERIFY(TLogin::LongEnough(QStringLiteral("abc")));
    }

    void charactersCp949CannotHoldAreRefused() {
        kv::test::FakeShell shell;
        TLogin d(shell, "http://web");
        d.show();
        auto type = [&](const QString& text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
            QApplication::sendEvent(d.Userid, &press);
        };
        type(QStringLiteral("a"));
        type(QString::fromUtf8("\xF0\x9F\x98\x80"));  // an emoji
        type(QStringLiteral("b"));
        QCOMPARE(d.Userid->text(), QStringLiteral("ab"));
    }

    void enterSubmitsOnlyFromThePasswordAndEscapeDoesNothing() {
        kv::test::FakeShell shell;
        TLogin d(shell, "http://web");
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QTest::keyClick(d.Userid, Qt::Key_Return);
        QVERIFY(d.isVisible());
        QTest::keyClick(&d, Qt::Key_Escape);
        QVERIFY(d.isVisible());
        QTest::keyClick(d.Password, Qt::Key_Return);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }

    void linksOpenTheServicePagesAndKeepTheDialog() {
        kv::test::FakeShell shell;
        TLogin d(shell, "http://web.test");
        d.show();
        QTest::mouseClick(d.NewMember, Qt::LeftButton);
        QTest::mouseClick(d.FindMember, Qt::LeftButton);
        QCOMPARE(shell.opened, (std::vector<std::string>{"http://web.test/zuserform.asp",
                                                         "http://web.test/zuserchk.asp"}));
        QVERIFY(d.isVisible());
    }
};

QTEST_MAIN(LoginDialogTest)
#include "login_dialog_test.moc"
