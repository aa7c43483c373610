#include "ui/contacts/UserAddUnit.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "core/base/cp949.h"
#include "core/connection/vane.h"
#include "core/posix/posix_line_socket.h"
#include "qt/qt_message_boxes.h"
#include "qt/qt_text.h"
#include "qt/qt_ui_thread.h"
#include "support/scripted_server.h"
#include "support/served_lines.h"

using namespace std::chrono_literals;
using kv::TUserAddForm;

namespace {

// A connection to the scripted server for the confirmations the dialog sends.
struct Rig {
    kv::test::ScriptedServer server;
    QObject uiOwner;
    std::unique_ptr<kv::TVANE> conn;
    int disconnects = 0;

    Rig() {
        conn =
            std::make_unique<kv::TVANE>(kv::QtUiThread::create(&uiOwner), kv::makePosixLineSocket);
        conn->Host = "127.0.0.1";
        conn->Port = server.port();
        conn->OnDisconnect = [this](kv::TVANE&) { ++disconnects; };
        if (!conn->Connect() || !server.accept())
            qFatal("no connection to the scripted server");
    }

    std::optional<std::string> nextLine() { return kv::test::nextLineServed(server); }
};

kv::UserAddValues pending(const char* number, const char* vt) {
    return {kv::cp949("한국"), "016", number, kv::cp949("철수"), vt};
}

// The next widget the Tab key stops at.
QWidget* nextTabStop(QWidget* w) {
    for (QWidget* next = w->nextInFocusChain(); next != w; next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isVisible() && next->isEnabled())
            return next;
    return w;
}

void typeInto(QWidget* w, const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(w, c.toLatin1());
}

}  // namespace

class UserAddFormTest : public QObject {
    Q_OBJECT
private slots:
    void addModeLayoutAndValues() {
        Rig rig;
        TUserAddForm form(*rig.conn);
        form.SetUpAdd();
        QCOMPARE(form.FMode, TUserAddForm::kAdd);
        QCOMPARE(form.windowTitle(), QStringLiteral("대화 상대 추가"));
        QCOMPARE(form.size(), QSize(395, 135));
        QCOMPARE(form.OkBtn->geometry(), QRect(232, 103, 75, 25));
        QCOMPARE(form.Button2->geometry(), QRect(312, 103, 75, 25));
        QCOMPARE(form.cbPreNum->count(), 6);
        QCOMPARE(form.cbPreNum->currentText(), QStringLiteral("010"));
        QCOMPARE(form.cbNation->currentText(), QStringLiteral("한국"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The check box in the virtual number's place.
        QVERIFY(form.cbSendMsg->isVisible() && form.cbSendMsg->isChecked());
        QVERIFY(!form.lbVtNumber->isVisible() && !form.edVtNumber->isVisible());
        QVERIFY(!form.info->isVisible());
        QVERIFY(form.OkBtn->isEnabled());
        QVERIFY(!form.DelayTimer->isActive());
        // Tab order: prefix, number, nickname, OK, cancel; the country is skipped.
        QCOMPARE(nextTabStop(form.cbPreNum), form.edNumber);
        QCOMPARE(nextTabStop(form.edNumber), form.edNickName);
        QCOMPARE(nextTabStop(form.edNickName), form.OkBtn);
        QCOMPARE(nextTabStop(form.OkBtn), form.Button2);
        QCOMPARE(nextTabStop(form.Button2), form.cbSendMsg);
        QCOMPARE(nextTabStop(form.cbSendMsg), form.cbPreNum);
        // Each box is named by its label.
        QCOMPARE(form.edNumber->accessibleName(), QStringLiteral("핸드폰 번호 ('-' 없음) "));
        QCOMPARE(form.cbPreNum->accessibleName(), QStringLiteral("핸드폰 번호 ('-' 없음) "));
        QCOMPARE(form.edNickName->accessibleName(), QStringLiteral("핸드폰 사용자 닉네임"));
        QCOMPARE(form.edVtNumber->accessibleName(), QStringLiteral("핸드폰 사용자 가상번호"));

        form.cbPreNum->setCurrentIndex(3);
        form.edNumber->setText(QStringLiteral("1234"));
        form.edNickName->setText(QStringLiteral("철수"));
        const kv::UserAddValues v = form.Values();
        QCOMPARE(v.Nation, kv::cp949("한국"));
        QCOMPARE(v.PreNum, std::string("017"));
        QCOMPARE(v.Number, std::string("1234"));
        QCOMPARE(v.NickName, kv::cp949("철수"));
        QCOMPARE(v.VtNumber, std::string());
        form.OkBtn->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(rig.server.expectSilence(50ms));
    }

    void numberBoxTakesEightDigitsOnly() {
        Rig rig;
        TUserAddForm form(*rig.conn);
        form.show();
        form.edNumber->setFocus();
        typeInto(form.edNumber, QStringLiteral("12a- 3b"));
        QCOMPARE(form.edNumber->text(), QStringLiteral("123"));
        QTest::keyClick(form.edNumber, Qt::Key_Backspace);
        QCOMPARE(form.edNumber->text(), QStringLiteral("12"));
        typeInto(form.edNumber, QStringLiteral("3456789"));
        QCOMPARE(form.edNumber->text(), QStringLiteral("12345678"));
        // Pasted text with anything but digits is refused whole.
        form.edNumber->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("010-1234"));
        form.edNumber->paste();
        QCOMPARE(form.edNumber->text(), QString());
        QGuiApplication::clipboard()->setText(QStringLiteral("5678"));
        form.edNumber->paste();
        QCOMPARE(form.edNumber->text(), QStringLiteral("5678"));
    }

    void nicknameRefusesSeparatorsAndComposesHangul() {
        Rig rig;
        TUserAddForm form(*rig.conn);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLineEdit* nick = form.edNickName;
        nick->setFocus();
        // Composition through an input method: shown while composing, taken when committed.
        QInputMethodEvent composing(QStringLiteral("ㅊ"), {});
        QCoreApplication::sendEvent(nick, &composing);
        QCOMPARE(nick->text(), QString());
        QInputMethodEvent composing2(QStringLiteral("철"), {});
        QCoreApplication::sendEvent(nick, &composing2);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("철"));
        QCoreApplication::sendEvent(nick, &commit);
        QCOMPARE(nick->text(), QStringLiteral("철"));
        // A committed text holding a separator is refused, as are typed ones.
        QInputMethodEvent commitComma;
        commitComma.setCommitString(QStringLiteral("수,"));
        QCoreApplication::sendEvent(nick, &commitComma);
        QCOMPARE(nick->text(), QStringLiteral("철"));
        typeInto(nick, QStringLiteral(",/:s"));
        QCOMPARE(nick->text(), QStringLiteral("철s"));
        // So is a paste holding one; a character CP949 cannot hold as well.
        QGuiApplication::clipboard()->setText(QStringLiteral("a/b"));
        nick->paste();
        QGuiApplication::clipboard()->setText(QStringLiteral("😀"));
        nick->paste();
        QCOMPARE(nick->text(), QStringLiteral("철s"));
        QGuiApplication::clipboard()->setText(QStringLiteral("수"));
        nick->paste();
        QCOMPARE(nick->text(), QStringLiteral("철s수"));
    }

    void refusalIsToldAboutOnlyForTheMembersEdits() {
        QLineEdit edit;
        QStringList told;
        edit.setValidator(new kv::RefusingValidator(
            &edit, [](QChar c) { return c != QLatin1Char('/'); },
            [&](const QString& text) { told << text; }));
        // The program's own text is kept, and the member may edit around it.
        edit.setText(QStringLiteral("a/b"));
        QCOMPARE(edit.text(), QStringLiteral("a/b"));
        edit.show();
        edit.setCursorPosition(3);
        QTest::keyClick(&edit, 'c');
        QCOMPARE(edit.text(), QStringLiteral("a/bc"));
        QVERIFY(told.isEmpty());
        QTest::keyClick(&edit, '/');
        QCOMPARE(edit.text(), QStringLiteral("a/bc"));
        QCOMPARE(told, QStringList({"a/bc/"}));
    }

    void inputBoxRefusesTheNamedCharacters() {
        kv::QtMessageBoxes boxes;
        const kv::MessageBoxes::Refusal refusal{"/,", kv::cp949("no separators")};
        boxes.OnInputShown = [](QInputDialog& d) {
            auto* edit = d.findChild<QLineEdit*>();
            QVERIFY(edit);
            QCOMPARE(edit->text(), QStringLiteral("새 그룹"));
            edit->clear();
            typeInto(edit, QStringLiteral("a/b,c"));
            QGuiApplication::clipboard()->setText(QStringLiteral("x/y"));
            edit->paste();
            d.accept();
        };
        QCOMPARE(boxes.Input("t", "p", kv::cp949("새 그룹"), refusal),
                 std::optional<std::string>("abc"));
        // A value given with such a character is handed back as it is, for the caller to judge.
        boxes.OnInputShown = [](QInputDialog& d) { d.accept(); };
        QCOMPARE(boxes.Input("t", "p", "a,b", refusal), std::optional<std::string>("a,b"));
        boxes.OnInputShown = [](QInputDialog& d) { d.reject(); };
        QCOMPARE(boxes.Input("t", "p", "a", refusal), std::optional<std::string>());
    }

    void confirmModeWaitsFiveSecondsThenSendsItsOwnValues() {
        Rig rig;
        // Two confirmations open at once, each with its own values.
        QPointer<TUserAddForm> first = new TUserAddForm(*rig.conn);
        QPointer<TUserAddForm> second = new TUserAddForm(*rig.conn);
        for (TUserAddForm* f : {first.data(), second.data()})
            f->setAttribute(Qt::WA_DeleteOnClose);
        first->SetUpConfirm(pending("1111", "0505111"));
        second->SetUpConfirm(pending("2222", "0505222"));
        QCOMPARE(first->FMode, TUserAddForm::kConfirm);
        QCOMPARE(first->windowTitle(), QStringLiteral("대화 상대 추가 확인"));
        first->show();
        second->show();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        // The window grows (to 250 pixels outside with the original font) so that the text
        // shows between the line and the buttons, which keep their distance to the edges.
        QVERIFY(first->height() >= 223);
        QCOMPARE(first->OkBtn->geometry(), QRect(232, first->height() - 32, 75, 25));
        QVERIFY(first->info->isVisible());
        QVERIFY(first->info->geometry().bottom() < first->OkBtn->geometry().top());
        QVERIFY(first->info->text().startsWith(QStringLiteral("신규등록 확인메세지를")));
        QCOMPARE(first->info->text().split('\n').size(), 6);
        QVERIFY(first->edVtNumber->isVisible() && !first->cbSendMsg->isVisible());
        QCOMPARE(first->cbPreNum->currentText(), QStringLiteral("016"));
        QVERIFY(!first->cbPreNum->isEnabled() && !first->cbNation->isEnabled());
        QVERIFY(first->edNumber->isReadOnly() && first->edNickName->isReadOnly());

        // OK is disabled until the timer fires once, after 5 seconds; clicking does nothing.
        QVERIFY(!first->OkBtn->isEnabled());
        QVERIFY(first->DelayTimer->isActive());
        QCOMPARE(first->DelayTimer->interval(), 5000);
        QTest::mouseClick(first->OkBtn, Qt::LeftButton);
        QVERIFY(first);
        QVERIFY(rig.server.expectSilence(50ms));
        first->DelayTimer->stop();
        first->DelayTimerTimer();  // as the timer fires
        QVERIFY(first->OkBtn->isEnabled());
        QVERIFY(!first->DelayTimer->isActive());

        second->DelayTimerTimer();
        second->OkBtn->click();
        QCOMPARE(rig.nextLine(), std::optional<std::string>("UK:0162222,0505222"));
        QTRY_VERIFY(second.isNull());
        first->OkBtn->click();
        QCOMPARE(rig.nextLine(), std::optional<std::string>("UK:0161111,0505111"));
        QTRY_VERIFY(first.isNull());
        QCOMPARE(rig.conn->State(), kv::ConnectionState::SigningIn);
    }

    void closingAConfirmationSendsNothing() {
        Rig rig;
        for (int way = 0; way < 2; ++way) {
            QPointer<TUserAddForm> form = new TUserAddForm(*rig.conn);
            form->setAttribute(Qt::WA_DeleteOnClose);
            form->SetUpConfirm(pending("1111", "0505111"));
            form->show();
            QVERIFY(QTest::qWaitForWindowExposed(form));
            // Cancel can be pressed at once.
            QVERIFY(form->Button2->isEnabled());
            if (way == 0)
                form->close();  // the close box
            else
                form->Button2->click();
            QTRY_VERIFY(form.isNull());
        }
        QVERIFY(rig.server.expectSilence(100ms));
    }

    void failedConfirmationDisconnectsAndStillCloses() {
        Rig rig;
        rig.server.close();
        QPointer<TUserAddForm> form = new TUserAddForm(*rig.conn);
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->SetUpConfirm(pending("1111", "0505111"));
        form->show();
        QTRY_COMPARE(rig.conn->State(),
                     kv::ConnectionState::Closed);  // the receive thread saw the close
        form->DelayTimerTimer();
        form->OkBtn->click();
        QTRY_VERIFY(form.isNull());
        QVERIFY(rig.disconnects >= 1);
    }

    void detailsRoundTrip() {
        Rig rig;
        kv::ABuddy partner;
        partner.NickName = kv::cp949("엄마");
        partner.Phone = "01012345678";
        partner.VtNumber = "0505123";
        TUserAddForm form(*rig.conn);
        form.SetUpDetails(partner);
        QCOMPARE(form.FMode, TUserAddForm::kDetails);
        QCOMPARE(form.windowTitle(), QStringLiteral("대화 상대 등록정보"));
        QCOMPARE(form.cbPreNum->currentText(), QStringLiteral("010"));
        QCOMPARE(form.edNumber->text(), QStringLiteral("12345678"));
        QCOMPARE(form.edVtNumber->text(), QStringLiteral("0505123"));
        QVERIFY(form.cbPreNum->isEnabled() && !form.edNumber->isReadOnly());
        kv::UserAddValues v = form.Values();
        QCOMPARE(v.PreNum + v.Number, partner.Phone);
        QCOMPARE(v.NickName, partner.NickName);

        // A number with none of the prefixes is shown whole, and a long one is not cut to the
        // box's eight digits: either comes back unshortened.
        for (const char* phone : {"07012345678", "0212345678901", "12", "010123456789"}) {
            partner.Phone = phone;
            TUserAddForm odd(*rig.conn);
            odd.SetUpDetails(partner);
            v = odd.Values();
            QCOMPARE(v.PreNum + v.Number, std::string(phone));
            if (!std::string_view(phone).starts_with("010")) {
                QCOMPARE(odd.cbPreNum->currentIndex(), -1);
                QCOMPARE(odd.edNumber->text(), QString::fromLatin1(phone));
            }
        }
    }
};

QTEST_MAIN(UserAddFormTest)
#include "user_add_form_test.moc"
