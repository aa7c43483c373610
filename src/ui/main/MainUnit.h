#pragma once

// TMainForm: the main window and the program's hub. It keeps its menus, actions, tray icon and
// dialogs, and the settings fields; the connection and the logic wired to it are in MainParts,
// the chat windows in ChatWindows, what outside programs hand in in CopyDataEntry.

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

#include "core/ports/line_socket.h"
#include "core/ports/web_browser.h"
#include "core/service/main_parts.h"
#include "core/service/settings_store.h"
#include "core/service/sign_in_session.h"

class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace kv {

class AutoRun;
class ChatWindows;
class CopyDataEntry;
class HttpGet;
class MediaPlayer;
class MessageBoxes;
class NotificationArea;
class ProcessLauncher;
class Registry;
class Shell;
class TGroupSend;
class TSessionForm;
class TVuserlist;
class UiThread;

// What the main window is given to work with; all of it outlives the window.
struct MainServices {
    std::shared_ptr<UiThread> ui;
    LineSocketFactory sockets;
    MessageBoxes* boxes = nullptr;
    Shell* shell = nullptr;
    Registry* registry = nullptr;
    AutoRun* autoRun = nullptr;
    MediaPlayer* player = nullptr;
    HttpGet* http = nullptr;
    ProcessLauncher* launcher = nullptr;
    WebBrowsers* web = nullptr;          // null: no service pages open
    NotificationArea* tray = nullptr;    // null: the desktop is taken to have a tray
    std::string programPath;             // full path of the program file
    std::vector<std::string> arguments;  // without the program name
};

class TMainForm : public QMainWindow, public SessionView {
    Q_OBJECT
public:
    explicit TMainForm(MainServices services, QWidget* parent = nullptr);
    ~TMainForm() override;

    TVANE& Conn() { return FParts->Conn(); }
    SignInSession& Session() { return FParts->Session(); }
    ContactTree& Tree() { return FParts->Tree(); }
    Settings& Fields() { return FSettings; }
    bool Quitting() const { return FQuitting; }

    // Ends the program as a confirmed exit does, without asking (signals, desktop log-out).
    void QuitWithoutAsking();

    QLabel* idState = nullptr;
    QWidget* TVuserlistArea = nullptr;
    kv::TVuserlist* TVuserlist = nullptr;
    QWidget* Logopanel = nullptr;
    QLabel* spSkinStatusPanel1 = nullptr;
    QTimer* PingTimer = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr;

    QAction* actLogin = nullptr;
    QAction* actLogout = nullptr;
    QAction* actMoney = nullptr;
    QAction* actOption = nullptr;
    QAction* actExit = nullptr;
    QAction* actSendText = nullptr;
    QAction* actAddUser = nullptr;
    QAction* actMemberInfo = nullptr;
    QAction* actDeleteUser = nullptr;
    QAction* actNewGroup = nullptr;
    QAction* actRenameGroup = nullptr;
    QAction* actDeleteGroup = nullptr;
    QAction* actGroupSend = nullptr;
    QAction* actHelp = nullptr;
    QAction* actAbout = nullptr;
    QAction* actRestore = nullptr;

    // The contacts menu and the tree's context menus. The contacts menu has items of its own
    // for the selection-dependent commands, so that disabling them there leaves the context
    // menus and the double click alone.
    QMenu* ContactsMenu = nullptr;
    QAction* miSend = nullptr;
    QAction* miMemberInfo = nullptr;
    QAction* miDeleteUser = nullptr;
    QAction* miRenameGroup = nullptr;
    QAction* miDeleteGroup = nullptr;
    QMenu* spGroup = nullptr;
    QMenu* spUser = nullptr;
    void TVuserlistMouseUp(Qt::MouseButton button, const QPoint& viewportPos);
    void spSkinMainMenuBar1ItemMouseEnter(QMenu* menu);

    void actLoginExecute();
    void actExitExecute();
    void actRestoreExecute();
    void idStateClick();

    // The service pages and the dialogs of the menus.
    void actMoneyExecute();
    void actHelpExecute();
    void actOptionExecute();
    void actAboutExecute();
    std::unique_ptr<WebWindow> HelpWebForm;

    // The group send: filled from the contact tree, shown modally, destroyed when it returns.
    void actGroupSendExecute();
    QPointer<TGroupSend> GroupSendWindow;  // set while the dialog exists

    // The chat windows and the routing of what is addressed to them.
    ChatWindows& Chats() { return *FChats; }
    const std::vector<TSessionForm*>& SessionList() const;
    TSessionForm* FindSessionForm(const std::string& userPort) const;
    void DoMessage();
    void DoActiveMessage();
    void actSendTextExecute();
    CopyDataEntry& CopyData() { return *FCopyData; }

protected:
    void closeEvent(QCloseEvent* event) override;  // FormClose
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    void BuildFrame();
    void BuildTray();
    // What start-up leaves until the first picture: the tray icon, the instance's publication.
    void CompleteStart();
    void CompleteStartNow();
    // Without a tray a hidden window could not be brought back: it goes to the task bar.
    bool TrayAvailable() const;
    void TrayChanged();
    void FormCreate();
    void FormDestroy();
    void LoadSettings();
    void SaveSettings();
    void ShowError(const std::string& text);

    // SessionView
    void ShowLoginState(const std::string& caption, bool logoVisible, bool emptyBalance,
                        bool signedIn) override;
    void SetPingTimer(bool on) override;
    void ClearContactTree() override;
    void CloseSessionWindows() override;

    MainServices FServices;
    std::unique_ptr<MainParts> FParts;
    std::unique_ptr<ChatWindows> FChats;
    std::unique_ptr<CopyDataEntry> FCopyData;
    Settings FSettings;
    bool FQuitting = false;
    std::string FAppPath;
    std::unique_ptr<SettingsStore> FStore;
};

}  // namespace kv
