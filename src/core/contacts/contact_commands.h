#pragma once

// The member's changes to the contact list: create, rename and delete a group, register a
// partner (with the server's confirmation step), change and delete a partner, drag a partner
// onto a group; and the handlers of the two server replies that complete a change ("GG:" a new
// group, "P:" a registration). Each command changes the tree at once and tells the server with
// one line; a failed send ends the connection (the line writer disconnects) and shows nothing.
//
// Plain logic over the connection, the tree, the message boxes and the add-partner dialog, so
// that it runs without windows. Threads: every call runs on the user-interface thread; the two
// reply handlers are the connection's line events and may throw ConvertError (the connection
// then ends as on a read error).
//
// Names travel unescaped in the lines, so a group name holding "/" or "," and a nickname holding
// ",", "/" or ":" would split an entry of the lists the server sends at every sign-in. Such names
// are refused where they are typed and, should one get here all the same, never sent.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/connection/vane.h"
#include "core/contacts/contact_tree.h"
#include "core/ports/message_boxes.h"

namespace kv {

// Characters a typed name may not hold, as single bytes (none of them is ever the second byte
// of a CP949 character).
inline constexpr std::string_view kGroupNameRefused = "/,";
inline constexpr std::string_view kNickNameRefused = ",/:";
// The message that tells the member why a nickname was refused, CP949.
const std::string& NickNameRefusedMessage();
bool HoldsAnyOf(std::string_view text, std::string_view bytes);

// The number prefixes the add-partner dialog offers, "010" first.
inline constexpr std::string_view kPhonePrefixes[] = {"010", "011", "016", "017", "018", "019"};

// A whole number as the dialog shows it: one of the prefixes and the rest, or, for a number
// that begins with none of them, no prefix and the whole number, so that joining the two
// always gives the number back.
struct PhoneParts {
    std::string PreNum;
    std::string Number;
    bool operator==(const PhoneParts&) const = default;
};
PhoneParts SplitPhone(const std::string& phone);

// The contents of the add-partner dialog's boxes, CP949.
struct UserAddValues {
    std::string Nation;
    std::string PreNum;
    std::string Number;
    std::string NickName;
    std::string VtNumber;
    bool operator==(const UserAddValues&) const = default;
};

// The add-partner dialog as the commands use it.
class UserAddDialogs {
public:
    virtual ~UserAddDialogs() = default;
    // Add mode; waits for the dialog to close. The values when it closed with OK.
    virtual std::optional<UserAddValues> AddPartner() = 0;
    // Details mode filled from the partner; waits. The values when it closed with OK.
    virtual std::optional<UserAddValues> PartnerDetails(const ABuddy& partner) = 0;
    // Confirm mode showing the pending registration; returns at once. The dialog itself sends
    // the confirmation line when the member confirms it.
    virtual void ConfirmPartner(const UserAddValues& pending) = 0;
};

// Which of the contacts menu's selection-dependent items are usable.
struct ContactsMenuItems {
    bool miSend = false;
    bool miMemberInfo = false;
    bool miDeleteUser = false;
    bool miRenameGroup = false;
    bool miDeleteGroup = false;
    bool operator==(const ContactsMenuItems&) const = default;
};
// Signed in, the items follow the selected node (nullptr: none). The caller applies it only
// while signed in.
ContactsMenuItems ContactsMenuEnabling(const ContactNode* selected);

class ContactCommands {
public:
    // Everything given outlives this part. `treeLock` is held while a node is created and
    // placed, as the sign-in lists do.
    ContactCommands(TVANE& conn, ContactTree& tree, std::mutex& treeLock, MessageBoxes& boxes,
                    UserAddDialogs& dialogs);

    // Commands of the menus; `selected` is the tree's selected node, or nullptr.
    void actNewGroupExecute();
    void actRenameGroupExecute(ContactNode* selected);
    void actDeleteGroupExecute(ContactNode* selected);
    void actAddUserExecute();
    void actMemberInfoExecute(ContactNode* selected);
    void actDeleteUserExecute(ContactNode* selected);

    // Dragging: whether `dragged` (the selected node) may be dropped on `target` (the node under
    // the pointer, or nullptr), and the drop itself.
    bool TVuserlistDragOver(const ContactNode* dragged, const ContactNode* target) const;
    void TVuserlistDragDrop(ContactNode* dragged, ContactNode* target);

    // Server replies: "GG:" and "P:" in the connection's Msg.
    void DoGroupAdd();
    void DoUserAdd();

private:
    // The node held across a modal box, if it is still in the tree: the box's event loop may
    // have run a disconnect that emptied it.
    ContactNode* StillThere(ContactNode* node, std::uint64_t removalsBefore) const;
    std::optional<std::string> AskGroupName(const std::string& caption, const std::string& value);
    bool RefusedNickName(const std::string& nickName);
    void SetGroupCount(ContactNode* groupNode, std::int32_t delta);

    TVANE& FConn;
    ContactTree& FTree;
    std::mutex& FTreeLock;
    MessageBoxes& FBoxes;
    UserAddDialogs& FDialogs;
};

}  // namespace kv
