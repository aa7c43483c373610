#include "ui/main/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>

#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "core/base/cp949.h"
#include "core/connection/line_protocol.h"
#include "core/messaging/message_routing.h"
#include "core/ports/message_boxes.h"
#include "core/ports/notification_area.h"
#include "core/ports/shell.h"
#include "core/service/service_addresses.h"
#include "core/service/update_check.h"
#include "core/web/web_pages.h"
#include "qt/copy_data_server.h"
#include "qt/edge_snapper.h"
#include "qt/logo.h"
#include "qt/qt_text.h"
#include "qt/widgets/send_memo.h"
#include "ui/chat/SessionUnit.h"
#include "ui/contacts/UserAddUnit.h"
#include "ui/contacts/contact_tree_view.h"
#include "ui/dialogs/AbountUnit.h"
#include "ui/dialogs/LoginUnit.h"
#include "ui/dialogs/OptionUnit.h"
#include "ui/group_send/GroupSendUnit.h"

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
    make(actLogout, "로그아웃(&N)", [this] { FSession->actLogoutExecute(); });
    make(actMoney, "충전하기(&M)", [this] { actMoneyExecute(); });
    make(actOption, "옵션(&O)", [this] { actOptionExecute(); });
    make(actExit, "종료(&X)", [this] { actExitExecute(); });
    make(actSendText, "메시지 보내기(&S)", [this] { actSendTextExecute(); });
    // The contact commands act on the tree's selected node as it is when they run.
    auto selected = [this] { return TVuserlist ? TVuserlist->Selected() : nullptr; };
    make(actAddUser, "대화상대 추가(&A)", [this] { FCommands->actAddUserExecute(); });
    make(actMemberInfo, "대화상대 등록정보(&R)",
         [this, selected] { FCommands->actMemberInfoExecute(selected()); });
    make(actDeleteUser, "대화상대 삭제(&D)",
         [this, selected] { FCommands->actDeleteUserExecute(selected()); });
    make(actNewGroup, "새 그룹 만들기(&N)", [this] { FCommands->actNewGroupExecute(); });
    make(actRenameGroup, "그룹이름 바꾸기(&R)",
         [this, selected] { FCommands->actRenameGroupExecute(selected()); });
    make(actDeleteGroup, "그룹 삭제(&D)",
         [this, selected] { FCommands->actDeleteGroupExecute(selected()); });
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
    connect(PingTimer, &QTimer::timeout, this, [this] { FSession->PingTimerTimer(); });
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
    FConn = std::make_unique<TVANE>(FServices.ui, FServices.sockets);
    FSession = std::make_unique<SignInSession>(*FConn, *this, *FServices.boxes);
    FConn->OnConnect = [this](TVANE&) { FSession->DoConnect(); };
    FConn->OnLogin_Ok = [this] { FSession->DoLogin_Ok(); };
    FConn->OnLogin_NotOk = [this] { FSession->DoLogin_NotOk(); };
    FConn->OnDisconnect = [this](TVANE&) { FSession->DoDisconnect(); };
    FConn->OnShutOut = [this] { FSession->DoShutOut(); };

    FTree = std::make_unique<ContactTree>();
    FContacts = std::make_unique<ContactIntake>(
        *FConn, *FTree, FTreeLock,
        ContactIntakeSinks{[this](bool on) { SetPingTimer(on); },
                           [this] { FSession->UpdateLoginState(); }});
    FBalance = std::make_unique<BalanceDisplay>(
        *FConn, [this](const std::string& text) { spSkinStatusPanel1->setText(fromCp949(text)); });
    TVuserlist = new kv::TVuserlist(*FTree, TVuserlistArea);
    TVuserlistArea->layout()->addWidget(TVuserlist);
    TVuserlist->OnDblClick = [this] { actSendTextExecute(); };
    FUserAddDialogs = std::make_unique<QtUserAddDialogs>(*FConn, this);
    FCommands = std::make_unique<ContactCommands>(*FConn, *FTree, FTreeLock, *FServices.boxes,
                                                  *FUserAddDialogs);
    TVuserlist->OnMouseUp = [this](Qt::MouseButton button, const QPoint& pos) {
        TVuserlistMouseUp(button, pos);
    };
    TVuserlist->OnDragOver = [this](const QPoint& pos) {
        return FCommands->TVuserlistDragOver(TVuserlist->Selected(), TVuserlist->HitTest(pos).node);
    };
    TVuserlist->OnDragDrop = [this](const QPoint& pos) {
        FCommands->TVuserlistDragDrop(TVuserlist->Selected(), TVuserlist->HitTest(pos).node);
    };
    FConn->OnGroupAdd = [this] { FCommands->DoGroupAdd(); };
    FConn->OnUserAdd = [this] { FCommands->DoUserAdd(); };
    // Tab never reaches the tree, so it holds the focus from the start: the arrow keys and the
    // menus' contact commands work without a mouse.
    TVuserlist->setFocus();
    if (FServices.tray)
        FServices.tray->OnChanged = [this] { TrayChanged(); };
    FConn->OnActiveGroupList = [this] { FContacts->DoActiveGroupList(); };
    FConn->OnActiveList = [this] { FContacts->DoActiveList(); };
    FConn->OnCheckMoney = [this] { FBalance->DoCheckMoney(); };
    FConn->OnMessage = [this] { DoMessage(); };
    FConn->OnActiveMessage = [this] { DoActiveMessage(); };

    LoadSettings();
    // Pages in the program's browser windows hand their choices to the same entry as the socket.
    if (FServices.web)
        FServices.web->SetCopyDataSink([this](std::uint32_t kind, const std::string& text) {
            CopyDataReceived({kind, text});
        });
    FSession->UpdateLoginState();
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
            FSession->SignIn(FSettings.FUserid, FSettings.FPassword);
    } catch (const std::exception& e) {
        // Start-up goes on without the automatic sign-in.
        ShowError(e.what());
    }
}

void TMainForm::FormDestroy() {
    if (FServices.tray)
        FServices.tray->OnChanged = nullptr;
    if (!FConn)
        return;
    if (FConn->State() != ConnectionState::Closed) {
        try {
            FConn->Disconnect();
        } catch (const std::exception&) {
            // Ending anyway: a failed "LX:" must not keep the settings from being written.
        }
    }
    if (FServices.web)
        FServices.web->SetCopyDataSink(nullptr);
    HelpWebForm.reset();
    FSession.reset();
    CloseSessionWindows();
    // No handler of theirs can be running now: the closed windows go at once.
    for (const QPointer<TSessionForm>& w : FClosedSessions)
        delete w.data();
    FClosedSessions.clear();
    FConn.reset();
    SaveSettings();
}

void TMainForm::LoadSettings() {
    // The copy-data channel: its path is what outside programs find as "HWND".
    FCopyDataServer = new CopyDataServer(
        [this](const CopyDataMessage& message) { CopyDataReceived(message); }, this);
    const QString path = CopyDataServer::DefaultPath();
    FCopyDataServer->Listen(path);
    const std::string socketPath = localPath(utf8(path));
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
    if (FCopyDataServer)
        FCopyDataServer->Close();
}

void TMainForm::ShowError(const std::string& text) {
    auto bytes = utf8ToCp949(text);
    FServices.boxes->Show(bytes ? *bytes : text, MessageBoxes::Icon::Error,
                          MessageBoxes::Buttons::Ok);
}

void TMainForm::actLoginExecute() {
    TLogin login(*FServices.shell, ServiceWebRoot(), this);
    login.AutoLogin->setChecked(FSettings.FAutoLogin);
    login.Userid->setText(fromCp949(FSettings.FUserid));
    login.savepassword->setChecked(FSettings.FSavePassword);
    if (FSettings.FSavePassword)
        login.Password->setText(fromCp949(FSettings.FPassword));
    if (login.exec() != QDialog::Accepted)
        return;
    // The boxes accept only what CP949 holds, so the conversions cannot fail.
    FSettings.FUserid = toCp949(login.Userid->text()).value_or("");
    FSettings.FPassword = toCp949(login.Password->text()).value_or("");
    FSettings.FAutoLogin = login.AutoLogin->isChecked();
    FSettings.FSavePassword = login.savepassword->isChecked();
    FSession->SignIn(FSettings.FUserid, FSettings.FPassword);
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
    if (FConn->State() == ConnectionState::Closed)
        actLoginExecute();
}

void TMainForm::actMoneyExecute() {
    if (FConn->State() != ConnectionState::SignedIn || !FServices.web)
        return;
    OpenPaymentWindow(*FServices.web, ServiceWebRoot(), FConn->Userid);
}

void TMainForm::actHelpExecute() {
    if (!FServices.web)
        return;
    OpenWebWindow(*FServices.web, HelpWebForm, this, {HelpWindowCaption(), 550, 430, true},
                  HelpPageURL(ServiceWebRoot(), FConn->Userid));
}

void TMainForm::actOptionExecute() {
    {
        TOptionForm form(
            {FServices.player, FServices.boxes, FServices.web, ServiceWebRoot(), FConn->Userid},
            this);
        form.autorun->setChecked(FSettings.FAutorun);
        form.autologin->setChecked(FSettings.FAutoLogin);
        form.alram->setChecked(FSettings.FAlram);
        form.alramfile->setText(fromCp949(FSettings.FAlramFile));
        form.alramrepeat->setChecked(FSettings.FAlramrepeat);
        OptionAlramFile = form.alramfile;
        const bool ok = form.exec() == QDialog::Accepted;
        OptionAlramFile = nullptr;
        if (ok) {
            FSettings.FAutorun = form.autorun->isChecked();
            FSettings.FAutoLogin = form.autologin->isChecked();
            FSettings.FAlram = form.alram->isChecked();
            // Filled from CP949 texts only, so the conversion holds.
            FSettings.FAlramFile = toCp949(form.alramfile->text()).value_or(FSettings.FAlramFile);
            FSettings.FAlramrepeat = form.alramrepeat->isChecked();
        }
    }
    // OK or Cancel: the player follows the fields again, undoing the preview's single play.
    if (FServices.player)
        SetUpAlarmPlayer(*FServices.player, ServiceWebRoot(), FSettings.FAlramFile,
                         FSettings.FAlramrepeat);
}

void TMainForm::actAboutExecute() {
    TAboutForm about(*FServices.shell, ServiceWebRoot(), this);
    about.spSkinStdLabel1->setText(QStringLiteral("케스트로바네 - 1.0.1.2"));
    about.exec();
}

void TMainForm::actGroupSendExecute() {
    TGroupSend dialog({FConn.get(), FServices.boxes, FServices.web, {}}, this);
    GroupSendWindow = &dialog;
    GroupSendMemo = dialog.SendText;
    dialog.FillContacts(*FTree);
    dialog.exec();
    GroupSendWindow = nullptr;
    GroupSendMemo = nullptr;
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
    if (menu != ContactsMenu || FConn->State() != ConnectionState::SignedIn)
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
    if (FContacts)
        FContacts->ClearContactTree();
}

void TMainForm::CloseSessionWindows() {
    // The windows are destroyed on the event loop: a disconnect can start inside one of their
    // own handlers (a failed send), which has to return first.
    std::erase_if(FClosedSessions, [](const QPointer<TSessionForm>& w) { return w.isNull(); });
    std::vector<TSessionForm*> windows;
    windows.swap(FSessionList);
    for (TSessionForm* w : windows) {
        w->close();
        w->deleteLater();
        FClosedSessions.emplace_back(w);
    }
}

TSessionForm* TMainForm::FindSessionForm(const std::string& userPort) const {
    for (TSessionForm* w : FSessionList)
        if (w->Partner().UserPort == userPort)
            return w;
    return nullptr;
}

TSessionForm* TMainForm::CreateSessionForm(const ABuddy& partner) {
    SessionServices services;
    services.conn = FConn.get();
    services.boxes = FServices.boxes;
    services.player = FServices.player;
    services.registry = FServices.registry;
    services.actMoney = actMoney;
    services.actHelp = actHelp;
    services.actAbout = actAbout;
    services.web = FServices.web;
    auto* w = new TSessionForm(services);
    FSessionList.push_back(w);
    w->SetPartner(partner.NickName, partner.Phone, partner.UserPort);
    return w;
}

void TMainForm::DoMessage() {
    const proto::IncomingMessage message = proto::incomingMessage(FConn->Msg);
    if (TSessionForm* w = FindSessionForm(message.userPort)) {
        w->ShowIncoming(message.text);
        return;
    }
    // A partner the tree does not know: the message is dropped.
    if (const ABuddy* partner = FindPartner(*FTree, message.userPort))
        CreateSessionForm(*partner)->ShowIncoming(message.text);
}

void TMainForm::DoActiveMessage() {
    const std::string port = proto::activePort(FConn->Msg);
    if (TSessionForm* w = FindSessionForm(port)) {
        const TLGN partner = w->Partner();
        w->SetPartner(partner.NickName, partner.Phone, partner.UserPort);
        return;
    }
    // A window made ready, still hidden, for the messages that follow.
    if (const ABuddy* partner = FindPartner(*FTree, port))
        CreateSessionForm(*partner);
}

void TMainForm::actSendTextExecute() {
    ContactNode* node = TVuserlist ? TVuserlist->Selected() : nullptr;
    if (node == nullptr || node->Data() == nullptr || node->Data()->Kind() != ANodeData::kBuddy)
        return;
    const ABuddy& partner = *node->Data()->Buddy();
    TSessionForm* w = FindSessionForm(partner.UserPort);
    if (w == nullptr)
        w = CreateSessionForm(partner);
    w->SetPartner(partner.NickName, partner.Phone, partner.UserPort);
    if (w->isMinimized())
        w->showNormal();
    else
        w->show();
    w->raise();
    w->activateWindow();
}

void TMainForm::CopyDataReceived(const CopyDataMessage& message) {
    if (message.Kind == kCopyDataText)
        CopyDataText(message.Text);
    else if (message.Kind == kCopyDataAlarmFile)
        CopyDataAlarmFile(message.Text);
}

void TMainForm::CopyDataText(const std::string& data) {
    const proto::IncomingMessage target = proto::splitPortAndText(data);
    if (target.userPort != "0") {
        if (TSessionForm* w = FindSessionForm(target.userPort))
            w->SendText->SetCp949Text(target.text);
        return;
    }
    if (GroupSendMemo) {
        QString text = fromCp949(target.text);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        GroupSendMemo->setPlainText(text);
    }
}

void TMainForm::CopyDataAlarmFile(const std::string& data) {
    // Only the ring-tone page of the open options dialog sends this; otherwise it is ignored.
    if (OptionAlramFile)
        OptionAlramFile->setText(fromCp949(data));
}

}  // namespace kv
