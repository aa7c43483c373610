// The contact list changed end to end: the main window in this process, the dev server as a
// process of its own. Every change is made as the member makes it (menus, the add-partner
// dialog, a drop on a group) and must still be there after signing out and in again.

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <regex>

#include "core/base/cp949.h"
#include "support/child_process.h"
#include "support/contact_window_helpers.h"
#include "support/fake_main_services.h"
#include "ui/contacts/UserAddUnit.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/main/MainUnit.h"

using namespace std::chrono_literals;

class ContactsEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void changesAreKeptByTheServer() {
        QTemporaryDir root;
        const std::string dir = root.path().toStdString();
        kv::test::ChildProcess server(KV_DEVSERVER,
                                      {"--chat-port", "0", "--http-port", "0", "--verbose"}, {},
                                      dir + "/server.log");
        QVERIFY2(server.waitForOutput("listening on", 10s), server.output().c_str());
        std::smatch m;
        const std::string log = server.output();
        QVERIFY(std::regex_search(log, m, std::regex("listening on ([0-9.]+):([0-9]+)")));
        ::setenv("KESTROVANE_SERVER", (m[1].str() + ":" + m[2].str()).c_str(), 1);
        auto seen = [&](const char* utf8) {
            const bool ok = server.waitForOutput(utf8, 10s);
            if (!ok)
                qWarning("%s", server.output().c_str());
            return ok;
        };

        kv::test::FakeMainServices fakes;
        fakes.presetAutoLogin("demo", "demo1234");
        kv::TMainForm form(fakes.services());
        form.show();
        QTRY_COMPARE_WITH_TIMEOUT(form.Conn().State(), kv::ConnectionState::SignedIn, 10000);

        // A new group, renamed.
        fakes.boxes.inputs = {kv::cp949("동창")};
        form.actNewGroup->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(kv::test::nodeNamed(form.Tree(), "동창"), 10000);
        form.TVuserlist->Select(kv::test::nodeNamed(form.Tree(), "동창"));
        fakes.boxes.inputs = {kv::cp949("고교 동창")};
        form.actRenameGroup->trigger();
        QVERIFY(seen("<- GM:4,고교 동창"));

        // 택배 기사 dropped onto it.
        form.TVuserlist->Select(kv::test::nodeNamed(form.Tree(), "택배 기사"));
        const QPoint target =
            form.TVuserlist->LabelRect(kv::test::nodeNamed(form.Tree(), "고교 동창")).center();
        QVERIFY(form.TVuserlist->OnDragOver(target));
        form.TVuserlist->OnDragDrop(target);
        QVERIFY(seen("<- GS:4,1006"));

        // A registration the server wants confirmed.
        kv::test::answerUserAddDialog([](kv::TUserAddForm& d) {
            d.edNumber->setText(QStringLiteral("05051234"));
            d.edNickName->setText(QStringLiteral("철수"));
            d.OkBtn->click();
        });
        form.actAddUser->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(kv::test::shownConfirmDialog(), 10000);
        QPointer<kv::TUserAddForm> confirm = kv::test::shownConfirmDialog();
        QVERIFY(!confirm->OkBtn->isEnabled());
        confirm->DelayTimerTimer();
        confirm->OkBtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(kv::test::nodeNamed(form.Tree(), "철수"), 10000);
        QCOMPARE(kv::cp949ToUtf8(fakes.boxes.shown.back().text),
                 std::string("철수(01005051234)님이 등록 되었습니다."));

        // Changed, and another partner deleted.
        form.TVuserlist->Select(kv::test::nodeNamed(form.Tree(), "철수"));
        kv::test::answerUserAddDialog([](kv::TUserAddForm& d) {
            d.edNickName->setText(QStringLiteral("영희"));
            d.OkBtn->click();
        });
        form.actMemberInfo->trigger();
        QVERIFY(seen("<- UM:"));
        form.TVuserlist->Select(kv::test::nodeNamed(form.Tree(), "세탁소"));
        form.actDeleteUser->trigger();
        QVERIFY(seen("<- UD:1007"));
        const std::vector<std::string> expected{
            "가족 (2)", "  엄마",      "  아빠",        "친구 (2)",    "  민수", "  지영이",
            "회사 (1)", "  김 부장님", "고교 동창 (1)", "  택배 기사", "영희"};
        QCOMPARE(kv::test::treeLines(form.Tree()), expected);

        // Out and in again: the server's tree is the same.
        form.Session().actLogoutExecute();
        QCOMPARE(form.Conn().State(), kv::ConnectionState::Closed);
        QCOMPARE(form.Tree().Count(), std::size_t(0));
        form.Session().SignIn("demo", "demo1234");
        QTRY_COMPARE_WITH_TIMEOUT(form.Conn().State(), kv::ConnectionState::SignedIn, 10000);
        QCOMPARE(kv::test::treeLines(form.Tree()), expected);
        QCOMPARE(kv::test::nodeNamed(form.Tree(), "영희")->Data()->Buddy()->Phone,
                 std::string("01005051234"));
        ::unsetenv("KESTROVANE_SERVER");
    }
};

QTEST_MAIN(ContactsEndToEndTest)
#include "contacts_e2e_test.moc"
