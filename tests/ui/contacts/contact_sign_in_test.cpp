// The main window signing in to the dev server's chat server, in process: the contact tree,
// the state label and the balance after the sign-in lists, and again after signing out and in.

#include <QLabel>
#include <QtTest>

#include <cstdlib>

#include "core/posix/posix_line_socket.h"
#include "devserver/account_data.h"
#include "qt/qt_ui_thread.h"
#include "support/demo_chat_server.h"
#include "support/fake_main_services.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/main/MainUnit.h"

namespace {

struct Rig : kv::test::FakeMainServices, kv::test::DemoChatServer {};

// The view's rows in display order, children indented by two blanks.
QStringList rows(kv::TVuserlist& view) {
    QStringList out;
    const QAbstractItemModel& m = view.Model();
    for (int r = 0; r < m.rowCount(); ++r) {
        const QModelIndex i = m.index(r, 0);
        out << m.data(i).toString();
        for (int c = 0; c < m.rowCount(i); ++c)
            out << QStringLiteral("  ") + m.data(m.index(c, 0, i)).toString();
    }
    return out;
}

const QStringList kDemoTree = {
    "가족 (2)", "  엄마",   "  아빠",      "친구 (2)",  "  민수",
    "  지영이", "회사 (1)", "  김 부장님", "택배 기사", "세탁소",
};

}  // namespace

class ContactSignInTest : public QObject {
    Q_OBJECT
private slots:
    void demoAccountFillsTreeAndBalance() {
        Rig rig;
        kv::TMainForm form(rig.services());
        form.show();
        kv::TVuserlist& view = *form.TVuserlist;
        QCOMPARE(view.parentWidget(), form.TVuserlistArea);

        for (int round = 0; round < 2; ++round) {
            form.Session().SignIn("demo", "demo1234");
            QTRY_COMPARE_WITH_TIMEOUT(form.Conn().State(), kv::ConnectionState::SignedIn, 10000);
            QTRY_COMPARE_WITH_TIMEOUT(form.spSkinStatusPanel1->text(),
                                      QStringLiteral("현재 충전 건수는 25건 입니다."), 10000);
            QCOMPARE(form.Conn().CashCount, 25);
            QCOMPARE(rows(view), kDemoTree);  // each node once, also the second time
            for (int r = 0; r < 3; ++r)
                QVERIFY(view.isExpanded(view.Model().index(r, 0)));
            QCOMPARE(form.idState->text(), QStringLiteral("demo"));
            QVERIFY(!form.Logopanel->isVisible());
            QVERIFY(form.PingTimer->isActive());

            form.Session().actLogoutExecute();  // the fake box answers Yes
            QCOMPARE(form.Conn().State(), kv::ConnectionState::Closed);
            QCOMPARE(view.Model().rowCount(), 0);
            QVERIFY(form.spSkinStatusPanel1->text().isEmpty());
        }
    }
};

QTEST_MAIN(ContactSignInTest)
#include "contact_sign_in_test.moc"
