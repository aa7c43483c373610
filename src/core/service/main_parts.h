#pragma once

// The main window's plain-logic parts, made and wired to one connection: the sign-in session,
// the contact tree with its intake of the sign-in lists and its commands, and the balance. Each
// connection event goes to the part that handles it; what concerns the window comes out through
// the SessionView and the sinks. Everything runs on the user-interface thread, as the
// connection's events do.

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/connection/vane.h"
#include "core/contacts/contact_commands.h"
#include "core/contacts/contact_intake.h"
#include "core/contacts/contact_tree.h"
#include "core/ports/line_socket.h"
#include "core/service/balance_display.h"
#include "core/service/sign_in_session.h"

namespace kv {

class MessageBoxes;
class UiThread;

// Where the parts' results go besides the SessionView. An empty sink drops its event.
struct MainPartsSinks {
    std::function<void(const std::string& text)> ShowBalance;  // the balance panel (CP949)
    // A chat line ("H:") and a partner's announcement ("active:") in the connection's Msg,
    // for the chat windows.
    std::function<void()> Message;
    std::function<void()> ActiveMessage;
};

class MainParts {
public:
    // The add-partner dialogs are made for the connection once it exists. `view`, `boxes` and
    // what `ui` and `sockets` lead to outlive the parts.
    using UserAddDialogsFactory = std::function<std::unique_ptr<UserAddDialogs>(TVANE&)>;
    MainParts(std::shared_ptr<UiThread> ui, LineSocketFactory sockets, SessionView& view,
              MessageBoxes& boxes, const UserAddDialogsFactory& userAddDialogs,
              MainPartsSinks sinks);
    ~MainParts();
    MainParts(const MainParts&) = delete;
    MainParts& operator=(const MainParts&) = delete;

    TVANE& Conn() { return *FConn; }
    SignInSession& Session() { return *FSession; }
    ContactTree& Tree() { return FTree; }
    ContactIntake& Contacts() { return *FContacts; }
    ContactCommands& Commands() { return *FCommands; }

private:
    std::mutex FTreeLock;
    ContactTree FTree;
    std::unique_ptr<TVANE> FConn;
    std::unique_ptr<SignInSession> FSession;
    std::unique_ptr<ContactIntake> FContacts;
    std::unique_ptr<BalanceDisplay> FBalance;
    std::unique_ptr<UserAddDialogs> FUserAddDialogs;
    std::unique_ptr<ContactCommands> FCommands;
};

}  // namespace kv
