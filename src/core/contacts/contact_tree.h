#pragma once

// The contact tree as plain data: root-level nodes and their children in the order they were
// added, one ANodeData per node, a caption, an image index and an expanded flag per node.
// It is the program's only store of the contact list; the Qt view shows it through an
// observer and never changes or frees anything in it.
//
// Ownership: the tree owns its nodes and each node owns its ANodeData (and so its record).
// Removing a node frees its records and those of its children; nothing else frees them.
// Threads: used on the user-interface thread only.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/contacts/contact_records.h"

namespace kv {

class ContactTree;

class ContactNode {
public:
    ANodeData* Data() const { return FData.get(); }
    const std::string& Caption() const { return FCaption; }  // CP949
    int ImageIndex() const { return FImage; }
    bool Expanded() const { return FExpanded; }
    // nullptr for a root-level node.
    ContactNode* Parent() const;
    std::size_t ChildCount() const { return FChildren.size(); }
    ContactNode* Child(std::size_t row) const { return FChildren[row].get(); }
    // Position among its siblings (among the root-level nodes for a root-level node).
    std::size_t Row() const { return FRow; }
    int Level() const;

private:
    friend class ContactTree;
    ContactNode* FParent = nullptr;  // the tree's hidden top for root-level nodes
    std::size_t FRow = 0;
    std::unique_ptr<ANodeData> FData;
    std::string FCaption;
    int FImage = 0;
    bool FExpanded = false;
    std::vector<std::unique_ptr<ContactNode>> FChildren;
};

// Told of every change, before and after, in the shape item views expect. `parent` is
// nullptr for the root level. Calls come from inside the tree's operations.
class ContactTreeObserver {
public:
    virtual ~ContactTreeObserver() = default;
    virtual void BeginInsert(ContactNode* parent, std::size_t row) = 0;
    virtual void EndInsert() = 0;
    virtual void BeginRemove(ContactNode* parent, std::size_t row) = 0;
    virtual void EndRemove() = 0;
    virtual void BeginMove(ContactNode* from, std::size_t row, ContactNode* to,
                           std::size_t toRow) = 0;
    virtual void EndMove() = 0;
    virtual void BeginReset() = 0;
    virtual void EndReset() = 0;
    virtual void CaptionChanged(ContactNode* node) = 0;
    virtual void ExpandedChanged(ContactNode* node) = 0;
    // The tree is being destroyed; the observer must forget it.
    virtual void TreeGone() = 0;
};

class ContactTree {
public:
    ContactTree();
    ~ContactTree();
    ContactTree(const ContactTree&) = delete;
    ContactTree& operator=(const ContactTree&) = delete;

    // One observer at most (the view); nullptr to detach.
    void SetObserver(ContactTreeObserver* observer) { FObserver = observer; }

    // Appends a node after every existing root-level node, or as the last child of `parent`.
    // The node has no ANodeData until SetData gives it one.
    ContactNode* AddRoot(std::string caption, int image);
    ContactNode* AddChild(ContactNode* parent, std::string caption, int image);
    void SetData(ContactNode* node, std::unique_ptr<ANodeData> data);

    void SetCaption(ContactNode* node, std::string caption);
    void SetExpanded(ContactNode* node, bool expanded);
    void ExpandAll();

    // Makes `node` the last child of `parent` (the last root-level node when parent is
    // nullptr), children and all. Moving a node into itself or below itself is refused with
    // std::invalid_argument.
    void MoveTo(ContactNode* node, ContactNode* parent);

    // Removes the node and its children and frees their records.
    void Delete(ContactNode* node);
    // Removes every node and frees every record.
    void Clear();

    // Every node, counted over all levels.
    std::size_t Count() const { return FCount; }
    // The node at `index` in display order: each root-level node followed by its children
    // (depth first). Walking 0..Count()-1 costs linear time in all.
    ContactNode* Item(std::size_t index) const;

    std::size_t RootCount() const { return FTop.FChildren.size(); }

    // Counts every Delete and Clear. A caller that held a node across a modal box (whose event
    // loop may run server lines) compares it to know whether the node may be gone.
    std::uint64_t Removals() const { return FRemovals; }
    ContactNode* Root(std::size_t row) const { return FTop.FChildren[row].get(); }

private:
    ContactNode* Append(ContactNode* parent, std::string caption, int image);
    ContactNode* Holder(ContactNode* parent) { return parent ? parent : &FTop; }
    static std::size_t SubtreeSize(const ContactNode& node);
    static void Renumber(ContactNode& holder, std::size_t from);

    ContactNode FTop;
    std::size_t FCount = 0;
    std::uint64_t FRemovals = 0;
    ContactTreeObserver* FObserver = nullptr;
    // Display order, rebuilt on the first walk after a change of structure.
    mutable std::vector<ContactNode*> FOrder;
    mutable bool FOrderValid = true;
};

}  // namespace kv
