#include "app/MainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QDir>
#include <QLabel>
#include <QLocalServer>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "app/logo.h"
#include "app/service_addresses.h"
#include "app/update_check.h"
#include "app/window_snap.h"
#include "common/cp949.h"
#include "common/qt_text.h"
#include "dialogs/LoginUnit.h"
#include "platform/message_boxes.h"
#include "platform/shell.h"

namespace kv {

namespace {

std::string utf8(const QString& s) { return s.toUtf8().toStdString(); }

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
    BuildActions();
    BuildMenus();
    BuildFrame();
    BuildTray();
    FormCreate();
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::BuildActions() {
    auto make = [this](QAction*& action, const char* caption, auto handler) {
        action = new QAction(QString::fromUtf8(caption), this);
        connect(action, &QAction::triggered, this, handler);
    };
    // Commands whose windows come with later parts of the program are present and enabled by
    // the sign-in state already; they do nothing yet when triggered.
    auto later = [] {};
    make(actLogin, "로그인(&I)", [this] { actLoginExecute(); });
    make(actLogout, "로그아웃(&N)", [this] { FSession->actLogoutExecute(); });
    make(actMoney, "충전하기(&M)", later);
    make(actOption, "옵션(&O)", later);
    make(actExit, "종료(&X)", [this] { actExitExecute(); });
    make(actSendText, "메시지 보내기(&S)", later);
    make(actAddUser, "대화상대 추가(&A)", later);
    make(actMemberInfo, "대화상대 등록정보(&R)", later);
    make(actDeleteUser, "대화상대 삭제(&D)", later);
    make(actNewGroup, "새 그룹 만들기(&N)", later);
    make(actRenameGroup, "그룹이름 바꾸기(&R)", later);
    make(actDeleteGroup, "그룹 삭제(&D)", later);
    make(actGroupSend, "그룹전송(&G)", later);
    make(actHelp, "도움말(&H)", later);
    make(actAbout, "케스트로바네에 대하여...(&A)", later);
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

    QMenu* contacts = menuBar()->addMenu(QStringLiteral("대화상대(&C)"));
    contacts->addAction(actSendText);
    contacts->addSeparator();
    contacts->addAction(actAddUser);
    contacts->addAction(actMemberInfo);
    contacts->addAction(actDeleteUser);
    contacts->addSeparator();
    contacts->addAction(actNewGroup);
    contacts->addAction(actRenameGroup);
    contacts->addAction(actDeleteGroup);

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
    QFont bold = idState->font();
    bold.setBold(true);
    idState->setFont(bold);
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
}

void TMainForm::FormCreate() {
    FConn = std::make_unique<TVANE>(FServices.ui, FServices.sockets);
    FSession = std::make_unique<SignInSession>(*FConn, *this, *FServices.boxes);
    FConn->OnConnect = [this](TVANE&) { FSession->DoConnect(); };
    FConn->OnLogin_Ok = [this] { FSession->DoLogin_Ok(); };
    FConn->OnLogin_NotOk = [this] { FSession->DoLogin_NotOk(); };
    FConn->OnDisconnect = [this](TVANE&) { FSession->DoDisconnect(); };
    FConn->OnShutOut = [this] { FSession->DoShutOut(); };

    LoadSettings();
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
    if (!FConn)
        return;
    if (FConn->State() != 0) {
        try {
            FConn->Disconnect();
        } catch (const std::exception&) {
            // Ending anyway: a failed "LX:" must not keep the settings from being written.
        }
    }
    FSession.reset();
    FConn.reset();
    CloseSessionWindows();
    SaveSettings();
}

void TMainForm::LoadSettings() {
    const std::string socketPath = [this] {
        // The copy-data channel: a local socket only this user may open. Its path is what
        // outside programs find as "HWND".
        FCopyDataServer = new QLocalServer(this);
        FCopyDataServer->setSocketOptions(QLocalServer::UserAccessOption);
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        const QString path =
            QDir(dir.isEmpty() ? QDir::tempPath() : dir)
                .filePath(QStringLiteral("kestrovane-%1.sock").arg(QCoreApplication::applicationPid()));
        QLocalServer::removeServer(path);
        FCopyDataServer->listen(path);
        return localPath(utf8(path));
    }();
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
        FCopyDataServer->close();
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
    if (FConn->State() == 0)
        actLoginExecute();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!FQuitting) {
        // The close button only hides the window; the tray icon stays.
        event->ignore();
        hide();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void TMainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (FSnapping || !isVisible() || screen() == nullptr)
        return;
    const QRect frame = frameGeometry();
    const QRect area = screen()->availableGeometry();
    const Point to = SnapToEdges({frame.x(), frame.y(), frame.width(), frame.height()},
                                 {area.x(), area.y(), area.width(), area.height()});
    if (to.x != frame.x() || to.y != frame.y()) {
        FSnapping = true;
        move(to.x, to.y);
        FSnapping = false;
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
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

void TMainForm::SetPingTimer(bool on) {
    if (on)
        PingTimer->start();
    else
        PingTimer->stop();
}

void TMainForm::ClearContactTree() {
    // The contact tree is filled and emptied by the contact tree part once it is wired here.
}

void TMainForm::CloseSessionWindows() {
    for (QWidget* w : FSessionList) {
        w->close();
        delete w;
    }
    FSessionList.clear();
}

}  // namespace kv
