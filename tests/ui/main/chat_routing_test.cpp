// The main window's routing of chat lines, partner announcements, the member's "send a
// message" and copy-data messages to chat windows.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include <cstdlib>

#include "core/base/cp949.h"
#include "core/crypto/dcpcrypt.h"
#include "core/posix/posix_line_socket.h"
#include "qt/qt_ui_thread.h"
#include "qt/widgets/send_memo.h"
#include "support/fake_main_services.h"
#include "support/scripted_server.h"
#include "support/served_lines.h"
#include "support/served_main_window.h"
#include "ui/chat/SessionUnit.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/group_send/GroupSendUnit.h"
#include "ui/main/MainUnit.h"
#include "ui/main/copy_data_entry.h"
#include "ui/popup/MSNPopUp.h"

using namespace std::chrono_literals;
using kv::RegistrySection;
using kv::TMainForm;
using kv::TSessionForm;

namespace {

struct Rig : kv::test::ServedMainServices {
    std::unique_ptr<TMainForm> form;

    Rig() {
        presetAutoLogin("demo", "demo1234");
        form = std::make_unique<TMainForm>(services());
    }
    ~Rig() { form.reset(); }

    // Signs in with a contact list of two groups; port 1003 is listed twice.
    bool signIn() {
        if (!server.accept() || nextLine() != "LO:demo,demo1234")
            return false;
        server.sendLine("R:ak");
        if (nextLine() != "GC:")
            return false;
        server.sendLine(kv::cp949("GR:1,가족/2,친구/"));
        if (nextLine() != "AC:")
            return false;
        server.sendLine(
            kv::cp949("AC:1,엄마,01012345678,,1003,0/2,민수,01023456789,,1004,0/"
                      "2,엄마 친구,01099999999,,1003,0/0,세탁소,0111234567,,1007,0/"));
        return nextLine() == "RC:" && form->Conn().State() == kv::ConnectionState::SignedIn;
    }

    // Lets a server line reach its handler.
    void send(const std::string& line) {
        server.sendLine(line);
        // The receive thread hands the line over; the balance request proves it was handled.
        server.sendLine("RV:3");
        QTRY_COMPARE_WITH_TIMEOUT(form->Conn().CashCount, 3, 5000);
        form->Conn().CashCount = 0;
    }

    kv::ContactNode* node(const std::string& caption) {
        kv::ContactTree& tree = form->Tree();
        for (std::size_t i = 0; i < tree.Count(); ++i)
            if (tree.Item(i)->Caption().find(caption) == 0)
                return tree.Item(i);
        return nullptr;
    }

    std::vector<std::string> log(TSessionForm* w) {
        std::vector<std::string> out;
        for (const auto& p : w->Log().Paragraphs())
            out.push_back(kv::cp949ToUtf8(p.Text));
        return out;
    }

    void closePopups() {
        for (TSessionForm* w : form->SessionList())
            w->MSNPopUp->ClosePopUps();
    }
};

void deliverCopyData(const std::string& socketPath, const std::string& bytes) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socketPath));
    QVERIFY(socket.waitForConnected(5000));
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    QVERIFY(socket.waitForBytesWritten(5000));
    socket.disconnectFromServer();
}

}  // namespace

class ChatRoutingTest : public QObject {
    Q_OBJECT
private slots:
    void messageForAKnownPartnerOpensOneWindowAndReusesIt() {
        Rig rig;
        QVERIFY(rig.signIn());
        rig.send("H:1004:" + kv::cp949("안녕<br>잘 지내?"));
        QCOMPARE(rig.form->SessionList().size(), std::size_t(1));
        TSessionForm* w = rig.form->SessionList()[0];
        QCOMPARE(w->Partner().NickName, kv::cp949("민수"));
        QCOMPARE(w->idState->text(), QStringLiteral("민수 [01023456789]"));
        QVERIFY(w->isVisible());
        QVERIFY(w->isMinimized());
        QCOMPARE(rig.player.plays, 1);
        QCOMPARE(w->MSNPopUp->OpenCount(), 1);
        QVERIFY(w->Timer->isActive());

        rig.send("H:1004:x:y");
        QCOMPARE(rig.form->SessionList().size(), std::size_t(1));
        QCOMPARE(rig.player.plays, 1);
        QCOMPARE(w->MSNPopUp->OpenCount(), 1);
        QCOMPARE(rig.log(w),
                 (std::vector<std::string>{"민수 :", "안녕", "잘 지내?", "민수 :", "x:y"}));
        QCOMPARE(rig.form->FindSessionForm("1004"), w);
        QCOMPARE(rig.form->FindSessionForm("1004 "), nullptr);
        rig.closePopups();
    }

    void unknownPortsAreDroppedAndDuplicatePortsTakeTheFirstPartner() {
        Rig rig;
        QVERIFY(rig.signIn());
        rig.send("H:9999:nobody");
        rig.send("H:1004");  // no second colon: no port
        QVERIFY(rig.form->SessionList().empty());
        QCOMPARE(rig.player.plays, 0);

        rig.send("H:1003:hi");
        QCOMPARE(rig.form->SessionList().size(), std::size_t(1));
        QCOMPARE(rig.form->SessionList()[0]->Partner().NickName, kv::cp949("엄마"));
        QCOMPARE(rig.form->SessionList()[0]->Partner().Phone, std::string("01012345678"));
        rig.closePopups();
    }

    void announcementsPrepareAHiddenWindowOrRefreshTheLabel() {
        Rig rig;
        QVERIFY(rig.signIn());
        rig.send("active:9999");
        QVERIFY(rig.form->SessionList().empty());
        rig.send("active:1007");
        QCOMPARE(rig.form->SessionList().size(), std::size_t(1));
        TSessionForm* w = rig.form->SessionList()[0];
        QVERIFY(!w->isVisible());
        QCOMPARE(rig.player.plays, 0);

        w->idState->setText(QStringLiteral("changed"));
        rig.send("active:1007");
        QCOMPARE(rig.form->SessionList().size(), std::size_t(1));
        QCOMPARE(w->idState->text(), QStringLiteral("세탁소 [0111234567]"));

        // The message that follows finds the prepared window and calls attention.
        rig.send("H:1007:" + kv::cp949("세탁물 다 됐어요"));
        QCOMPARE(rig.form->SessionList().size(), std::size_t(1));
        QVERIFY(w->isMinimized());
        QCOMPARE(rig.player.plays, 1);
        QCOMPARE(w->MSNPopUp->OpenCount(), 1);
        rig.closePopups();
    }

    void sendTextOpensTheSelectedPartnerOnly() {
        Rig rig;
        QVERIFY(rig.signIn());
        rig.form->TVuserlist->Select(rig.node(kv::cp949("가족")));
        rig.form->actSendText->trigger();
        QVERIFY(rig.form->SessionList().empty());

        rig.form->TVuserlist->Select(rig.node(kv::cp949("민수")));
        rig.form->actSendText->trigger();
        QCOMPARE(rig.form->SessionList().size(), std::size_t(1));
        TSessionForm* w = rig.form->SessionList()[0];
        QVERIFY(w->isVisible());
        QVERIFY(!w->isMinimized());
        w->idState->setText(QStringLiteral("changed"));
        w->close();
        QVERIFY(!w->isVisible());

        // Reopening finds the same window and refreshes its label from the tree.
        rig.form->actSendText->trigger();
        QCOMPARE(rig.form->SessionList().size(), std::size_t(1));
        QVERIFY(w->isVisible());
        QCOMPARE(w->idState->text(), QStringLiteral("민수 [01023456789]"));

        // Sending from it goes to the partner's port through the main window's connection.
        w->SendText->setPlainText(QStringLiteral("뭐해?"));
        w->SendBtn->click();
        QCOMPARE(rig.nextLine().value_or(""), std::string("RC:"));
        QCOMPARE(rig.nextLine().value_or(""), "H:1004:" + kv::cp949("뭐해?"));
        QCOMPARE(rig.nextLine().value_or(""), std::string("RC:"));
        QCOMPARE(rig.log(w), (std::vector<std::string>{"demo :", "뭐해?"}));
    }

    void signingOutDestroysEveryChatWindow() {
        Rig rig;
        QVERIFY(rig.signIn());
        rig.send("H:1003:a");
        rig.send("active:1004");
        QCOMPARE(rig.form->SessionList().size(), std::size_t(2));
        QPointer<TSessionForm> first = rig.form->SessionList()[0];
        QPointer<TSessionForm> second = rig.form->SessionList()[1];
        rig.closePopups();
        rig.form->actLogout->trigger();
        QCOMPARE(rig.nextLine().value_or(""), std::string("LX:"));
        QVERIFY(rig.form->SessionList().empty());
        QVERIFY(!first->isVisible());
        QTRY_VERIFY(first.isNull() && second.isNull());
        QVERIFY(rig.form->FindSessionForm("1003") == nullptr);
    }

    void copyDataFillsTheInputOfTheAddressedWindow() {
        Rig rig;
        QVERIFY(rig.signIn());
        rig.send("active:1003");
        TSessionForm* w = rig.form->SessionList()[0];

        rig.form->CopyData().CopyDataText(" 1003:" + kv::cp949("^^ 반가워") + "\r\n");
        QCOMPARE(w->SendText->toPlainText(), QStringLiteral("^^ 반가워"));
        QCOMPARE(w->StatusPanel->text(), QStringLiteral("71자 남음"));
        rig.form->CopyData().CopyDataText("9999:nobody");  // no such window: ignored
        QCOMPARE(w->SendText->toPlainText(), QStringLiteral("^^ 반가워"));

        // Over 80 bytes: placed whole, the counter goes negative.
        std::string longText;
        for (int i = 0; i < 41; ++i)
            longText += kv::cp949("하");
        rig.form->CopyData().CopyDataText("1003:" + longText);
        QCOMPARE(w->StatusPanel->text(), QStringLiteral("-2자 남음"));
        QCOMPARE(w->SendText->Cp949Text(), longText);
    }

    void portZeroGoesToTheGroupSendWindowWhileItIsOpen() {
        Rig rig;
        rig.form->CopyData().CopyDataText("0:nowhere");  // no group send window: nothing happens
        auto* memo = new QPlainTextEdit;
        rig.form->CopyData().GroupSendMemo = memo;
        rig.form->CopyData().CopyDataText("0:" + kv::cp949("모두에게<br>") + "\r\n");
        QCOMPARE(memo->toPlainText(), QStringLiteral("모두에게<br>"));
        delete memo;  // the window closed
        QVERIFY(rig.form->CopyData().GroupSendMemo.isNull());
        rig.form->CopyData().CopyDataText("0:again");
    }

    void groupSendOpensFilledFromTheTreeAndTakesCopyDataWhileOpen() {
        Rig rig;
        QVERIFY(rig.signIn());
        bool ran = false;
        QTimer::singleShot(0, [&] {
            kv::TGroupSend* g = rig.form->GroupSendWindow;
            // Whatever fails below, the modal dialog must end for the test to go on.
            const auto closing = qScopeGuard([g] {
                if (g && g->isVisible())
                    g->close();
            });
            QVERIFY(g && g->isModal() && g->isVisible());
            QCOMPARE(g->parentWidget(), static_cast<QWidget*>(rig.form.get()));
            std::vector<std::string> shown;
            for (const auto& e : g->Lists().Contacts())
                shown.push_back(kv::cp949ToUtf8(e->NickName) + "/" + e->UserPort);
            QCOMPARE(shown, (std::vector<std::string>{"엄마/1003", "민수/1004", "엄마 친구/1003",
                                                      "세탁소/1007"}));
            rig.form->CopyData().CopyDataText("0:" + kv::cp949("모두 안녕"));
            QCOMPARE(g->SendText->toPlainText(), QStringLiteral("모두 안녕"));
            g->lbxUserList->selectAll();
            g->Button1Click();
            g->SendRes->setChecked(false);
            g->SendResClick();
            g->SendBtn->click();
            ran = true;
        });
        rig.form->actGroupSend->trigger();
        QVERIFY(ran);
        QVERIFY(rig.form->GroupSendWindow.isNull());
        QVERIFY(rig.form->CopyData().GroupSendMemo.isNull());
        QCOMPARE(rig.nextLine(), kv::cp949("PS:0,1003,1004,1003,1007:모두 안녕"));
        rig.form->CopyData().CopyDataText("0:closed");  // no group send window any more: ignored

        // The acknowledgement: the success message, then the balance request.
        const std::size_t asked = rig.boxes.shown.size();
        rig.server.sendLine("R:ak");
        QTRY_VERIFY_WITH_TIMEOUT(rig.boxes.shown.size() > asked, 5000);
        QCOMPARE(rig.boxes.shown.back().text, kv::cp949("즉시 전송이 성공적으로 이뤄 졌습니다."));
        QCOMPARE(rig.nextLine(), std::string("RC:"));
    }

    void alarmFileGoesToTheOpenOptionsDialogOnly() {
        Rig rig;
        rig.form->CopyData().CopyDataAlarmFile("ignored.wav");
        QLineEdit box;
        rig.form->CopyData().OptionAlramFile = &box;
        rig.form->CopyData().CopyDataAlarmFile(kv::cp949("전화벨.wav"));
        QCOMPARE(box.text(), QStringLiteral("전화벨.wav"));
        rig.form->CopyData().CopyDataReceived({kv::kCopyDataAlarmFile, "ring.wav"});
        QCOMPARE(box.text(), QStringLiteral("ring.wav"));
        rig.form->CopyData().CopyDataReceived({7, "0:other kinds are ignored"});
        QCOMPARE(box.text(), QStringLiteral("ring.wav"));
    }

    void copyDataArrivesThroughThePublishedSocket() {
        Rig rig;
        QVERIFY(rig.signIn());
        rig.send("active:1003");
        TSessionForm* w = rig.form->SessionList()[0];
        const auto path = rig.registry.storedValue(RegistrySection::Key, "HWND");
        QVERIFY(path.has_value());

        deliverCopyData(*path, kv::EncodeCopyData(0, "1003:" + kv::cp949("소켓으로")));
        QTRY_COMPARE(w->SendText->toPlainText(), QStringLiteral("소켓으로"));

        // Without a zero byte the text runs to the end of the connection.
        deliverCopyData(*path, std::string("\0\0\0\0"
                                           "1003:to the end",
                                           19));
        QTRY_COMPARE(w->SendText->toPlainText(), QStringLiteral("to the end"));

        // Oversized and malformed messages are dropped; the entry keeps working.
        deliverCopyData(
            *path, std::string(4, '\0') + "1003:" + std::string(kv::kMaxCopyDataBytes + 10, 'x'));
        deliverCopyData(*path, std::string("\0\0", 2));
        deliverCopyData(*path, kv::EncodeCopyData(0, "1003:last"));
        QTRY_COMPARE(w->SendText->toPlainText(), QStringLiteral("last"));
    }
};

QTEST_MAIN(ChatRoutingTest)
#include "chat_routing_test.moc"
