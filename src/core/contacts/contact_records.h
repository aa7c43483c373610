#pragma once

// The records hung on the contact tree's nodes. Texts are CP949 bytes as the server sent them;
// they go back to the server unchanged, so nothing here is converted or cleaned.

#include <cstdint>
#include <memory>
#include <string>

namespace kv {

struct AGroup {
    std::int32_t GroupId = 0;
    std::int32_t Count = 0;  // partner nodes filed under the group's node
    std::string GroupName;
};

struct ABuddy {
    std::int32_t GroupId = 0;  // 0: filed under no group
    std::string NickName;
    std::string Phone;
    std::string VtNumber;
    std::string UserPort;     // the server's key of this partner entry
    std::int32_t Status = 0;  // kept, never shown or sent
};

// One per node. It owns the node's record: freeing the ANodeData frees the record with it.
class ANodeData {
public:
    static constexpr std::int32_t kGroup = 0;
    static constexpr std::int32_t kBuddy = 1;

    explicit ANodeData(std::unique_ptr<AGroup> group);
    explicit ANodeData(std::unique_ptr<ABuddy> buddy);

    std::int32_t Kind() const { return FKind; }
    // The record of the kind the node has; nullptr for the other kind.
    AGroup* Group() const { return FGroup.get(); }
    ABuddy* Buddy() const { return FBuddy.get(); }

private:
    std::int32_t FKind;
    std::unique_ptr<AGroup> FGroup;
    std::unique_ptr<ABuddy> FBuddy;
};

// "<name>" for an empty group, "<name> (<count>)" otherwise.
std::string GroupCaption(const AGroup& group);

}  // namespace kv
