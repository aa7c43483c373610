// Every window of the program as a screen reader meets it: each control that takes input has
// a name. A new window is one line in `windows()`.

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

#include "core/base/cp949.h"
#include "core/connection/vane.h"
#include "support/accessible_names.h"
#include "support/fake_main_services.h"
#include "ui/chat/SessionUnit.h"
#include "ui/contacts/UserAddUnit.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/dialogs/AbountUnit.h"
#include "ui/dialogs/LoginUnit.h"
#include "ui/dialogs/OptionUnit.h"
#include "ui/group_send/GroupSendUnit.h"
#include "ui/main/MainUnit.h"
#include "ui/popup/MSNPopUp.h"

Q_DECLARE_METATYPE(std::function<std::unique_ptr<QWidget>(kv::test::FakeMainServices&)>)

namespace {

using kv::test::FakeMainServices;
using MakeWindow = std::function<std::unique_ptr<QWidget>(FakeMainServices&)>;

// A window that works on a connection of its own, which goes with the window.
template <typename Make>
std::unique_ptr<QWidget> withConnection(FakeMainServices& s, Make make) {
    auto* conn = new kv::TVANE(s.services().ui, s.services().sockets);
    std::unique_ptr<QWidget> window = make(*conn);
    QObject::connect(window.get(), &QObject::destroyed, [conn] { delete conn; });
    return window;
}

struct Window {
    const char* name;
    MakeWindow make;
};

std::vector<Window> windows() {
    const std::string root = "http://127.0.0.1:8080";
    return {
        {"main window",
         [](FakeMainServices& s) { return std::make_unique<kv::TMainForm>(s.services()); }},
        {"login",
         [root](FakeMainServices& s) { return std::make_unique<kv::TLogin>(s.shell, root); }},
        {"options",
         [root](FakeMainServices& s) {
             return std::make_unique<kv::TOptionForm>(
                 kv::OptionServices{&s.player, &s.boxes, &s.web, root, "demo"});
         }},
        {"about",
         [root](FakeMainServices& s) { return std::make_unique<kv::TAboutForm>(s.shell, root); }},
        {"chat window",
         [](FakeMainServices& s) {
             kv::SessionServices services;
             services.boxes = &s.boxes;
             services.player = &s.player;
             return std::make_unique<kv::TSessionForm>(services);
         }},
        {"add partner",
         [](FakeMainServices& s) {
             return withConnection(s, [](kv::TVANE& conn) {
                 auto form = std::make_unique<kv::TUserAddForm>(conn);
                 form->SetUpAdd();
                 return form;
             });
         }},
        {"group send",
         [](FakeMainServices& s) {
             return withConnection(s, [&s](kv::TVANE& conn) {
                 return std::make_unique<kv::TGroupSend>(
                     kv::GroupSendServices{&conn, &s.boxes, &s.web, {}});
             });
         }},
    };
}

// The widgets that take the focus, from `first` on, one Tab key after another, until the
// focus comes back to `first` (or 20 steps).
QWidgetList tabChain(QWidget* window, QWidget* first) {
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return {};
    first->setFocus(Qt::TabFocusReason);
    QWidgetList chain;
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        chain << QApplication::focusWidget();
        if (chain.back() == first)
            break;
    }
    return chain;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void everyInputControlHasAName_data() {
        QTest::addColumn<MakeWindow>("make");
        for (const Window& w : windows())
            QTest::newRow(w.name) << w.make;
    }

    void everyInputControlHasAName() {
        QFETCH(MakeWindow, make);
        FakeMainServices services;
        std::unique_ptr<QWidget> window = make(services);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QStringList unnamed = kv::test::UnnamedInputControls(window.get());
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("; "))));
        window->hide();
    }

    void aPopupNoticeReadsAsItShows() {
        kv::TMSNPopUp notifier;
        notifier.Title = kv::cp949("엄마");
        notifier.Text = kv::cp949("저녁 먹자");
        QVERIFY(notifier.ShowPopUp());
        kv::TfrmMSNPopUp* popup = notifier.Popups().at(0);
        QVERIFY(kv::test::UnnamedInputControls(popup).isEmpty());
        const QStringList names = kv::test::AccessibleNames(popup);
        QVERIFY2(names.contains(QStringLiteral("엄마")), qPrintable(names.join(';')));
        QVERIFY2(names.contains(QStringLiteral("저녁 먹자")), qPrintable(names.join(';')));
        popup->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void theTreeAndTheLogsAreNamedAfterWhatTheyShow() {
        FakeMainServices services;
        kv::TMainForm form(services.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(kv::test::AccessibleNames(&form).contains(QStringLiteral("대화상대 목록")));

        kv::SessionServices chatServices;
        kv::TSessionForm chat(chatServices);
        chat.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chat));
        const QStringList names = kv::test::AccessibleNames(&chat);
        QVERIFY2(names.contains(QStringLiteral("대화내용")), qPrintable(names.join(';')));
        QVERIFY2(names.contains(QStringLiteral("보낼 메시지")), qPrintable(names.join(';')));
    }

    // The keyboard alone reaches every control, in the order the dialogs are laid out for.
    void tabOrders() {
        FakeMainServices services;
        kv::TLogin login(services.shell, "http://127.0.0.1:8080");
        login.Userid->setText(QStringLiteral("demo"));
        login.Password->setText(QStringLiteral("demo1234"));
        QCOMPARE(tabChain(&login, login.Userid),
                 (QWidgetList{login.Password, login.AutoLogin, login.savepassword, login.btnOK,
                              login.Button2, login.Userid}));

        kv::TOptionForm options(kv::OptionServices{&services.player, &services.boxes, &services.web,
                                                   "http://h", "demo"});
        options.alram->setChecked(true);
        QCOMPARE(tabChain(&options, options.autorun),
                 (QWidgetList{options.autologin, options.Button1, options.Button2, options.alram,
                              options.alramrepeat, options.alramfile, options.alrambtn,
                              options.alramplay, options.Button3, options.autorun}));

        // The main window opens with the contact tree ready for the arrow keys and the menus.
        kv::TMainForm form(services.services());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.TVuserlist));
    }

    void theCheckFindsAnUnnamedControl() {
        QWidget window;
        auto* box = new QLineEdit(&window);
        box->setObjectName(QStringLiteral("nameless"));
        new QLineEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(kv::test::UnnamedInputControls(&window).size(), 2);
        box->setAccessibleName(QStringLiteral("이름"));
        QCOMPARE(kv::test::UnnamedInputControls(&window).size(), 1);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
