#pragma once

// The contact lists of the sign-in: the group list ("GR:") builds the group nodes and asks for
// the partner list, the partner list ("AC:") files the partners and completes the sign-in.
// Plain logic over the connection and the tree; what the window must do goes through sinks.
//
// Threads: every call runs on the user-interface thread (the connection's line events are
// raised there). A malformed number in a list raises ConvertError out of the handler, after
// the entries before it have been added; the receive loop then drops the connection.
//
// Leftovers: when the receive loop drops a connection by itself (a read error or such a
// ConvertError) the tree is not emptied at that moment, because that happens on the receive
// thread, which must not wait for the user-interface thread. The nodes stay on view until the
// next disconnect (the watchdog's reconnect, a log-out) or until the next sign-in's group
// list, which empties whatever is left before it adds a single group. So a group list never
// lands on top of nodes of an earlier connection.

#include <cstdint>
#include <functional>
#include <mutex>

#include "core/connection/vane.h"
#include "core/contacts/contact_tree.h"

namespace kv {

inline constexpr int kGroupImage = 0;
inline constexpr int kBuddyImage = 1;

struct ContactIntakeSinks {
    std::function<void(bool on)> SetPingTimer;  // the keep-alive watch of the main window
    std::function<void()> UpdateLoginState;     // shows the signed-in state
};

class ContactIntake {
public:
    // `treeLock` is held while a node is created and placed; it and the rest outlive this.
    ContactIntake(TVANE& conn, ContactTree& tree, std::mutex& treeLock, ContactIntakeSinks sinks);

    void DoActiveGroupList();
    void DoActiveList();
    void ClearContactTree();

private:
    TVANE& FConn;
    ContactTree& FTree;
    std::mutex& FTreeLock;
    ContactIntakeSinks FSinks;
};

}  // namespace kv
