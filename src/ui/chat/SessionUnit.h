#pragma once

// TSessionForm: the chat window of one partner. It shows the conversation as a styled log,
// sends what the member types through the main window's connection, counts the bytes left,
// calls attention to messages that arrive while it is out of sight and saves the log.
//
// The main window creates, finds and destroys chat windows (routing); a chat window never reads
// from the server. Each is a top-level window of its own (its own task-bar entry) without a Qt
// parent; the main window owns it. Everything runs on the user-interface thread.

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/messaging/chat_log.h"
#include "core/service/settings_store.h"

class QAction;
class QLabel;
class QPushButton;
class QSplitter;
class QTimer;

namespace kv {

class MediaPlayer;
class MessageBoxes;
class TChatLogView;
class TMSNPopUp;
class TSendMemo;
class TVANE;
class WebBrowsers;

// The partner of one chat window: the window's own copy of the contact record's values
// (CP949). UserPort is the window's identity and the address of every line it sends.
struct TLGN {
    std::string NickName;
    std::string Phone;
    std::string UserPort;
    std::string Msg;  // kept for the record's shape; nothing uses it
};

// What a chat window asks of the program around it: the main window's commands it offers, and
// the one position that every chat window shares.
class ChatHost {
public:
    virtual ~ChatHost() = default;
    virtual void Charge() = 0;  // "충전하기": the payment page
    virtual void Help() = 0;    // the help page
    virtual void About() = 0;   // the about box
    // Nothing: the windows open where the desktop puts them, and their position is not kept.
    virtual std::optional<WindowBounds> ChatWindowBounds() const = 0;
    virtual void SaveChatWindowBounds(const WindowBounds& bounds) = 0;
};

// What a chat window works with; all of it outlives the window.
struct SessionServices {
    TVANE* conn = nullptr;
    MessageBoxes* boxes = nullptr;
    MediaPlayer* player = nullptr;  // may be null: no alarm sound
    ChatHost* host = nullptr;       // may be null: no commands of the main window, no position
    WebBrowsers* web = nullptr;     // the emoticon page's window; null: none
};

class TSessionForm final : public QMainWindow {
    Q_OBJECT
public:
    explicit TSessionForm(SessionServices services);
    ~TSessionForm() override;

    const TLGN& Partner() const { return *FLGN; }
    const ChatLog& Log() const { return FLog; }

    // Called by the routing.
    void SetPartner(const std::string& nickName, const std::string& phone,
                    const std::string& userPort);
    void ShowIncoming(const std::string& text);

    // Event handlers.
    void Button1Click();
    void SendTextChange();
    void ImtBtnClick();
    void TimerTimer();
    void MSNPopUpClick();
    void actCloseExecute();
    void actSaveExecute();

    // The save dialog: returns the chosen file name, empty when cancelled. Tests replace it.
    std::function<QString(const QString& filter, const QString& initialName)> SaveDialog1;

    QLabel* idState = nullptr;
    TChatLogView* RichView1 = nullptr;
    QSplitter* Splitter = nullptr;
    QPushButton* ImtBtn = nullptr;
    TSendMemo* SendText = nullptr;
    QPushButton* SendBtn = nullptr;
    QLabel* StatusPanel = nullptr;
    QTimer* Timer = nullptr;
    TMSNPopUp* MSNPopUp = nullptr;
    QAction* actSave = nullptr;
    QAction* actClose = nullptr;
    QAction* actHelp = nullptr;
    QAction* actAbout = nullptr;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildFrame();
    void FormCreate();
    void FormDestroy();
    void FormActivate();
    void LoadWindowPos();
    void SaveWindowPos();
    void AddLogEntry(const std::string& name, const std::string& message);
    void StopAlarm();

    SessionServices FServices;
    std::unique_ptr<TLGN> FLGN;
    ChatLog FLog;
    bool FActive = false;  // active and not minimised, as FormActivate last saw it
};

}  // namespace kv
