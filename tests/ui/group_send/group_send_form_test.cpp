#include "ui/group_send/GroupSendUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "core/base/cp949.h"
#include "core/connection/vane.h"
#include "core/contacts/contact_tree.h"
#include "core/posix/posix_line_socket.h"
#include "core/service/service_addresses.h"
#include "qt/native_window.h"
#include "qt/qt_ui_thread.h"
#include "qt/widgets/send_memo.h"
#include "support/fake_line_socket.h"
#include "support/fake_message_boxes.h"
#include "support/fake_web_browsers.h"
#include "support/scripted_server.h"
#include "support/typing.h"

using namespace std::chrono_literals;
using kv::TGroupSend;
using Result = kv::MessageBoxes::Result;

using kv::test::type;

namespace {

// A dialog on a signed-in connection to the scripted server (writes can be made to fail),
// filled from a tree of two groups and three partners, its clock at 5 March 2026 14:55.
struct Rig {
    kv::test::FakeMessageBoxes boxes;
    kv::test::FakeWebBrowsers web;
    kv::test::ScriptedServer server;
    std::shared_ptr<std::atomic<bool>> failWrites = std::make_shared<std::atomic<bool>>(false);
    QObject uiOwner;
    std::unique_ptr<kv::TVANE> conn;
    kv::ContactTree tree;
    QDateTime now{QDate(2026, 3, 5), QTime(14, 55)};
    std::unique_ptr<TGroupSend> form;

    explicit Rig(bool signedIn = true) {
        conn = std::make_unique<kv::TVANE>(kv::QtUiThread::create(&uiOwner), [this] {
            return std::make_shared<kv::test::FailingWriteSocket>(failWrites);
        });
        conn->Host = "127.0.0.1";
        conn->Port = server.port();
        conn->Userid = "demo";
        conn->CashCount = 25;
        if (signedIn) {
            if (!conn->Connect() || !server.accept())
                qFatal("no connection to the scripted server");
            conn->SetState(kv::ConnectionState::SignedIn);
        }
        auto addPartner = [this](kv::ContactNode* group, const char* nick, const char* port) {
            auto b = std::make_unique<kv::ABuddy>();
            b->NickName = kv::cp949(nick);
            b->UserPort = port;
            b->Phone = "01000000000";
            kv::ContactNode* n = tree.AddChild(group, b->NickName, 0);
            tree.SetData(n, std::make_unique<kv::ANodeData>(std::move(b)));
        };
        kv::ContactNode* family = tree.AddRoot(kv::cp949("가족"), 0);
        tree.SetData(family, std::make_unique<kv::ANodeData>(std::make_unique<kv::AGroup>()));
        addPartner(family, "엄마", "1001");
        addPartner(family, "아빠", "1002");
        kv::ContactNode* friends = tree.AddRoot(kv::cp949("친구"), 0);
        tree.SetData(friends, std::make_unique<kv::ANodeData>(std::make_unique<kv::AGroup>()));
        addPartner(friends, "민수", "1003");

        form = std::make_unique<TGroupSend>(
            kv::GroupSendServices{conn.get(), &boxes, &web, [this] { return now; }});
        form->FillContacts(tree);
        form->show();
        form->FormActivate();
    }

    std::vector<std::string> contacts() const { return shown(form->Lists().Contacts()); }
    std::vector<std::string> recipients() const { return shown(form->Lists().Recipients()); }
    static std::vector<std::string> shown(const std::vector<kv::RecipientLists::Entry>& list) {
        std::vector<std::string> out;
        for (const auto& e : list)
            out.push_back(kv::cp949ToUtf8(e->NickName));
        return out;
    }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& b : boxes.shown)
            out.push_back(kv::cp949ToUtf8(b.text));
        return out;
    }
    void select(QListView* list, std::initializer_list<int> rows) {
        list->clearSelection();
        for (int r : rows)
            list->selectionModel()->select(list->model()->index(r, 0), QItemSelectionModel::Select);
    }
    void typeNumber(QLineEdit* box, const QString& digits) {
        box->clear();
        QTest::keyClicks(box, digits);
    }
    // A ready send: all three partners as recipients and a text.
    void ready(const QString& text = QStringLiteral("hi")) {
        form->Button1Click();
        form->SendText->setPlainText(text);
    }
};

QStringList listTexts(QListView* list) {
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        out << list->model()->index(r, 0).data().toString();
    return out;
}

}  // namespace

class GroupSendFormTest : public QObject {
    Q_OBJECT
private slots:
    void layoutCaptionsAndAccessibleNames() {
        Rig rig;
        TGroupSend& f = *rig.form;
        QCOMPARE(f.windowTitle(), QStringLiteral("그룹 전송"));
        QCOMPARE(f.size(), QSize(652, 333));
        QCOMPARE(f.GroupBox1->title(), QStringLiteral("대화 상대"));
        QCOMPARE(f.GroupBox2->title(), QStringLiteral("보내는 사람"));
        QCOMPARE(f.GroupBox3->title(), QStringLiteral("예약 전송"));
        QCOMPARE(f.SendBtn->text(), QStringLiteral("예약(즉시) 전송(&S)"));
        QCOMPARE(f.SendBtn->geometry(), QRect(528, 200, 121, 81));
        QCOMPARE(f.SendText->geometry(), QRect(344, 200, 177, 81));
        QCOMPARE(f.Button5->geometry(), QRect(552, 304, 97, 25));
        QCOMPARE(f.ReservedMsg->mapTo(&f, QPoint(0, 0)), QPoint(544, 128));
        QCOMPARE(f.SendLeft->geometry().right() + 1, 521);
        QVERIFY(f.SendLeft->alignment() & Qt::AlignRight);
        QCOMPARE(f.SendTime->count(), 24);
        QCOMPARE(f.SendTime->itemText(23), QStringLiteral("23"));
        QCOMPARE(f.SendMin->maximum(), 59);
        QCOMPARE(f.lbxUserList->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(f.lbxSendList->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(f.edPhone->maxLength(), 11);
        QVERIFY(!f.edPhone->testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(!f.edSendPhone->isEnabled());
        QCOMPARE(f.edPhone->accessibleName(), QStringLiteral("받는 사람 번호"));
        QCOMPARE(f.edSendPhone->accessibleName(), QStringLiteral("보내는 번호"));
        QCOMPARE(f.lbxUserList->accessibleName(), QStringLiteral("대화 상대"));
        QCOMPARE(f.lbxSendList->accessibleName(), QStringLiteral("받는 사람"));
        QVERIFY(!f.SendText->accessibleName().isEmpty());
        QCOMPARE(f.SendLeft->text(), QStringLiteral("80자 남음"));
        QCOMPARE(f.RecipientInfo->text(), QStringLiteral("받는 사람 0명 · 현재 충전 건수 25건"));
    }

    void fillsPartnersInTreeOrderWithCopiesOfTheirRecords() {
        Rig rig;
        QCOMPARE(
            listTexts(rig.form->lbxUserList),
            QStringList({QStringLiteral("엄마"), QStringLiteral("아빠"), QStringLiteral("민수")}));
        const kv::ABuddy* inTree = rig.tree.Item(1)->Data()->Buddy();
        const kv::ABuddy* inList = rig.form->Lists().Contacts()[0].get();
        QVERIFY(inTree != inList);
        QCOMPARE(inList->UserPort, std::string("1001"));
        QCOMPARE(inList->GroupId, kv::kContactEntry);
    }

    void openingSetsTheReservedTimeAndLaterActivationsKeepTheMembersChoice() {
        Rig rig;
        TGroupSend& f = *rig.form;
        QCOMPARE(f.SendDate->date(), QDate(2026, 3, 5));
        QCOMPARE(f.SendTime->currentText(), QStringLiteral("14"));
        QCOMPARE(f.SendMin->value(), 59);
        QVERIFY(f.SendRes->isChecked());
        QCOMPARE(f.lbxUserList->selectionModel()->selectedIndexes().size(), 3);

        // The member sends immediately at another minute, then a message box comes and goes.
        f.SendRes->click();
        QVERIFY(!f.SendDate->isEnabled() && !f.SendTime->isEnabled() && !f.SendMin->isEnabled());
        f.SendMin->setValue(30);
        rig.select(f.lbxUserList, {1});
        rig.now = rig.now.addSecs(600);
        f.FormActivate();
        QVERIFY(!f.SendRes->isChecked());
        QCOMPARE(f.SendMin->value(), 30);
        QCOMPARE(f.lbxUserList->selectionModel()->selectedIndexes().size(), 1);
        f.SendRes->click();
        QVERIFY(f.SendDate->isEnabled() && f.SendTime->isEnabled() && f.SendMin->isEnabled());
    }

    void realActivationSetsTheDefaults() {
        kv::test::FakeMessageBoxes boxes;
        QObject uiOwner;
        kv::TVANE conn(kv::QtUiThread::create(&uiOwner), kv::makePosixLineSocket);
        TGroupSend f(
            {&conn, &boxes, nullptr, [] { return QDateTime(QDate(2030, 1, 2), QTime(0, 3)); }});
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTRY_COMPARE(f.SendMin->value(), 13);
        QCOMPARE(f.SendDate->date(), QDate(2030, 1, 2));
        QCOMPARE(f.SendTime->currentText(), QStringLiteral("0"));
    }

    void movesEntriesBothWaysAndUpdatesTheRecipientLine() {
        Rig rig;
        TGroupSend& f = *rig.form;
        rig.select(f.lbxUserList, {2, 0});
        f.Button1->click();
        QCOMPARE(rig.recipients(), (std::vector<std::string>{"엄마", "민수"}));
        QCOMPARE(rig.contacts(), (std::vector<std::string>{"아빠"}));
        QCOMPARE(listTexts(f.lbxSendList),
                 QStringList({QStringLiteral("엄마"), QStringLiteral("민수")}));
        QCOMPARE(f.RecipientInfo->text(), QStringLiteral("받는 사람 2명 · 현재 충전 건수 25건"));
        rig.select(f.lbxSendList, {0});
        f.Button2->click();
        QCOMPARE(rig.contacts(), (std::vector<std::string>{"아빠", "엄마"}));
        QCOMPARE(f.RecipientInfo->text(), QStringLiteral("받는 사람 1명 · 현재 충전 건수 25건"));
    }

    void addingTypedNumbers() {
        Rig rig;
        TGroupSend& f = *rig.form;
        rig.typeNumber(f.edPhone, QStringLiteral("020123456"));
        QCOMPARE(f.edPhone->text(), QStringLiteral("020123456"));
        f.Button4->click();
        QCOMPARE(rig.boxTexts(), std::vector<std::string>{"핸드폰 번호 오류"});
        QCOMPARE(rig.boxes.shown.back().icon, kv::MessageBoxes::Icon::Error);
        QVERIFY(rig.recipients().empty());
        QVERIFY(!f.edSendPhone->isEnabled());

        rig.typeNumber(f.edPhone, QStringLiteral("01099998888"));
        rig.boxes.onShow = [&] { QVERIFY(f.edPhone->text().isEmpty()); };
        f.Button4->click();
        QCOMPARE(rig.recipients(), std::vector<std::string>{"01099998888"});
        QCOMPARE(rig.boxTexts().back(), std::string("보내는 핸드폰 번호를 입력해 주십시오"));
        QVERIFY(f.edSendPhone->isEnabled());
        QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.edSendPhone));

        // The same number again, from either list: nothing happens and nothing is said.
        rig.boxes.onShow = nullptr;
        const std::size_t boxes = rig.boxes.shown.size();
        rig.typeNumber(f.edPhone, QStringLiteral("01099998888"));
        f.Button4->click();
        rig.select(f.lbxSendList, {0});
        f.Button2->click();
        rig.typeNumber(f.edPhone, QStringLiteral("01099998888"));
        f.Button4->click();
        QCOMPARE(rig.boxes.shown.size(), boxes);
        QCOMPARE(rig.contacts().size(), std::size_t(4));
        QVERIFY(rig.recipients().empty());

        // With a sender entered, adding says nothing.
        rig.typeNumber(f.edSendPhone, QStringLiteral("0101234567"));
        rig.typeNumber(f.edPhone, QStringLiteral("0111234567"));
        f.Button4->click();
        QCOMPARE(rig.boxes.shown.size(), boxes);
        QCOMPARE(f.focusWidget(), static_cast<QWidget*>(f.edPhone));
    }

    void numberBoxesTakeDigitsAndBackspaceOnly() {
        Rig rig;
        TGroupSend& f = *rig.form;
        for (QLineEdit* box : {f.edPhone, f.edSendPhone}) {
            box->setEnabled(true);
            box->clear();
            QTest::keyClicks(box, QStringLiteral("01a0-x 12"));
            QCOMPARE(box->text(), QStringLiteral("01012"));
            QTest::keyClick(box, Qt::Key_Backspace);
            QCOMPARE(box->text(), QStringLiteral("0101"));
            QTest::keyClicks(box, QStringLiteral("123456789"));
            QCOMPARE(box->text(), QStringLiteral("01011234567"));  // 11 characters at most
        }
        QKeyEvent hangul(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("가"));
        QVERIFY(f.edPhoneKeyPress(hangul));
        QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QVERIFY(!f.edPhoneKeyPress(left));
        // A paste brings digits only or nothing.
        f.edPhone->clear();
        f.edPhone->insert(QStringLiteral("010-1234-5678"));
        QCOMPARE(f.edPhone->text(), QString());
    }

    void counterCountsCp949BytesAndTypedInputStopsAt80() {
        Rig rig;
        TGroupSend& f = *rig.form;
        f.SendText->setFocus();
        type(f.SendText, QStringLiteral("가나"));
        QTest::keyClick(f.SendText, Qt::Key_Return);
        QTest::keyClicks(f.SendText, QStringLiteral("abc"));
        QCOMPARE(f.SendLeft->text(), QStringLiteral(" 71자 남음"));
        f.SendText->clear();
        QCOMPARE(f.SendLeft->text(), QStringLiteral(" 80자 남음"));
        QTest::keyClicks(f.SendText, QString(85, QLatin1Char('x')));
        QCOMPARE(f.SendText->toPlainText().size(), 80);
        QCOMPARE(f.SendLeft->text(), QStringLiteral(" 0자 남음"));
        // Text set by the program is not cut.
        f.SendText->setPlainText(QString(42, QChar(0xD558)));  // 42 x 하: 84 bytes
        QCOMPARE(f.SendLeft->text(), QStringLiteral(" -4자 남음"));
    }

    void immediateSendToContactsWritesTheLineAndCloses() {
        Rig rig;
        TGroupSend& f = *rig.form;
        rig.ready(QStringLiteral("  안녕\n하세요 "));
        f.edSendPhone->setEnabled(true);
        rig.typeNumber(f.edSendPhone, QStringLiteral("0201"));  // not checked: contacts only
        f.SendRes->click();
        rig.boxes.onShow = [&] { QCOMPARE(rig.conn->CmdType, std::string("PS")); };
        f.SendBtn->click();
        QCOMPARE(rig.boxTexts(),
                 std::vector<std::string>{
                     "즉시 전송을 시작 하시겠습니까?\r\n\r\n받는 사람 : 엄마,아빠,민수\r\n"});
        QCOMPARE(rig.boxes.shown[0].buttons, kv::MessageBoxes::Buttons::YesNo);
        QVERIFY(rig.server.expectLine(kv::cp949("PS:0,1001,1002,1003:  안녕{}하세요 ")));
        QVERIFY(!f.isVisible());
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QVERIFY(rig.form->Lists().Recipients().empty());  // records freed on closing
    }

    void reservedSendWithATypedNumberAndItsSender() {
        Rig rig;
        TGroupSend& f = *rig.form;
        rig.ready();
        rig.typeNumber(f.edPhone, QStringLiteral("01099998888"));
        f.Button4->click();
        rig.typeNumber(f.edSendPhone, QStringLiteral("01012345678"));
        rig.boxes.shown.clear();
        f.SendBtn->click();
        const std::string question = rig.boxTexts().at(0);
        const std::string date =
            QLocale::system().toString(QDate(2026, 3, 5), QLocale::ShortFormat).toStdString();
        QCOMPARE(question, "예약 전송을 시작 하시겠습니까?\r\n\r\n예약 시간 : " + date +
                               " 14:59\r\n받는 사람 : 01099998888 외4명\r\n");
        QCOMPARE(rig.conn->CmdType, std::string("PP"));
        QVERIFY2(
            rig.server.expectLine("PP:01012345678,1001,1002,1003,01099998888:2026,3,5,14,59:hi"),
            rig.server.lastMismatch().c_str());
        QVERIFY(!f.isVisible());
    }

    void refusalsWriteNothingAndKeepTheDialog() {
        Rig rig;
        TGroupSend& f = *rig.form;
        f.SendText->setPlainText(QStringLiteral(" \n "));
        f.SendBtn->click();
        f.SendText->setPlainText(QStringLiteral("x"));
        f.SendBtn->click();
        rig.select(f.lbxUserList, {0});
        f.Button1Click();
        rig.typeNumber(f.edPhone, QStringLiteral("01099998888"));
        f.Button4->click();
        f.SendBtn->click();  // typed number, empty sender
        f.edSendPhone->setText(QStringLiteral("0201234567"));
        f.SendBtn->click();  // typed number, invalid sender
        QCOMPARE(rig.boxTexts(),
                 (std::vector<std::string>{
                     "전송 내용을 입력 하십시오", "받을 사람을 추가 하십시오.",
                     "보내는 핸드폰 번호를 입력해 주십시오", "보내는 사람 핸드폰 번호 오류",
                     "보내는 사람 핸드폰 번호 오류"}));
        QVERIFY(rig.server.expectSilence());
        QVERIFY(f.isVisible());
        QCOMPARE(rig.recipients(), (std::vector<std::string>{"엄마", "01099998888"}));
        QCOMPARE(f.SendText->toPlainText(), QStringLiteral("x"));
    }

    void answeringNoKeepsTheDialogOpen() {
        Rig rig;
        rig.ready();
        rig.boxes.answers.push_back(Result::No);
        rig.form->SendBtn->click();
        QVERIFY(rig.server.expectSilence());
        QVERIFY(rig.form->isVisible());
        QCOMPARE(rig.conn->CmdType, std::string("PP"));
        rig.form->SendBtn->click();  // Yes this time
        QVERIFY(rig.server.expectLine("PP:0,1001,1002,1003:2026,3,5,14,59:hi"));
    }

    void confirmingWhileSignedOutWritesNothingAndCloses() {
        Rig rig(false);
        rig.ready();
        rig.form->SendBtn->click();
        QCOMPARE(rig.boxes.shown.size(), std::size_t(1));
        QVERIFY(!rig.server.accept(100ms));
        QVERIFY(!rig.form->isVisible());
    }

    void failedWriteShowsTheErrorKeepsTheDialogAndTheConnection() {
        Rig rig;
        TGroupSend& f = *rig.form;
        rig.ready();
        *rig.failWrites = true;
        f.SendBtn->click();
        QCOMPARE(rig.boxTexts().back(), std::string("write: broken pipe (test)"));
        QCOMPARE(rig.boxes.shown.back().icon, kv::MessageBoxes::Icon::Error);
        QVERIFY(f.isVisible());
        QCOMPARE(rig.conn->State(), kv::ConnectionState::SignedIn);
        QCOMPARE(rig.recipients().size(), std::size_t(3));
        QCOMPARE(f.SendText->toPlainText(), QStringLiteral("hi"));
        // The member tries again once the line works.
        *rig.failWrites = false;
        f.SendBtn->click();
        QVERIFY(rig.server.expectLine("PP:0,1001,1002,1003:2026,3,5,14,59:hi"));
        QVERIFY(!f.isVisible());
    }

    void emoticonWindowIsMadeOnceAndClosedWithTheDialog() {
        Rig rig;
        rig.form->Button3->click();
        rig.form->Button3->click();
        QCOMPARE(rig.web.windows.size(), std::size_t(1));
        const std::string url =
            "navigate:" + kv::ServiceWebRoot() + "/messenger/zimo_msg.asp?usid=demo&port=0";
        QCOMPARE(rig.web.windows[0]->calls,
                 (std::vector<std::string>{"caption:" + kv::cp949("이모티콘 - 케스트로바네"),
                                           "size:550x430", "show", url, "show", url}));
        QVERIFY(rig.web.windows[0]->owner != 0);
        QCOMPARE(rig.web.windows[0]->owner, kv::NativeWindowOf(rig.form.get()));
        rig.form->Button5->click();
        QCOMPARE(rig.web.windows[0]->calls.back(), std::string("close"));
        QVERIFY(rig.web.windows[0]->destroyed);
        QVERIFY(!rig.form->isVisible());
    }

    void reservedMessagesOpenAtThePointer() {
        Rig rig;
        QCursor::setPos(120, 80);
        const QPoint at = QCursor::pos();
        rig.form->ReservedMsg->click();
        QCOMPARE(rig.web.browsers.size(), std::size_t(1));
        const kv::BrowserWindowRequest& opened = rig.web.browsers[0];
        QVERIFY(opened.Where.has_value());
        QCOMPARE(*opened.Where, (kv::Rect{at.x(), at.y(), 520, 400}));
        QCOMPARE(opened.Url, kv::ServiceWebRoot() + "/messenger/zpreen_msg.asp?usid=demo");
        QVERIFY(!opened.PostData && !opened.Headers && !opened.Bars && !opened.Resizable);
        rig.web.noBrowser = true;
        rig.form->ReservedMsg->click();  // no browser: nothing happens
        QCOMPARE(rig.web.browsers.size(), std::size_t(1));
    }
};

QTEST_MAIN(GroupSendFormTest)
#include "group_send_form_test.moc"
