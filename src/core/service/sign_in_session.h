#pragma once

// The main window's side of signing in and out: the sign-in and log-out commands, the state
// shown for each connection state, and the handlers of the connection events that concern the
// session as a whole. Plain logic; the window shows what it is told through SessionView.
// Everything runs on the user-interface thread.

#include <string>

#include "core/connection/vane.h"
#include "core/ports/message_boxes.h"

namespace kv {

class SessionView {
public:
    virtual ~SessionView() = default;
    // The state label's caption (CP949), the logo panel, the balance panel, and the signed-in
    // flag that enables the commands.
    virtual void ShowLoginState(const std::string& caption, bool logoVisible, bool emptyBalance,
                                bool signedIn) = 0;
    virtual void SetPingTimer(bool on) = 0;
    virtual void ClearContactTree() = 0;
    virtual void CloseSessionWindows() = 0;
};

class SignInSession {
public:
    SignInSession(TVANE& conn, SessionView& view, MessageBoxes& boxes);

    // The connecting half of the login command and of the automatic sign-in: the chat
    // server's address and the given credentials go into the connection, which connects.
    // A failed connect shows nothing.
    void SignIn(const std::string& userId, const std::string& password);

    // Asks "<id>님 로그아웃 하시겠습니까?"; on Yes disconnects.
    void actLogoutExecute();

    void UpdateLoginState();

    // Connection events.
    void DoConnect();
    void DoLogin_Ok();
    void DoLogin_NotOk();
    void DoDisconnect();
    void DoShutOut();

    // One tick of the 5-second keep-alive timer.
    void PingTimerTimer();

private:
    TVANE& FConn;
    SessionView& FView;
    MessageBoxes& FBoxes;
};

}  // namespace kv
