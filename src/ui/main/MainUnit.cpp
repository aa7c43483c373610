#include "ui/main/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "core/base/cp949.h"
#include "core/ports/message_boxes.h"
#include "core/ports/notification_area.h"
#include "core/service/service_addresses.h"
#include "core/service/update_check.h"
#include "core/web/page_addresses.h"
#include "core/web/page_windows.h"
#include "qt/edge_snapper.h"
#include "qt/logo.h"
#include "qt/native_window.h"
#include "qt/qt_text.h"
#include "qt/widgets/send_memo.h"
#include "ui/chat/SessionUnit.h"
#include "ui/contacts/UserAddUnit.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/dialogs/AbountUnit.h"
#include "ui/dialogs/LoginUnit.h"
#include "ui/dialogs/OptionUnit.h"
#include "ui/group_send/GroupSendUnit.h"
#include "ui/main/chat_windows.h"
#include "ui/main/copy_data_entry.h"

namespace kv {

namespace {

std::string utf8(const QString& s) {
    return s.toUtf8().toStdString();
}

// The program's file name as the logic holds texts (CP949); a path CP949 cannot hold is kept
// as it is rather than lost.
std::string localPath(const std::string& path) {
    auto bytes = utf8ToCp949(path);
    return bytes ? *bytes : path;
}

}  // namespace

TMainForm::TMainForm(MainServices services, QWidget* parent)
    : QMainWindow(parent), FServices(std::move(services)) {
    setWindowTitle(QStringLiteral("케스트로바네"));
    setWindowIcon(KestrovaneIcon());
    setMinimumSize(225, 300);
    new EdgeSnapper(this);
    BuildActions();
    BuildMenus();
    BuildFrame();
    FormCreate();
    // What the first picture does not need waits for it: the loop runs after show().
    QTimer::singleShot(0, this, [this] { CompleteStart(); });
}

void TMainForm::CompleteStart() {
    // A window asked onto the screen but not drawn yet is drawn first (its expose, in
    // eventFilter), or waited for a second at most: one mapped on another workspace is not
    // drawn until it is looked at.
    QWindow* window = windowHandle();
    if (isVisible() && window && !window->isExposed()) {
        window->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { CompleteStartNow(); });
        return;
    }
    CompleteStartNow();
}

void TMainForm::CompleteStartNow() {
    if (QWindow* window = windowHandle())
        window->removeEventFilter(this);
    if (TrayIcon || FQuitting)
        return;
    // The tray's set-up asks the session bus and the X server, and the publication waits for
    // the disk.
    BuildTray();
    FStore->PublishInstance();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::BuildActions() {
    auto make = [this](QAction*& action, const char* caption, auto handler) {
        action = new QAction(QString::fromUtf8(caption), this);
        connect(action, &QAction::triggered, this, handler);
    };
    make(actLogin, "로그인(&I)", [this] { actLoginExecute(); });
    make(actLogout, "로그아웃(&N)", [this] { Session().actLogoutExecute(); });
    make(actMoney, "충전하기(&M)", [this] { actMoneyExecute(); });
    make(actOption, "옵션(&O)", [this] { actOptionExecute(); });
    make(actExit, "종료(&X)", [this] { actExitExecute(); });
    make(actSendText, "메시지 보내기(&S)", [this] { actSendTextExecute(); });
    // The contact commands act on the tree's selected node as it is when they run.
    auto selected = [this] { return TVuserlist ? TVuserlist->Selected() : nullptr; };
    make(actAddUser, "대화상대 추가(&A)", [this] { FParts->Commands().actAddUserExecute(); });
    make(actMemberInfo, "대화상대 등록정보(&R)",
         [this, selected] { FParts->Commands().actMemberInfoExecute(selected()); });
    make(actDeleteUser, "대화상대 삭제(&D)",
         [this, selected] { FParts->Commands().actDeleteUserExecute(selected()); });
    make(actNewGroup, "새 그룹 만들기(&N)", [this] { FParts->Commands().actNewGroupExecute(); });
    make(actRenameGroup, "그룹이름 바꾸기(&R)",
         [this, selected] { FParts->Commands().actRenameGroupExecute(selected()); });
    make(actDeleteGroup, "그룹 삭제(&D)",
         [this, selected] { FParts->Commands().actDeleteGroupExecute(selected()); });
    make(actGroupSend, "그룹전송(&G)", [this] { actGroupSendExecute(); });
    make(actHelp, "도움말(&H)", [this] { actHelpExecute(); });
    make(actAbout, "케스트로바네에 대하여...(&A)", [this] { actAboutExecute(); });
    make(actRestore, "케스트로바네 열기(&O)", [this] { actRestoreExecute(); });
}

void TMainForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("파일(&F)"));
    file->addAction(actLogin);
    file->addAction(actLogout);
    file->addSeparator();
    file->addAction(actMoney);
    file->addAction(actOption);
    file->addSeparator();
    file->addAction(actExit);

    ContactsMenu = menuBar()->addMenu(QStringLiteral("대화상대(&C)"));
    // An item of the menu's own that issues the shared action and follows its enabling until
    // the menu opens.
    auto item = [this](QAction* action) {
        QAction* mi = ContactsMenu->addAction(action->text());
        mi->setEnabled(action->isEnabled());
        connect(mi, &QAction::triggered, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, mi, &QAction::setEnabled);
        return mi;
    };
    miSend = item(actSendText);
    ContactsMenu->addSeparator();
    ContactsMenu->addAction(actAddUser);
    miMemberInfo = item(actMemberInfo);
    miDeleteUser = item(actDeleteUser);
    ContactsMenu->addSeparator();
    ContactsMenu->addAction(actNewGroup);
    miRenameGroup = item(actRenameGroup);
    miDeleteGroup = item(actDeleteGroup);
    // Qt reports no pointer coming onto a menu title; the menu about to open stands for it.
    connect(ContactsMenu, &QMenu::aboutToShow, this,
            [this] { spSkinMainMenuBar1ItemMouseEnter(ContactsMenu); });

    spGroup = new QMenu(this);
    spGroup->addAction(actNewGroup);
    spGroup->addSeparator();
    spGroup->addAction(actRenameGroup);
    spGroup->addAction(actDeleteGroup);
    spUser = new QMenu(this);
    spUser->addAction(actSendText);
    spUser->addSeparator();
    spUser->addAction(actMemberInfo);
    spUser->addAction(actAddUser);
    spUser->addAction(actDeleteUser);

    QMenu* groupSend = menuBar()->addMenu(QStringLiteral("그룹전송(&M)"));
    groupSend->addAction(actGroupSend);

    QMenu* help = menuBar()->addMenu(QStringLiteral("도움말(&H)"));
    help->addAction(actHelp);
    help->addSeparator();
    help->addAction(actAbout);
}

void TMainForm::BuildFrame() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* statePanel = new QWidget(central);
    statePanel->setFixedHeight(25);
    auto* stateRow = new QHBoxLayout(statePanel);
    stateRow->setContentsMargins(8, 0, 8, 0);
    idState = new QLabel(statePanel);
    idState->setFont(BoldOf(idState->font()));
    idState->setCursor(Qt::PointingHandCursor);
    idState->installEventFilter(this);
    stateRow->addWidget(idState);
    column->addWidget(statePanel);

    // The contact tree's place; the tree view itself fills it once signed in.
    TVuserlistArea = new QWidget(central);
    TVuserlistArea->setObjectName(QStringLiteral("TVuserlistArea"));
    TVuserlistArea->setAutoFillBackground(true);
    QPalette white = TVuserlistArea->palette();
    white.setColor(QPalette::Window, Qt::white);
    TVuserlistArea->setPalette(white);
    auto* treeLayout = new QVBoxLayout(TVuserlistArea);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(TVuserlistArea, 1);

    Logopanel = new QWidget(central);
    Logopanel->setFixedHeight(49);
    Logopanel->setAutoFillBackground(true);
    Logopanel->setPalette(white);
    auto* logoRow = new QHBoxLayout(Logopanel);
    logoRow->setContentsMargins(4, 2, 6, 2);
    logoRow->addStretch(1);
    auto* logo = new QLabel(Logopanel);
    logo->setPixmap(KestrovaneLogo(40));
    logoRow->addWidget(logo);
    column->addWidget(Logopanel);
    setCentralWidget(central);

    spSkinStatusPanel1 = new QLabel(this);
    spSkinStatusPanel1->setCursor(Qt::PointingHandCursor);
    spSkinStatusPanel1->installEventFilter(this);
    statusBar()->setFixedHeight(21);
    statusBar()->setSizeGripEnabled(true);
    statusBar()->addWidget(spSkinStatusPanel1, 1);

    PingTimer = new QTimer(this);
    PingTimer->setInterval(5000);
    connect(PingTimer, &QTimer::timeout, this, [this] { Session().PingTimerTimer(); });
}

void TMainForm::BuildTray() {
    TrayIcon = new QSystemTrayIcon(KestrovaneIcon(), this);
    TrayIcon->setToolTip(windowTitle());
    auto* menu = new QMenu(this);
    menu->addAction(actRestore);
    menu->addSeparator();
    menu->addAction(actExit);
    TrayIcon->setContextMenu(menu);
    TrayIcon->show();
    // Asked once, the desktop reports a tray that appears or goes away from then on.
    if (FServices.tray)
        FServices.tray->Available();
}

bool TMainForm::TrayAvailable() const {
    // Not before the icon is there: a window hidden then could not be found again.
    return TrayIcon && (!FServices.tray || FServices.tray->Available());
}

void TMainForm::TrayChanged() {
    // The tray went away while the window was hidden in it.
    if (!TrayAvailable() && !isVisible() && !FQuitting)
        showMinimized();
}

void TMainForm::FormCreate() {
    FParts = std::make_unique<MainParts>(
        FServices.ui, FServices.sockets, *this, *FServices.boxes,
        [this](TVANE& conn) { return std::make_unique<QtUserAddDialogs>(conn, this); },
        MainPartsSinks{
            [this](const std::string& text) { spSkinStatusPanel1->setText(fromCp949(text)); },
            [this] { DoMessage(); }, [this] { DoActiveMessage(); }});
    ChatWindowsServices chats;
    chats.chat = {.conn = &Conn(),
                  .boxes = FServices.boxes,
                  .player = FServices.player,
                  .web = FServices.web};
    chats.registry = FServices.registry;
    chats.tree = &Tree();
    chats.charge = [this] { actMoney->trigger(); };
    chats.help = [this] { actHelp->trigger(); };
    chats.about = [this] { actAbout->trigger(); };
    FChats = std::make_unique<ChatWindows>(std::move(chats));
    FCopyData = std::make_unique<CopyDataEntry>(*FChats, this);

    TVuserlist = new kv::TVuserlist(Tree(), TVuserlistArea);
    TVuserlistArea->layout()->addWidget(TVuserlist);
    TVuserlist->OnDblClick = [this] { actSendTextExecute(); };
    TVuserlist->OnMouseUp = [this](Qt::MouseButton button, const QPoint& pos) {
        TVuserlistMouseUp(button, pos);
    };
    TVuserlist->OnDragOver = [this](const QPoint& pos) {
        return FParts->Commands().TVuserlistDragOver(TVuserlist->Selected(),
                                                     TVuserlist->HitTest(pos).node);
    };
    TVuserlist->OnDragDrop = [this](const QPoint& pos) {
        FParts->Commands().TVuserlistDragDrop(TVuserlist->Selected(),
                                              TVuserlist->HitTest(pos).node);
    };
    // Tab never reaches the tree, so it holds the focus from the start: the arrow keys and the
    // menus' contact commands work without a mouse.
    TVuserlist->setFocus();
    if (FServices.tray)
        FServices.tray->OnChanged = [this] { TrayChanged(); };

    LoadSettings();
    // Pages in the program's browser windows hand their choices to the same entry as the socket.
    if (FServices.web)
        FServices.web->SetCopyDataSink([this](std::uint32_t kind, const std::string& text) {
            FCopyData->CopyDataReceived({kind, text});
        });
    Session().UpdateLoginState();
    FQuitting = false;
    FAppPath = localPath(utf8(QCoreApplication::applicationDirPath()) + "/");

    try {
        if (RunUpdateCheck(*FServices.http, *FServices.launcher, FAppPath, FServices.arguments)) {
            // Handed over to the updater: the program ends as soon as its loop runs.
            FQuitting = true;
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            return;
        }
        if (FSettings.FAutoLogin)
            Session().SignIn(FSettings.FUserid, FSettings.FPassword);
    } catch (const std::exception& e) {
        // Start-up goes on without the automatic sign-in.
        ShowError(e.what());
    }
}

void TMainForm::FormDestroy() {
    if (FServices.tray)
        FServices.tray->OnChanged = nullptr;
    if (!FParts)
        return;
    if (Conn().State() != ConnectionState::Closed) {
        try {
            Conn().Disconnect();
        } catch (const std::exception&) {
            // Ending anyway: a failed "LX:" must not keep the settings from being written.
        }
    }
    if (FServices.web)
        FServices.web->SetCopyDataSink(nullptr);
    HelpWebForm.reset();
    FChats.reset();
    FParts.reset();
    SaveSettings();
}

void TMainForm::LoadSettings() {
    // The copy-data channel: its path is what outside programs find as "HWND".
    const std::string socketPath = localPath(utf8(FCopyData->Listen()));
    FStore = std::make_unique<SettingsStore>(
        *FServices.registry, *FServices.autoRun, FServices.player,
        InstanceInfo{localPath(FServices.programPath), socketPath,
                     static_cast<std::int64_t>(QCoreApplication::applicationPid())},
        ServiceWebRoot());
    FStore->LoadSettings(FSettings);
    const WindowBounds& b = FSettings.MainBounds;
    move(b.Left, b.Top);
    resize(b.Width, b.Height);
}

void TMainForm::SaveSettings() {
    const QRect frame = frameGeometry();
    FSettings.MainBounds = {frame.top(), frame.left(), width(), height()};
    FStore->SaveSettings(FSettings);
    FCopyData->Close();
}

void TMainForm::ShowError(const std::string& text) {
    auto bytes = utf8ToCp949(text);
    FServices.boxes->Show(bytes ? *bytes : text, MessageBoxes::Icon::Error,
                          MessageBoxes::Buttons::Ok);
}

void TMainForm::actLoginExecute() {
    TLogin login(*FServices.shell, ServiceWebRoot(), this);
    login.SetValues({FSettings.FUserid, FSettings.FSavePassword ? FSettings.FPassword : "",
                     FSettings.FAutoLogin, FSettings.FSavePassword});
    if (login.exec() != QDialog::Accepted)
        return;
    const LoginValues values = login.Values();
    FSettings.FUserid = values.UserId;
    FSettings.FPassword = values.Password;
    FSettings.FAutoLogin = values.AutoLogin;
    FSettings.FSavePassword = values.SavePassword;
    Session().SignIn(FSettings.FUserid, FSettings.FPassword);
}

void TMainForm::actExitExecute() {
    FQuitting = false;
    if (FServices.boxes->Show(cp949("케스트로바네를 종료 하시겠습니까?"),
                              MessageBoxes::Icon::Information,
                              MessageBoxes::Buttons::YesNo) == MessageBoxes::Result::Yes) {
        FQuitting = true;
        close();
    }
}

void TMainForm::QuitWithoutAsking() {
    FQuitting = true;
    close();
}

void TMainForm::actRestoreExecute() {
    showNormal();
    raise();
    activateWindow();
}

void TMainForm::idStateClick() {
    if (Conn().State() == ConnectionState::Closed)
        actLoginExecute();
}

void TMainForm::actMoneyExecute() {
    if (Conn().State() != ConnectionState::SignedIn || !FServices.web)
        return;
    OpenPaymentWindow(*FServices.web, ServiceWebRoot(), Conn().Userid);
}

void TMainForm::actHelpExecute() {
    if (!FServices.web)
        return;
    OpenWebWindow(*FServices.web, HelpWebForm, NativeWindowOf(this),
                  {HelpWindowCaption(), 550, 430, true},
                  HelpPageURL(ServiceWebRoot(), Conn().Userid));
}

void TMainForm::actOptionExecute() {
    {
        TOptionForm form(
            {FServices.player, FServices.boxes, FServices.web, ServiceWebRoot(), Conn().Userid},
            this);
        form.SetValues({FSettings.FAutorun, FSettings.FAutoLogin, FSettings.FAlram,
                        FSettings.FAlramFile, FSettings.FAlramrepeat});
        FCopyData->OptionAlramFile = form.alramfile;
        const bool ok = form.exec() == QDialog::Accepted;
        FCopyData->OptionAlramFile = nullptr;
        if (ok) {
            const OptionValues values = form.Values();
            FSettings.FAutorun = values.Autorun;
            FSettings.FAutoLogin = values.AutoLogin;
            FSettings.FAlram = values.Alram;
            FSettings.FAlramFile = values.AlramFile;
            FSettings.FAlramrepeat = values.Alramrepeat;
        }
    }
    // OK or Cancel: the player follows the fields again, undoing the preview's single play.
    if (FServices.player)
        SetUpAlarmPlayer(*FServices.player, ServiceWebRoot(), FSettings.FAlramFile,
                         FSettings.FAlramrepeat);
}

void TMainForm::actAboutExecute() {
    TAboutForm about(*FServices.shell, ServiceWebRoot(), this);
    about.exec();
}

void TMainForm::actGroupSendExecute() {
    TGroupSend dialog({&Conn(), FServices.boxes, FServices.web, {}}, this);
    GroupSendWindow = &dialog;
    FCopyData->GroupSendMemo = dialog.SendText;
    dialog.FillContacts(Tree());
    dialog.exec();
    GroupSendWindow = nullptr;
    FCopyData->GroupSendMemo = nullptr;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!FQuitting) {
        // The close button only hides the window; the tray icon stays. A desktop without a
        // tray keeps it in the task bar instead, the only way back to it.
        event->ignore();
        if (TrayAvailable())
            hide();
        else
            showMinimized();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Drawn as soon as this expose has been handled.
    if (event->type() == QEvent::Expose && watched == windowHandle())
        QTimer::singleShot(0, this, [this] { CompleteStartNow(); });
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == idState) {
            idStateClick();
            return true;
        }
        if (watched == spSkinStatusPanel1) {
            actMoney->trigger();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ShowLoginState(const std::string& caption, bool logoVisible, bool emptyBalance,
                               bool signedIn) {
    idState->setText(fromCp949(caption));
    Logopanel->setVisible(logoVisible);
    if (emptyBalance)
        spSkinStatusPanel1->clear();
    actLogin->setEnabled(!signedIn);
    for (QAction* a : {actLogout, actAddUser, actNewGroup, actMoney, actMemberInfo, actGroupSend,
                       actRenameGroup, actDeleteGroup, actSendText, actDeleteUser})
        a->setEnabled(signedIn);
}

void TMainForm::TVuserlistMouseUp(Qt::MouseButton button, const QPoint& viewportPos) {
    if (button != Qt::RightButton)
        return;
    // Only a release on a node's caption opens its menu.
    const kv::TVuserlist::Hit hit = TVuserlist->HitTest(viewportPos);
    if (hit.area != kv::TVuserlist::HitArea::Label || !hit.node->Data())
        return;
    TVuserlist->Select(hit.node);
    QMenu* menu = hit.node->Data()->Kind() == ANodeData::kGroup ? spGroup : spUser;
    menu->popup(TVuserlist->viewport()->mapToGlobal(viewportPos));
}

void TMainForm::spSkinMainMenuBar1ItemMouseEnter(QMenu* menu) {
    if (menu != ContactsMenu || Conn().State() != ConnectionState::SignedIn)
        return;
    const ContactsMenuItems items = ContactsMenuEnabling(TVuserlist->Selected());
    miSend->setEnabled(items.miSend);
    miMemberInfo->setEnabled(items.miMemberInfo);
    miDeleteUser->setEnabled(items.miDeleteUser);
    miRenameGroup->setEnabled(items.miRenameGroup);
    miDeleteGroup->setEnabled(items.miDeleteGroup);
}

void TMainForm::SetPingTimer(bool on) {
    if (on)
        PingTimer->start();
    else
        PingTimer->stop();
}

void TMainForm::ClearContactTree() {
    if (FParts)
        FParts->Contacts().ClearContactTree();
}

void TMainForm::CloseSessionWindows() {
    if (FChats)
        FChats->CloseAll();
}

const std::vector<TSessionForm*>& TMainForm::SessionList() const {
    return FChats->List();
}

TSessionForm* TMainForm::FindSessionForm(const std::string& userPort) const {
    return FChats->Find(userPort);
}

void TMainForm::DoMessage() {
    FChats->DoMessage(Conn().Msg);
}

void TMainForm::DoActiveMessage() {
    FChats->DoActiveMessage(Conn().Msg);
}

void TMainForm::actSendTextExecute() {
    ContactNode* node = TVuserlist ? TVuserlist->Selected() : nullptr;
    if (node == nullptr || node->Data() == nullptr || node->Data()->Kind() != ANodeData::kBuddy)
        return;
    FChats->Open(*node->Data()->Buddy());
}

}  // namespace kv
