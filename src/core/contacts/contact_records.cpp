#include "core/contacts/contact_records.h"

namespace kv {

ANodeData::ANodeData(std::unique_ptr<AGroup> group) : FKind(kGroup), FGroup(std::move(group)) {}

ANodeData::ANodeData(std::unique_ptr<ABuddy> buddy) : FKind(kBuddy), FBuddy(std::move(buddy)) {}

std::string GroupCaption(const AGroup& group) {
    if (group.Count == 0)
        return group.GroupName;
    return group.GroupName + " (" + std::to_string(group.Count) + ")";
}

}  // namespace kv
