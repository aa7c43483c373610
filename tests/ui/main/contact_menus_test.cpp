// The contact commands as the main window offers them: the contacts menu and its enabling,
// the tree's context menus, dragging onto a group, and the add-partner dialog, against a
// scripted server.

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "core/base/cp949.h"
#include "support/contact_window_helpers.h"
#include "support/fake_main_services.h"
#include "support/scripted_server.h"
#include "support/served_lines.h"
#include "support/served_main_window.h"
#include "ui/contacts/UserAddUnit.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/main/MainUnit.h"

using namespace std::chrono_literals;
using kv::TMainForm;

namespace {

struct Rig : kv::test::ServedMainServices {
    std::unique_ptr<TMainForm> form;

    Rig() {
        presetAutoLogin("demo", "demo1234");
        form = std::make_unique<TMainForm>(services());
        form->show();
        expect("LO:demo,demo1234");
        send("R:ak");
        expect("GC:");
        send("GR:1,가족/2,친구/");
        expect("AC:");
        send("AC:1,엄마,01012345678,,p1,0/0,택배,0162223333,,p4,0/");
        expect("RC:");
    }
    ~Rig() { form.reset(); }

    void expect(const std::string& utf8) {
        if (utf8 == "LO:demo,demo1234" && !server.accept())
            QFAIL("no connection");
        const auto line = nextLine();
        QCOMPARE(kv::cp949ToUtf8(line.value_or("<none>")), utf8);
    }
    void send(const std::string& utf8) { server.sendLine(kv::cp949(utf8)); }

    kv::ContactNode* node(const char* utf8Caption) {
        return kv::test::nodeNamed(form->Tree(), utf8Caption);
    }
    QPoint labelCentre(kv::ContactNode* n) { return form->TVuserlist->LabelRect(n).center(); }
};

}  // namespace

class ContactMenusTest : public QObject {
    Q_OBJECT
private slots:
    void contextMenusOpenOnCaptionsOnly() {
        Rig rig;
        TMainForm& form = *rig.form;
        QCOMPARE(kv::test::MenuCaptions(form.spGroup),
                 QStringList({"새 그룹 만들기(&N)", "-", "그룹이름 바꾸기(&R)", "그룹 삭제(&D)"}));
        QCOMPARE(kv::test::MenuCaptions(form.spUser),
                 QStringList({"메시지 보내기(&S)", "-", "대화상대 등록정보(&R)",
                              "대화상대 추가(&A)", "대화상대 삭제(&D)"}));
        QWidget* viewport = form.TVuserlist->viewport();
        kv::ContactNode* mom = rig.node("엄마");
        kv::ContactNode* family = rig.node("가족 (1)");
        QVERIFY(mom && family);
        // Partners never have children, so the view keeps no expanded entry for each.
        kv::ContactItemModel& model = form.TVuserlist->Model();
        QVERIFY(model.flags(model.IndexOf(mom)) & Qt::ItemNeverHasChildren);
        QVERIFY(!(model.flags(model.IndexOf(family)) & Qt::ItemNeverHasChildren));
        // On the image, or with the left button: no menu.
        form.TVuserlistMouseUp(Qt::RightButton, form.TVuserlist->ImageRect(mom).center());
        form.TVuserlistMouseUp(Qt::LeftButton, rig.labelCentre(mom));
        QVERIFY(!form.spUser->isVisible() && !form.spGroup->isVisible());
        QTest::mouseRelease(viewport, Qt::RightButton, {}, rig.labelCentre(mom));
        QTRY_VERIFY(form.spUser->isVisible());
        QCOMPARE(form.TVuserlist->Selected(), mom);
        form.spUser->hide();
        QTest::mouseRelease(viewport, Qt::RightButton, {}, rig.labelCentre(family));
        QTRY_VERIFY(form.spGroup->isVisible());
        QCOMPARE(form.TVuserlist->Selected(), family);
        form.spGroup->hide();
    }

    void contactsMenuFollowsTheSelectionWithoutTouchingTheActions() {
        Rig rig;
        TMainForm& form = *rig.form;
        QCOMPARE(kv::test::MenuCaptions(form.ContactsMenu),
                 QStringList({"메시지 보내기(&S)", "-", "대화상대 추가(&A)",
                              "대화상대 등록정보(&R)", "대화상대 삭제(&D)", "-",
                              "새 그룹 만들기(&N)", "그룹이름 바꾸기(&R)", "그룹 삭제(&D)"}));
        auto state = [&] {
            QString s;
            for (QAction* a : {form.miSend, form.miMemberInfo, form.miDeleteUser,
                               form.miRenameGroup, form.miDeleteGroup})
                s += a->isEnabled() ? '1' : '0';
            return s;
        };
        form.TVuserlist->Select(nullptr);
        emit form.ContactsMenu->aboutToShow();
        QCOMPARE(state(), QStringLiteral("00000"));
        form.TVuserlist->Select(rig.node("엄마"));
        emit form.ContactsMenu->aboutToShow();
        QCOMPARE(state(), QStringLiteral("11100"));
        form.TVuserlist->Select(rig.node("친구"));
        emit form.ContactsMenu->aboutToShow();
        QCOMPARE(state(), QStringLiteral("00011"));
        // The shared actions stay usable from the context menus and the double click.
        for (QAction* a : {form.actSendText, form.actMemberInfo, form.actDeleteUser})
            QVERIFY(a->isEnabled());
        form.TVuserlist->Select(rig.node("엄마"));
        form.actSendText->trigger();
        QCOMPARE(form.SessionList().size(), std::size_t(1));
        // A contacts-menu item issues its command.
        form.TVuserlist->Select(rig.node("친구"));
        rig.boxes.inputs = {kv::cp949("동창")};
        form.miRenameGroup->trigger();
        rig.expect("GM:2,동창");
        // Signed out, the items follow the actions off.
        form.Conn().Disconnect();
        emit form.ContactsMenu->aboutToShow();
        QCOMPARE(state(), QStringLiteral("00000"));
    }

    void draggingOntoAGroupThroughTheView() {
        Rig rig;
        TMainForm& form = *rig.form;
        kv::ContactNode* courier = rig.node("택배");
        kv::ContactNode* friends = rig.node("친구");
        form.TVuserlist->Select(courier);
        QVERIFY(!form.TVuserlist->OnDragOver(rig.labelCentre(rig.node("엄마"))));
        QVERIFY(!form.TVuserlist->OnDragOver(QPoint(5, 400)));  // empty space
        QVERIFY(form.TVuserlist->OnDragOver(rig.labelCentre(friends)));
        form.TVuserlist->OnDragDrop(rig.labelCentre(friends));
        rig.expect("GS:2,p4");
        QCOMPARE(friends->Caption(), kv::cp949("친구 (1)"));
        QCOMPARE(courier->Parent(), friends);
    }

    void registrationWithConfirmationDetailsAndDelete() {
        Rig rig;
        TMainForm& form = *rig.form;
        kv::test::answerUserAddDialog([](kv::TUserAddForm& d) {
            QCOMPARE(d.FMode, kv::TUserAddForm::kAdd);
            d.cbPreNum->setCurrentIndex(1);
            d.edNumber->setText(QStringLiteral("05051234"));
            d.edNickName->setText(QStringLiteral("철수"));
            d.OkBtn->click();
        });
        form.actAddUser->trigger();
        rig.expect("UN:82,01105051234,철수");
        rig.send("P:10,0505999");
        QTRY_VERIFY(kv::test::shownConfirmDialog());
        QPointer<kv::TUserAddForm> confirm = kv::test::shownConfirmDialog();
        QCOMPARE(confirm->FMode, kv::TUserAddForm::kConfirm);
        QCOMPARE(confirm->edVtNumber->text(), QStringLiteral("0505999"));
        QVERIFY(!confirm->OkBtn->isEnabled());
        confirm->DelayTimerTimer();
        confirm->OkBtn->click();
        rig.expect("UK:01105051234,0505999");
        QTRY_VERIFY(confirm.isNull());
        rig.send("P:0,p77");
        QTRY_COMPARE(rig.boxes.shown.size(), std::size_t(1));
        QCOMPARE(kv::cp949ToUtf8(rig.boxes.shown[0].text),
                 std::string("철수(01105051234)님이 등록 되었습니다."));
        kv::ContactNode* added = rig.node("철수");
        QVERIFY(added);
        QCOMPARE(added->Data()->Buddy()->UserPort, std::string("p77"));

        // Details: the change goes out, and the acknowledgement is answered by an empty line.
        form.TVuserlist->Select(added);
        kv::test::answerUserAddDialog([](kv::TUserAddForm& d) {
            QCOMPARE(d.FMode, kv::TUserAddForm::kDetails);
            QCOMPARE(d.edNumber->text(), QStringLiteral("05051234"));
            d.edNickName->setText(QStringLiteral("철수형"));
            d.OkBtn->click();
        });
        form.actMemberInfo->trigger();
        rig.expect("UM:p77,01105051234,철수형");
        rig.send("R:ak");
        rig.expect("");
        form.actDeleteUser->trigger();  // the fake box answers Yes
        rig.expect("UD:p77");
        rig.send("R:ak");
        rig.expect("");
        QVERIFY(!rig.node("철수형"));
    }
};

QTEST_MAIN(ContactMenusTest)
#include "contact_menus_test.moc"
