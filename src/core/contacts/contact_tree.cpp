#include "core/contacts/contact_tree.h"

#include <stdexcept>

namespace kv {

ContactNode* ContactNode::Parent() const {
    // Root-level nodes hang under the tree's hidden top, which has no parent itself.
    return FParent && FParent->FParent ? FParent : nullptr;
}

int ContactNode::Level() const {
    int level = 0;
    for (const ContactNode* p = Parent(); p; p = p->Parent())
        ++level;
    return level;
}

ContactTree::ContactTree() = default;

ContactTree::~ContactTree() {
    if (FObserver)
        FObserver->TreeGone();
}

ContactNode* ContactTree::AddRoot(std::string caption, int image) {
    return Append(nullptr, std::move(caption), image);
}

ContactNode* ContactTree::AddChild(ContactNode* parent, std::string caption, int image) {
    if (!parent)
        throw std::invalid_argument("AddChild needs a parent node");
    return Append(parent, std::move(caption), image);
}

ContactNode* ContactTree::Append(ContactNode* parent, std::string caption, int image) {
    ContactNode* holder = Holder(parent);
    auto node = std::make_unique<ContactNode>();
    node->FParent = holder;
    node->FRow = holder->FChildren.size();
    node->FCaption = std::move(caption);
    node->FImage = image;
    if (FObserver)
        FObserver->BeginInsert(parent, node->FRow);
    ContactNode* added = node.get();
    holder->FChildren.push_back(std::move(node));
    ++FCount;
    FOrderValid = false;
    if (FObserver)
        FObserver->EndInsert();
    return added;
}

void ContactTree::SetData(ContactNode* node, std::unique_ptr<ANodeData> data) {
    node->FData = std::move(data);
}

void ContactTree::SetCaption(ContactNode* node, std::string caption) {
    if (node->FCaption == caption)
        return;
    node->FCaption = std::move(caption);
    if (FObserver)
        FObserver->CaptionChanged(node);
}

void ContactTree::SetExpanded(ContactNode* node, bool expanded) {
    if (node->FExpanded == expanded)
        return;
    node->FExpanded = expanded;
    if (FObserver)
        FObserver->ExpandedChanged(node);
}

void ContactTree::ExpandAll() {
    for (std::size_t i = 0, n = Count(); i < n; ++i)
        SetExpanded(Item(i), true);
}

void ContactTree::MoveTo(ContactNode* node, ContactNode* parent) {
    for (ContactNode* p = parent; p; p = p->Parent())
        if (p == node)
            throw std::invalid_argument("a node cannot move below itself");
    ContactNode* from = node->FParent;
    ContactNode* to = Holder(parent);
    const std::size_t row = node->FRow;
    // Already the last child there: nothing moves.
    if (from == to && row + 1 == to->FChildren.size())
        return;
    const std::size_t toRow = to->FChildren.size();
    if (FObserver)
        FObserver->BeginMove(node->Parent(), row, parent, toRow);
    std::unique_ptr<ContactNode> owned = std::move(from->FChildren[row]);
    from->FChildren.erase(from->FChildren.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(*from, row);
    owned->FParent = to;
    owned->FRow = to->FChildren.size();
    to->FChildren.push_back(std::move(owned));
    FOrderValid = false;
    if (FObserver)
        FObserver->EndMove();
}

void ContactTree::Delete(ContactNode* node) {
    ContactNode* holder = node->FParent;
    const std::size_t row = node->FRow;
    if (FObserver)
        FObserver->BeginRemove(node->Parent(), row);
    FCount -= SubtreeSize(*node);
    ++FRemovals;
    // Freeing the node frees its ANodeData and record, and those of its children.
    holder->FChildren.erase(holder->FChildren.begin() + static_cast<std::ptrdiff_t>(row));
    Renumber(*holder, row);
    FOrderValid = false;
    if (FObserver)
        FObserver->EndRemove();
}

void ContactTree::Clear() {
    if (FObserver)
        FObserver->BeginReset();
    FTop.FChildren.clear();
    FCount = 0;
    ++FRemovals;
    FOrder.clear();
    FOrderValid = true;
    if (FObserver)
        FObserver->EndReset();
}

ContactNode* ContactTree::Item(std::size_t index) const {
    if (!FOrderValid) {
        FOrder.clear();
        FOrder.reserve(FCount);
        // Iterative depth-first walk; the tree is shallow but nothing here relies on it.
        std::vector<std::pair<const ContactNode*, std::size_t>> stack{{&FTop, 0}};
        while (!stack.empty()) {
            auto& [holder, next] = stack.back();
            if (next == holder->FChildren.size()) {
                stack.pop_back();
                continue;
            }
            ContactNode* child = holder->FChildren[next++].get();
            FOrder.push_back(child);
            if (!child->FChildren.empty())
                stack.emplace_back(child, 0);
        }
        FOrderValid = true;
    }
    return index < FOrder.size() ? FOrder[index] : nullptr;
}

std::size_t ContactTree::SubtreeSize(const ContactNode& node) {
    std::size_t size = 1;
    for (const auto& child : node.FChildren)
        size += SubtreeSize(*child);
    return size;
}

void ContactTree::Renumber(ContactNode& holder, std::size_t from) {
    for (std::size_t i = from; i < holder.FChildren.size(); ++i)
        holder.FChildren[i]->FRow = i;
}

}  // namespace kv
