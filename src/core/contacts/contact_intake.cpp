#include "core/contacts/contact_intake.h"

#include <unordered_map>

#include "core/base/errors.h"
#include "core/connection/line_protocol.h"

namespace kv {

namespace {

// A failed send disconnects, which empties the tree; nothing is reported. When even the "LX:"
// of that disconnect fails, the connection is over all the same.
void sendOrDrop(TVANE& conn, const std::string& line) {
    try {
        conn.SendLine(line);
    } catch (const NetError&) {
    }
}

}  // namespace

ContactIntake::ContactIntake(TVANE& conn, ContactTree& tree, std::mutex& treeLock,
                             ContactIntakeSinks sinks)
    : FConn(conn), FTree(tree), FTreeLock(treeLock), FSinks(std::move(sinks)) {}

void ContactIntake::DoActiveGroupList() {
    // Outside the sign-in a list changes nothing, so the tree is never filled twice.
    if (FConn.State() != ConnectionState::SigningIn)
        return;
    if (FTree.Count() != 0)
        ClearContactTree();  // left from a connection the receive loop dropped
    proto::forEachGroupEntry(FConn.Msg, [this](proto::GroupEntry entry) {
        auto group = std::make_unique<AGroup>();
        group->GroupId = entry.groupId;
        group->GroupName = std::move(entry.groupName);
        ContactNode* node = nullptr;
        {
            std::lock_guard lock(FTreeLock);
            node = FTree.AddRoot(GroupCaption(*group), kGroupImage);
        }
        FTree.SetData(node, std::make_unique<ANodeData>(std::move(group)));
    });
    sendOrDrop(FConn, proto::buddyListRequest());
}

void ContactIntake::DoActiveList() {
    if (FConn.State() != ConnectionState::SigningIn)
        return;
    // The first group node of each id, in display order. Group nodes are root-level nodes
    // and the partner list adds none, so this stays true for the whole list and each entry
    // finds its group in constant time instead of walking every node.
    std::unordered_map<std::int32_t, ContactNode*> groups;
    for (std::size_t row = 0; row < FTree.RootCount(); ++row) {
        ContactNode* node = FTree.Root(row);
        if (const ANodeData* data = node->Data(); data && data->Kind() == ANodeData::kGroup)
            groups.emplace(data->Group()->GroupId, node);
    }
    proto::forEachBuddyEntry(FConn.Msg, [&](proto::BuddyEntry entry) {
        auto buddy = std::make_unique<ABuddy>();
        buddy->GroupId = entry.groupId;
        buddy->NickName = std::move(entry.nickName);
        buddy->Phone = std::move(entry.phone);
        buddy->VtNumber = std::move(entry.vtNumber);
        buddy->UserPort = std::move(entry.userPort);
        buddy->Status = entry.status;
        ContactNode* node = nullptr;
        {
            std::lock_guard lock(FTreeLock);
            ContactNode* groupNode = nullptr;
            if (buddy->GroupId != 0) {
                if (auto it = groups.find(buddy->GroupId); it != groups.end())
                    groupNode = it->second;
            }
            if (groupNode) {
                AGroup& group = *groupNode->Data()->Group();
                ++group.Count;
                node = FTree.AddChild(groupNode, buddy->NickName, kBuddyImage);
                FTree.SetCaption(groupNode, GroupCaption(group));
            } else {
                // Group 0, or a group id that names no group: the root level keeps every
                // partner under a group with its own id.
                node = FTree.AddRoot(buddy->NickName, kBuddyImage);
            }
        }
        FTree.SetData(node, std::make_unique<ANodeData>(std::move(buddy)));
    });
    FTree.ExpandAll();
    FConn.SetState(ConnectionState::SignedIn);
    FConn.ResetPingCount();
    if (FSinks.SetPingTimer)
        FSinks.SetPingTimer(true);
    if (FSinks.UpdateLoginState)
        FSinks.UpdateLoginState();
    sendOrDrop(FConn, proto::moneyRequest());
}

void ContactIntake::ClearContactTree() {
    FTree.Clear();
}

}  // namespace kv
