#pragma once

// The main window's plain-logic parts (MainParts, as the main window makes them) on a real
// TVANE, with fake ports and a manual user-interface thread: server lines go through the real
// receive thread, recognition and hand-over into the real handlers, and state carries from line
// to line. The window itself (Qt) is replaced by this rig's SessionView and its list of chat
// windows.
//
// Once signed in, the member asks for a new group and registers a partner (kMemberGroupName,
// kMemberPartner), so that the server's "GG:" and "P:" replies meet the state they answer.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/cp949.h"
#include "core/connection/line_protocol.h"
#include "core/connection/vane.h"
#include "core/contacts/contact_commands.h"
#include "core/contacts/contact_tree.h"
#include "core/messaging/message_routing.h"
#include "core/service/main_parts.h"
#include "core/service/sign_in_session.h"
#include "support/fake_message_boxes.h"
#include "support/fake_user_add_dialogs.h"
#include "support/manual_ui_thread.h"
#include "support/queued_line_socket.h"

namespace kv::fuzz {

inline const std::string kMemberGroupName = cp949("새 그룹");
inline const UserAddValues kMemberPartner{cp949("한국"), "010", "12345678", cp949("민수"), ""};

class MainPartsRig final : public SessionView {
public:
    explicit MainPartsRig(std::vector<std::string> serverLines)
        : socket_(std::make_shared<test::QueuedLineSocket>(std::move(serverLines))),
          parts(std::make_unique<MainParts>(
              ui, [this] { return socket_; }, *this, boxes,
              [this](TVANE&) {
                  auto made = std::make_unique<test::FakeUserAddDialogs>();
                  dialogs = made.get();
                  return made;
              },
              MainPartsSinks{[this](const std::string& text) { balanceText = text; },
                             [this] { DoMessage(); }, [this] { DoActiveMessage(); }})),
          conn(&parts->Conn()),
          tree(parts->Tree()),
          commands(&parts->Commands()) {
        conn->Host = "127.0.0.1";
        conn->Userid = "demo";
        conn->Password = "demo1234";
    }

    ~MainPartsRig() override {
        // As the main window ends: the parts and their connection before the thread.
        parts.reset();
        ui->shutdown();
    }

    // Signs in and lets the server's lines run to their end: the last one read, the connection
    // then closed by the server. False when the receive thread did not finish within the bound.
    bool Run(std::chrono::milliseconds bound = std::chrono::seconds(10)) {
        conn->Connect();
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (;;) {
            ui->pump();
            if (runningListenThreads() == 0)
                return true;
            if (socket_->readerDone())  // nothing more will be handed over
                return waitForListenThreads(bound);
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            ui->waitForWork(std::chrono::milliseconds(1));
        }
    }

    std::vector<std::string> Written() const { return socket_->written(); }

    // SessionView
    void ShowLoginState(const std::string& caption, bool, bool emptyBalance, bool) override {
        stateCaption = caption;
        if (emptyBalance)
            balanceText.clear();
    }
    void SetPingTimer(bool on) override {
        pingTimer = on;
        if (on && !memberActed) {
            memberActed = true;
            boxes.inputs.push_back(kMemberGroupName);
            commands->actNewGroupExecute();
            dialogs->answers.push_back(kMemberPartner);
            commands->actAddUserExecute();
        }
    }
    void ClearContactTree() override { parts->Contacts().ClearContactTree(); }
    void CloseSessionWindows() override { chatWindows.clear(); }

    // The main window's routing decisions: a line for an open chat window goes there, else to
    // a new window when the tree knows the partner, else nowhere.
    void DoMessage() {
        const proto::IncomingMessage message = proto::incomingMessage(conn->Msg);
        const std::string shown = ReceivedLineBreaks(message.text);
        if (shown.find("<br>") != std::string::npos) {
            std::fprintf(stderr, "a line break marker survived: %s\n", shown.c_str());
            std::abort();
        }
        if (chatWindows.count(message.userPort) == 0 && FindPartner(tree, message.userPort))
            chatWindows.insert(message.userPort);
    }
    void DoActiveMessage() {
        const std::string port = proto::activePort(conn->Msg);
        if (chatWindows.count(port) == 0 && FindPartner(tree, port))
            chatWindows.insert(port);
    }

    std::shared_ptr<test::ManualUiThread> ui = std::make_shared<test::ManualUiThread>();
    test::FakeMessageBoxes boxes;
    test::FakeUserAddDialogs* dialogs = nullptr;  // the parts own it; the rig scripts it
    bool memberActed = false;

    std::string stateCaption;
    std::string balanceText;
    bool pingTimer = false;
    std::set<std::string> chatWindows;  // ports of the open chat windows

private:
    std::shared_ptr<test::QueuedLineSocket> socket_;

public:
    std::unique_ptr<MainParts> parts;
    TVANE* conn;
    ContactTree& tree;
    ContactCommands* commands;
};

}  // namespace kv::fuzz
