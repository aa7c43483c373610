// Renders the program's windows to PNG files, offscreen, so that their look can be reviewed
// without a desktop: kestrovane-screenshots OUTPUT_DIR
// Settings come from (and go to) a temporary folder; nothing of the user's is touched.

#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "core/base/cp949.h"
#include "core/posix/ini_registry.h"
#include "core/posix/posix_line_socket.h"
#include "core/posix/xdg_autorun.h"
#include "devserver/account_data.h"
#include "devserver/account_store.h"
#include "devserver/chat_server.h"
#include "modules/net/qt_http_get.h"
#include "qt/application.h"
#include "qt/qt_message_boxes.h"
#include "qt/qt_process_launcher.h"
#include "qt/qt_shell.h"
#include "qt/qt_ui_thread.h"
#include "qt/widgets/send_memo.h"
#include "ui/chat/SessionUnit.h"
#include "ui/contacts/UserAddUnit.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/dialogs/AbountUnit.h"
#include "ui/dialogs/LoginUnit.h"
#include "ui/dialogs/OptionUnit.h"
#include "ui/group_send/GroupSendUnit.h"
#include "ui/main/MainUnit.h"
#include "ui/main/desktop_services.h"
#include "ui/popup/MSNPopUp.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>

namespace {

bool save(QWidget& w, const QString& dir, const char* name) {
    const QString path = QDir(dir).filePath(QString::fromUtf8(name));
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toUtf8().constData());
    return ok;
}

// A conversation with the demo partner 민수 (sent and received entries), and a message for
// 엄마, whose window is hidden: its popup notice.
bool chatWindowShots(kv::TMainForm& form, const QString& dir) {
    kv::ContactTree& tree = form.Tree();
    for (std::size_t i = 0; i < tree.Count(); ++i)
        if (tree.Item(i)->Caption().rfind(kv::cp949("민수"), 0) == 0)
            form.TVuserlist->Select(tree.Item(i));
    form.actSendText->trigger();
    if (form.SessionList().empty())
        return false;
    kv::TSessionForm* chat = form.SessionList().back();
    chat->SendText->setPlainText(QStringLiteral("주말에 시간 있어?\n같이 영화 보자"));
    chat->SendBtn->click();
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && chat->Log().EntryCount() < 2)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    chat->SendText->setPlainText(QStringLiteral("몇 시에 만날까?"));
    QCoreApplication::processEvents();
    bool ok = chat->Log().EntryCount() >= 2 && save(*chat, dir, "chat-window.png");

    form.Conn().Msg = kv::cp949("H:1001:밥 먹었니?<br>일찍 들어와");
    form.DoMessage();
    QCoreApplication::processEvents();
    const auto popups = kv::TMSNPopUp::AllPopups();
    ok &= !popups.empty() && form.SessionList().back()->isMinimized();
    if (!popups.empty()) {
        // Where it ends its slide: drawn as it is seen then.
        popups.back()->tmrScrollTimer();
        for (int i = 0; i < 200 && popups.back()->tmrScroll->enabled(); ++i)
            popups.back()->tmrScrollTimer();
        ok &= save(*popups.back(), dir, "chat-arrival-popup.png");
    }
    for (kv::TSessionForm* w : form.SessionList())
        w->MSNPopUp->ClosePopUps();
    return ok;
}

kv::ContactNode* nodeNamed(kv::TMainForm& form, const char* utf8Caption) {
    kv::ContactTree& tree = form.Tree();
    for (std::size_t i = 0; i < tree.Count(); ++i)
        if (tree.Item(i)->Caption() == kv::cp949(utf8Caption))
            return tree.Item(i);
    return nullptr;
}

// The main window with the context menu a right-button release on the node's caption opens,
// drawn where it opens (offscreen, a popup is a window of its own).
bool contextMenuShot(kv::TMainForm& form, kv::ContactNode* node, QMenu* menu, const QString& dir,
                     const char* name) {
    if (!node)
        return false;
    const QPoint at = form.TVuserlist->LabelRect(node).center();
    form.TVuserlistMouseUp(Qt::RightButton, at);
    QCoreApplication::processEvents();
    if (!menu->isVisible())
        return false;
    QPixmap shot = form.grab();
    {
        QPainter p(&shot);
        p.drawPixmap(menu->pos() - form.mapToGlobal(QPoint(0, 0)), menu->grab());
    }
    menu->hide();
    const QString path = QDir(dir).filePath(QString::fromUtf8(name));
    const bool ok = shot.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toUtf8().constData());
    return ok;
}

// The add-partner dialog in its three modes.
bool userAddShots(kv::TMainForm& form, const QString& dir) {
    bool ok = true;
    {
        kv::TUserAddForm add(form.Conn(), &form);
        add.SetUpAdd();
        add.edNumber->setText(QStringLiteral("12345678"));
        add.edNickName->setText(QStringLiteral("철수"));
        add.show();
        QCoreApplication::processEvents();
        ok &= save(add, dir, "user-add-dialog.png");
    }
    {
        kv::TUserAddForm confirm(form.Conn(), &form);
        confirm.SetUpConfirm(
            {kv::cp949("한국"), "010", "05051234", kv::cp949("철수"), "05055051234"});
        confirm.show();
        QCoreApplication::processEvents();
        ok &= save(confirm, dir, "user-add-confirm.png");
    }
    if (kv::ContactNode* mom = nodeNamed(form, "엄마")) {
        kv::TUserAddForm details(form.Conn(), &form);
        details.SetUpDetails(*mom->Data()->Buddy());
        details.show();
        QCoreApplication::processEvents();
        ok &= save(details, dir, "user-details-dialog.png");
    } else {
        ok = false;
    }
    return ok;
}

// The group send filled from the demo contacts: two partners and a typed number chosen, a
// sender, a reserved time and a text.
bool groupSendShot(kv::TMainForm& form, const QString& dir) {
    kv::TGroupSend dialog({&form.Conn(), nullptr, nullptr,
                           [] { return QDateTime(QDate(2026, 12, 24), QTime(18, 30)); }},
                          &form);
    dialog.FillContacts(form.Tree());
    dialog.show();
    dialog.FormActivate();
    const auto pick = [&](std::initializer_list<int> rows) {
        dialog.lbxUserList->clearSelection();
        for (int r : rows)
            dialog.lbxUserList->selectionModel()->select(dialog.lbxUserList->model()->index(r, 0),
                                                         QItemSelectionModel::Select);
    };
    pick({0, 2});
    dialog.Button1Click();
    dialog.edPhone->setText(QStringLiteral("01099998888"));
    dialog.edSendPhone->setText(QStringLiteral("01012345678"));
    dialog.Button4Click();
    dialog.SendText->setPlainText(QStringLiteral("메리 크리스마스!\n즐거운 성탄 보내세요 ^^"));
    pick({1});
    QCoreApplication::processEvents();
    return dialog.Lists().Recipients().size() == 3 && save(dialog, dir, "group-send-dialog.png");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    QTemporaryDir config;
    ::setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    kv::KestrovaneApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    kv::DesktopServices desktop(&app);
    const kv::MainServices services = desktop.ForMainWindow("/usr/bin/kestrovane", {"/noau"});
    kv::QtShell& shell = desktop.shell;

    bool ok = true;
    {
        kv::TMainForm form(services);
        form.show();
        QCoreApplication::processEvents();
        ok &= save(form, out, "main-signed-out.png");

        form.Conn().SetState(kv::ConnectionState::SigningIn);
        form.Session().UpdateLoginState();
        QCoreApplication::processEvents();
        ok &= save(form, out, "main-signing-in.png");
        form.Conn().SetState(kv::ConnectionState::Closed);

        // Signed in to the dev server's demo account, in this process.
        kv::devserver::AccountStore store(kv::devserver::loadAccounts(KV_DEVSERVER_DEMO_DATA));
        kv::devserver::ServerOptions chatOptions;
        chatOptions.chatPort = 0;
        chatOptions.pingInterval = std::chrono::milliseconds(0);
        kv::devserver::ChatServer chat(store, chatOptions);
        chat.start();
        ::setenv("KESTROVANE_SERVER", ("127.0.0.1:" + std::to_string(chat.port())).c_str(), 1);
        form.Session().SignIn("demo", "demo1234");
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && (form.Conn().State() != kv::ConnectionState::SignedIn ||
                                          form.spSkinStatusPanel1->text().isEmpty()))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ok &= form.Conn().State() == kv::ConnectionState::SignedIn;
        ok &= save(form, out, "main-signed-in.png");
        ok &= contextMenuShot(form, nodeNamed(form, "친구 (2)"), form.spGroup, out,
                              "main-group-menu.png");
        ok &= contextMenuShot(form, nodeNamed(form, "민수"), form.spUser, out,
                              "main-partner-menu.png");
        ok &= userAddShots(form, out);
        ok &= chatWindowShots(form, out);
        ok &= groupSendShot(form, out);
        form.Conn().Disconnect();

        kv::TLogin login(shell, "http://127.0.0.1:8080", &form);
        login.Userid->setText(QStringLiteral("홍길동a"));
        login.Password->setText(QStringLiteral("secret"));
        login.AutoLogin->setChecked(true);
        login.show();
        QCoreApplication::processEvents();
        ok &= save(login, out, "login-dialog.png");

        kv::TOptionForm options({nullptr, nullptr, nullptr, "http://127.0.0.1:8080", "demo"},
                                &form);
        options.autorun->setChecked(true);
        options.alram->setChecked(true);
        options.alramrepeat->setChecked(true);
        options.show();
        QCoreApplication::processEvents();
        ok &= save(options, out, "options-dialog.png");

        kv::TAboutForm about(shell, "http://127.0.0.1:8080", &form);
        about.show();
        QCoreApplication::processEvents();
        ok &= save(about, out, "about-box.png");
    }
    return ok ? 0 : 1;
}
