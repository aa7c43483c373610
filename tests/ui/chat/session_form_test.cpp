#include "ui/chat/SessionUnit.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <optional>

#include "core/base/cp949.h"
#include "core/connection/vane.h"
#include "core/posix/posix_line_socket.h"
#include "core/service/settings_store.h"
#include "qt/qt_ui_thread.h"
#include "qt/widgets/send_memo.h"
#include "support/fake_media_player.h"
#include "support/fake_message_boxes.h"
#include "support/fake_registry.h"
#include "support/menu_captions.h"
#include "support/scripted_server.h"
#include "support/typing.h"
#include "ui/chat/chat_log_view.h"
#include "ui/popup/MSNPopUp.h"

using namespace std::chrono_literals;
using kv::RegistrySection;
using kv::TSessionForm;

using kv::test::type;

namespace {

// The main window's side as a chat window sees it: its commands counted, the shared position
// in a faked store.
struct Host final : kv::ChatHost {
    kv::test::FakeRegistry registry;
    int moneyRuns = 0;
    int helpRuns = 0;
    int aboutRuns = 0;
    void Charge() override { ++moneyRuns; }
    void Help() override { ++helpRuns; }
    void About() override { ++aboutRuns; }
    std::optional<kv::WindowBounds> ChatWindowBounds() const override {
        return kv::ReadChatBounds(registry);
    }
    void SaveChatWindowBounds(const kv::WindowBounds& bounds) override {
        kv::WriteChatBounds(registry, bounds);
    }
};

// A chat window on a connection to the scripted server, with faked boxes, player and host.
struct Rig {
    kv::test::FakeMessageBoxes boxes;
    kv::test::FakeMediaPlayer player;
    Host host;
    kv::test::FakeRegistry& registry = host.registry;
    int& moneyRuns = host.moneyRuns;
    kv::test::ScriptedServer server;
    QObject uiOwner;
    std::unique_ptr<kv::TVANE> conn;
    std::unique_ptr<TSessionForm> form;

    Rig() {
        conn =
            std::make_unique<kv::TVANE>(kv::QtUiThread::create(&uiOwner), kv::makePosixLineSocket);
        conn->Host = "127.0.0.1";
        conn->Port = server.port();
        conn->Userid = "demo";
        conn->CashCount = 5;
        if (!conn->Connect() || !server.accept())
            qFatal("no connection to the scripted server");
        form = std::make_unique<TSessionForm>(services());
        form->SetPartner(kv::cp949("엄마"), "01012345678", "1003");
    }

    kv::SessionServices services() {
        kv::SessionServices s;
        s.conn = conn.get();
        s.boxes = &boxes;
        s.player = &player;
        s.host = &host;
        return s;
    }

    QString counter() const { return form->StatusPanel->text(); }
    std::vector<std::string> log() const {
        std::vector<std::string> out;
        for (const auto& p : form->Log().Paragraphs())
            out.push_back(std::to_string(p.Style) + "|" + kv::cp949ToUtf8(p.Text));
        return out;
    }
};

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

class SessionFormTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAndStartingState() {
        Rig rig;
        TSessionForm& f = *rig.form;
        QCOMPARE(f.windowTitle(), QStringLiteral("문자 대화창"));
        const QList<QAction*> menus = f.menuBar()->actions();
        QCOMPARE(menus.size(), 2);
        QCOMPARE(menus[0]->text(), QStringLiteral("파일(&F)"));
        QCOMPARE(kv::test::MenuCaptions(menus[0]->menu()),
                 QStringList({"대화내용 저장(&S)...", "-", "닫기(&C)"}));
        QCOMPARE(menus[1]->text(), QStringLiteral("도움말(&H)"));
        QCOMPARE(kv::test::MenuCaptions(menus[1]->menu()),
                 QStringList({"도움말(&H)", "-", "케스트로바네에 대하여...(&A)"}));
        // The main window's commands, through the host.
        f.actHelp->trigger();
        f.actAbout->trigger();
        QCOMPARE(rig.host.helpRuns, 1);
        QCOMPARE(rig.host.aboutRuns, 1);
        QCOMPARE(f.idState->text(), QStringLiteral("엄마 [01012345678]"));
        QVERIFY(f.idState->font().bold());
        QCOMPARE(f.ImtBtn->text(), QStringLiteral("이모티콘"));
        QVERIFY(f.ImtBtn->isVisibleTo(&f));
        QCOMPARE(f.SendBtn->text(), QStringLiteral("보내기(&S)"));
        QCOMPARE(rig.counter(), QStringLiteral("80자 남음"));
        QCOMPARE(f.Timer->interval(), 800);
        QVERIFY(!f.Timer->isActive());
        QVERIFY(!f.isVisible());
        QVERIFY(f.RichView1->isReadOnly());
        QCOMPARE(f.Partner().UserPort, std::string("1003"));
        // Where the shared chat window values put it; nothing stored yet: the defaults.
        QCOMPARE(f.size(), QSize(280, 400));
        QCOMPARE(f.pos(), QPoint(410, 210));
    }

    void positionComesFromTheSharedValuesAndGoesBackOnClose() {
        Rig rig;
        rig.registry.preset(RegistrySection::Option, "CTop", "100");
        rig.registry.preset(RegistrySection::Option, "CLeft", "150");
        rig.registry.preset(RegistrySection::Option, "CWidth", "300");
        rig.registry.preset(RegistrySection::Option, "CHeight", "420");
        TSessionForm f(rig.services());
        QCOMPARE(f.size(), QSize(300, 420));
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        f.resize(310, 430);
        f.actClose->trigger();
        QVERIFY(!f.isVisible());  // only hidden
        QCOMPARE(rig.registry.storedValue(RegistrySection::Option, "CWidth").value_or(""),
                 std::string("310"));
        QCOMPARE(rig.registry.storedValue(RegistrySection::Option, "CHeight").value_or(""),
                 std::string("430"));
        QVERIFY(rig.registry.storedValue(RegistrySection::Option, "CTop").has_value());
    }

    void counterCountsCp949BytesAndTheMemoStopsAtEighty() {
        Rig rig;
        kv::TSendMemo* memo = rig.form->SendText;
        rig.form->show();
        memo->setFocus();
        type(memo, QStringLiteral("가나"));
        QCOMPARE(rig.counter(), QStringLiteral("76자 남음"));
        QTest::keyClick(memo, Qt::Key_Return);  // a line break, not a send
        type(memo, QStringLiteral("abc"));
        QCOMPARE(memo->toPlainText(), QStringLiteral("가나\nabc"));
        QCOMPARE(rig.counter(), QStringLiteral("71자 남음"));
        QVERIFY(rig.server.expectSilence(50ms));

        // Up to 80 bytes and no further, a Hangul syllable not split over the limit.
        type(memo, QString(70, QLatin1Char('x')));
        QCOMPARE(rig.counter(), QStringLiteral("1자 남음"));
        type(memo, QStringLiteral("다"));
        QTest::keyClick(memo, Qt::Key_Return);
        QCOMPARE(rig.counter(), QStringLiteral("1자 남음"));
        type(memo, QStringLiteral("yz"));
        QCOMPARE(rig.counter(), QStringLiteral("0자 남음"));
        QVERIFY(memo->toPlainText().endsWith(QStringLiteral("xy")));
        // Deleting is always possible.
        QTest::keyClick(memo, Qt::Key_Backspace);
        QCOMPARE(rig.counter(), QStringLiteral("1자 남음"));
    }

    void charactersOutsideCp949AndOverlongPastesAreRefused() {
        Rig rig;
        kv::TSendMemo* memo = rig.form->SendText;
        rig.form->show();
        memo->setFocus();
        type(memo, QStringLiteral("aกb"));  // Thai has no CP949 form
        QCOMPARE(memo->toPlainText(), QStringLiteral("ab"));
        QApplication::clipboard()->setText(QString(100, QChar(0xAC00)));  // 200 bytes of "가"
        memo->paste();
        QCOMPARE(memo->toPlainText(), QStringLiteral("ab") + QString(39, QChar(0xAC00)));
        QCOMPARE(rig.counter(), QStringLiteral("0자 남음"));
        QApplication::clipboard()->clear();
    }

    void sendingWritesBalanceRequestsAroundTheMessage() {
        Rig rig;
        rig.form->show();
        type(rig.form->SendText, QStringLiteral("  가나"));
        QTest::keyClick(rig.form->SendText, Qt::Key_Return);
        type(rig.form->SendText, QStringLiteral("abc \n"));
        rig.form->SendBtn->click();
        QVERIFY(rig.server.expectLine("RC:"));
        QVERIFY2(rig.server.expectLine("H:1003:" + kv::cp949("가나") + "{}abc"),
                 rig.server.lastMismatch().c_str());
        QVERIFY(rig.server.expectLine("RC:"));
        QVERIFY(rig.server.expectSilence(50ms));
        QCOMPARE(rig.conn->CashCount, 4);
        QCOMPARE(rig.log(), (std::vector<std::string>{"0|demo :", "1|가나", "1|abc"}));
        QCOMPARE(rig.form->RichView1->ParagraphCount(), std::size_t(3));
        QVERIFY(rig.form->SendText->toPlainText().isEmpty());
        QCOMPARE(rig.counter(), QStringLiteral("80자 남음"));
        QVERIFY(rig.boxes.shown.empty());
    }

    void blankInputWritesOnlyTheFirstBalanceRequest() {
        Rig rig;
        rig.form->SendText->setPlainText(QStringLiteral("  \n \t"));
        rig.form->Button1Click();
        QVERIFY(rig.server.expectLine("RC:"));
        QVERIFY(rig.server.expectSilence(100ms));
        QVERIFY(rig.form->SendText->toPlainText().isEmpty());
        QCOMPARE(rig.conn->CashCount, 5);
        QVERIFY(rig.log().empty());
    }

    void balanceOfMinusNineStillSendsMinusTenAsksToCharge() {
        Rig rig;
        rig.conn->CashCount = -9;
        rig.form->SendText->setPlainText(QStringLiteral("one"));
        rig.form->Button1Click();
        QVERIFY(rig.server.expectLine("RC:"));
        QVERIFY(rig.server.expectLine("H:1003:one"));
        QVERIFY(rig.server.expectLine("RC:"));
        QCOMPARE(rig.conn->CashCount, -10);

        rig.form->SendText->setPlainText(QStringLiteral("two"));
        rig.form->Button1Click();
        QVERIFY(rig.server.expectLine("RC:"));
        QVERIFY(rig.server.expectSilence(100ms));
        QCOMPARE(rig.boxes.shown.size(), std::size_t(1));
        QCOMPARE(rig.boxes.shown[0].text,
                 kv::cp949("충전건수가 부족합니다. 충전을 하시고 사용 하십시오"));
        QCOMPARE(rig.boxes.shown[0].icon, kv::MessageBoxes::Icon::Information);
        QCOMPARE(rig.moneyRuns, 1);
        QCOMPARE(rig.form->SendText->toPlainText(), QStringLiteral("two"));
        QCOMPARE(rig.conn->CashCount, -10);
    }

    void textSetFromOutsideIsNotCutAndIsSentWhole() {
        Rig rig;
        std::string text;
        for (int i = 0; i < 45; ++i)
            text += kv::cp949("가");
        rig.form->SendText->SetCp949Text(text);
        QCOMPARE(rig.counter(), QStringLiteral("-10자 남음"));
        rig.form->Button1Click();
        QVERIFY(rig.server.expectLine("RC:"));
        QVERIFY(rig.server.expectLine("H:1003:" + text));
        QVERIFY(rig.server.expectLine("RC:"));
    }

    void messageForAHiddenWindowCallsAttentionOnce() {
        Rig rig;
        TSessionForm& f = *rig.form;
        f.ShowIncoming(kv::cp949("밥<br>먹었니? {}"));
        QCOMPARE(rig.player.plays, 1);
        QCOMPARE(f.MSNPopUp->OpenCount(), 1);
        QCOMPARE(f.MSNPopUp->Title, std::string());
        QCOMPARE(f.MSNPopUp->Text, kv::cp949("밥\r\n먹었니? {}"));
        QVERIFY(f.isVisible());
        QVERIFY(f.isMinimized());
        QVERIFY(f.Timer->isActive());
        QCOMPARE(rig.log(), (std::vector<std::string>{"0|엄마 :", "1|밥", "1|먹었니? {}"}));

        // The window is showing now: no second sound or popup, the flashing goes on.
        f.ShowIncoming("again");
        QCOMPARE(rig.player.plays, 1);
        QCOMPARE(f.MSNPopUp->OpenCount(), 1);
        QVERIFY(f.Timer->isActive());
        f.TimerTimer();  // still minimised: it flashes and keeps going
        QVERIFY(f.Timer->isActive());
        QCOMPARE(rig.log().size(), std::size_t(5));

        // A click on the popup brings the window up and silences the alarm.
        f.MSNPopUpClick();
        QVERIFY(!f.isMinimized());
        QVERIFY(rig.player.stops >= 1);
        f.MSNPopUp->ClosePopUps();
    }

    void alarmFailureStillShowsTheNotice() {
        Rig rig;
        rig.player.failing = true;
        rig.form->ShowIncoming("x");
        QCOMPARE(rig.form->MSNPopUp->OpenCount(), 1);
        QVERIFY(rig.form->isMinimized());
        rig.form->MSNPopUpClick();  // the failing stop is ignored as well
        rig.form->MSNPopUp->ClosePopUps();
    }

    void messageForTheActiveWindowOnlyAddsToTheLog() {
        Rig rig;
        TSessionForm& f = *rig.form;
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        // Activation silenced the alarm and kept the position.
        QVERIFY(rig.player.stops >= 1);
        QVERIFY(rig.registry.storedValue(RegistrySection::Option, "CLeft").has_value());
        const int stops = rig.player.stops;
        f.ShowIncoming("hello");
        QCOMPARE(rig.player.plays, 0);
        QCOMPARE(f.MSNPopUp->OpenCount(), 0);
        QVERIFY(!f.Timer->isActive());
        QCOMPARE(rig.log(), (std::vector<std::string>{"0|엄마 :", "1|hello"}));
        QCOMPARE(rig.player.stops, stops);

        // A running timer stops at its next tick once the window is active and normal.
        f.Timer->start();
        f.TimerTimer();
        QVERIFY(!f.Timer->isActive());
    }

    void savingPicksTheFormatFromTheName() {
        Rig rig;
        QTemporaryDir dir;
        rig.form->ShowIncoming(kv::cp949("안녕{x}\\"));
        QString chosen;
        rig.form->SaveDialog1 = [&chosen](const QString& filter, const QString& initial) {
            if (filter != QStringLiteral("서식있는 텍스트 문서(*.rtf);;텍스트 문서(*.txt)") ||
                initial != QStringLiteral("*.rtf"))
                return QString();
            return chosen;
        };
        chosen = dir.filePath(QStringLiteral("plain"));
        rig.form->actSave->trigger();
        QCOMPARE(readFile(dir.filePath("plain.txt")), std::string("엄마 :\n안녕{x}\\\n"));
        QVERIFY(!QFile::exists(dir.filePath("plain")));

        chosen = dir.filePath(QStringLiteral("대화.rtf"));
        rig.form->actSave->trigger();
        const std::string rtf = readFile(dir.filePath(QStringLiteral("대화.rtf")));
        QVERIFY(rtf.rfind("{\\rtf1\\ansi\\ansicpg949", 0) == 0);
        QVERIFY(rtf.find("\\'be\\'c8\\'b3\\'e7\\{x\\}\\\\\\par") != std::string::npos);

        chosen = dir.filePath(QStringLiteral("upper.RTF"));
        rig.form->actSave->trigger();
        QCOMPARE(readFile(dir.filePath("upper.RTF")), std::string("엄마 :\n안녕{x}\\\n"));

        // An existing file is replaced.
        rig.form->ShowIncoming("more");
        chosen = dir.filePath(QStringLiteral("plain.txt"));
        rig.form->actSave->trigger();
        QCOMPARE(readFile(dir.filePath("plain.txt")),
                 std::string("엄마 :\n안녕{x}\\\n엄마 :\nmore\n"));
        QVERIFY(rig.boxes.shown.empty());

        // Cancelled: nothing written.
        chosen.clear();
        rig.form->actSave->trigger();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
        rig.form->MSNPopUp->ClosePopUps();
    }

    void failedSaveShowsTheErrorAndLeavesNoFile() {
        Rig rig;
        QTemporaryDir dir;
        rig.form->ShowIncoming("x");
        // A regular file where a folder is expected: no one can write below it.
        QFile blocker(dir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        rig.form->SaveDialog1 = [&dir](const QString&, const QString&) {
            return dir.filePath(QStringLiteral("blocker/log.rtf"));
        };
        rig.form->actSave->trigger();
        QCOMPARE(rig.boxes.shown.size(), std::size_t(1));
        QCOMPARE(rig.boxes.shown[0].icon, kv::MessageBoxes::Icon::Error);
        QVERIFY(rig.boxes.shown[0].text.rfind(kv::cp949("대화내용을 저장하지 못했습니다."), 0) ==
                0);
        QVERIFY(rig.boxes.shown[0].text.size() >
                kv::cp949("대화내용을 저장하지 못했습니다.").size() + 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({"blocker"}));
        rig.form->MSNPopUp->ClosePopUps();
    }
};

QTEST_MAIN(SessionFormTest)
#include "session_form_test.moc"
