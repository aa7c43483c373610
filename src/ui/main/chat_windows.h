#pragma once

// The chat windows of one connection: one per partner, found by the partner's port, made for
// a line that arrives for a partner the tree knows or when the member opens one, and closed
// all together when the connection ends. Each is a top-level window of its own without a Qt
// parent; this list owns it. Also the chat windows' host: their position in the settings and
// the commands of the main window they offer in their menus. Runs on the user-interface thread.

#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/chat/SessionUnit.h"

namespace kv {

struct ABuddy;
class ContactTree;
class Registry;

// What the list works with; all of it outlives the list.
struct ChatWindowsServices {
    SessionServices chat;          // what each window is given; the list is its host
    Registry* registry = nullptr;  // the shared chat window position; null: not kept
    const ContactTree* tree = nullptr;
    // The main window's commands a chat window offers.
    std::function<void()> charge;
    std::function<void()> help;
    std::function<void()> about;
};

class ChatWindows final : private ChatHost {
public:
    explicit ChatWindows(ChatWindowsServices services);
    // Destroys every window, the closed ones still waiting included.
    ~ChatWindows() override;
    ChatWindows(const ChatWindows&) = delete;
    ChatWindows& operator=(const ChatWindows&) = delete;

    // In order of creation.
    const std::vector<TSessionForm*>& List() const { return FList; }
    TSessionForm* Find(const std::string& userPort) const;

    // The connection's chat line ("H:" in `msg`) goes to its partner's window, made for it when
    // the tree knows the partner; a partner the tree does not know is dropped.
    void DoMessage(const std::string& msg);
    // A partner's announcement ("active:"): its window takes the partner's values again, or
    // one is made ready, hidden, for the messages that follow.
    void DoActiveMessage(const std::string& msg);
    // The member's "메시지 보내기" on a partner: its window, made when there is none, shown
    // and brought to the front.
    void Open(const ABuddy& partner);
    // Closes every window; they are destroyed on the event loop, since the connection can end
    // inside one of their own handlers (a failed send), which has to return first.
    void CloseAll();

private:
    TSessionForm* Create(const ABuddy& partner);

    // ChatHost
    void Charge() override;
    void Help() override;
    void About() override;
    std::optional<WindowBounds> ChatWindowBounds() const override;
    void SaveChatWindowBounds(const WindowBounds& bounds) override;

    ChatWindowsServices FServices;
    std::vector<TSessionForm*> FList;  // owned
    // Closed windows waiting for the event loop to destroy them.
    std::vector<QPointer<TSessionForm>> FClosed;
};

}  // namespace kv
