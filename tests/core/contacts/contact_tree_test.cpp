#include "core/contacts/contact_tree.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kv {
namespace {

std::unique_ptr<ANodeData> groupData(std::int32_t id, const std::string& name) {
    auto g = std::make_unique<AGroup>();
    g->GroupId = id;
    g->GroupName = name;
    return std::make_unique<ANodeData>(std::move(g));
}

std::unique_ptr<ANodeData> buddyData(std::int32_t groupId, const std::string& nick) {
    auto b = std::make_unique<ABuddy>();
    b->GroupId = groupId;
    b->NickName = nick;
    return std::make_unique<ANodeData>(std::move(b));
}

// Display order as "caption" lines, two blanks per level.
std::vector<std::string> walk(const ContactTree& tree) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < tree.Count(); ++i) {
        const ContactNode* n = tree.Item(i);
        out.push_back(std::string(2 * n->Level(), ' ') + n->Caption());
    }
    return out;
}

// Records every notification, to check that a view would be told the right rows.
struct Recorder final : ContactTreeObserver {
    void BeginInsert(ContactNode* p, std::size_t row) override {
        log.push_back("ins " + name(p) + " " + std::to_string(row));
    }
    void EndInsert() override { log.push_back("/ins"); }
    void BeginRemove(ContactNode* p, std::size_t row) override {
        log.push_back("rem " + name(p) + " " + std::to_string(row));
    }
    void EndRemove() override { log.push_back("/rem"); }
    void BeginMove(ContactNode* f, std::size_t r, ContactNode* t, std::size_t tr) override {
        log.push_back("mov " + name(f) + " " + std::to_string(r) + " " + name(t) + " " +
                      std::to_string(tr));
    }
    void EndMove() override { log.push_back("/mov"); }
    void BeginReset() override { log.push_back("reset"); }
    void EndReset() override { log.push_back("/reset"); }
    void CaptionChanged(ContactNode* n) override { log.push_back("cap " + n->Caption()); }
    void ExpandedChanged(ContactNode* n) override {
        log.push_back("exp " + n->Caption() + (n->Expanded() ? " 1" : " 0"));
    }
    void TreeGone() override { log.push_back("gone"); }
    static std::string name(const ContactNode* n) { return n ? n->Caption() : "-"; }
    std::vector<std::string> log;
};

TEST(ContactTree, KeepsOrderOfAdditionAndWalksInDisplayOrder) {
    ContactTree tree;
    ContactNode* a = tree.AddRoot("A", 0);
    ContactNode* b = tree.AddRoot("B", 0);
    tree.AddChild(b, "b1", 1);
    tree.AddChild(a, "a1", 1);
    tree.AddRoot("r", 1);
    tree.AddChild(a, "a2", 1);
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"A", "  a1", "  a2", "B", "  b1", "r"}));
    EXPECT_EQ(tree.Count(), 6u);
    EXPECT_EQ(tree.RootCount(), 3u);
    EXPECT_EQ(a->Child(1)->Row(), 1u);
    EXPECT_EQ(a->Child(1)->Parent(), a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(tree.Item(6), nullptr);
    EXPECT_THROW(tree.AddChild(nullptr, "x", 1), std::invalid_argument);
}

TEST(ContactTree, MoveMakesTheLastChildAndKeepsRowsRight) {
    ContactTree tree;
    ContactNode* a = tree.AddRoot("A", 0);
    ContactNode* b = tree.AddRoot("B", 0);
    ContactNode* a1 = tree.AddChild(a, "a1", 1);
    ContactNode* a2 = tree.AddChild(a, "a2", 1);
    ContactNode* r = tree.AddRoot("r", 1);
    Recorder rec;
    tree.SetObserver(&rec);

    tree.MoveTo(a1, b);
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"A", "  a2", "B", "  a1", "r"}));
    EXPECT_EQ(a2->Row(), 0u);
    EXPECT_EQ(a1->Parent(), b);
    tree.MoveTo(r, a);         // a root-level node under a group
    tree.MoveTo(a2, nullptr);  // and a child to the end of the root level
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"A", "  r", "B", "  a1", "a2"}));
    EXPECT_EQ(a2->Row(), 2u);
    tree.MoveTo(a2, nullptr);  // already last: nothing happens
    EXPECT_EQ(rec.log, (std::vector<std::string>{"mov A 0 B 0", "/mov", "mov - 2 A 1", "/mov",
                                                 "mov A 0 - 2", "/mov"}));
    EXPECT_THROW(tree.MoveTo(a, a), std::invalid_argument);
    tree.MoveTo(a1, a);
    EXPECT_THROW(tree.MoveTo(a, a1), std::invalid_argument);
    EXPECT_EQ(tree.Count(), 5u);
    tree.SetObserver(nullptr);
}

// Leaks and double frees of the records show under the sanitizer build.
TEST(ContactTree, RemovingFreesTheRecordsOfTheNodeAndItsChildren) {
    ContactTree tree;
    ContactNode* g = tree.AddRoot("G", 0);
    tree.SetData(g, groupData(1, "G"));
    ContactNode* b1 = tree.AddChild(g, "b1", 1);
    tree.SetData(b1, buddyData(1, "b1"));
    ContactNode* b2 = tree.AddChild(g, "b2", 1);
    tree.SetData(b2, buddyData(1, "b2"));
    ContactNode* r = tree.AddRoot("r", 1);
    tree.SetData(r, buddyData(0, "r"));
    EXPECT_EQ(tree.Count(), 4u);

    Recorder rec;
    tree.SetObserver(&rec);
    tree.Delete(b1);
    EXPECT_EQ(b2->Row(), 0u);
    tree.Delete(g);  // with its remaining child
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"r"}));
    EXPECT_EQ(tree.Count(), 1u);
    EXPECT_EQ(r->Row(), 0u);
    tree.Clear();
    EXPECT_EQ(tree.Count(), 0u);
    EXPECT_EQ(tree.RootCount(), 0u);
    EXPECT_EQ(tree.Item(0), nullptr);
    EXPECT_EQ(rec.log,
              (std::vector<std::string>{"rem G 0", "/rem", "rem - 0", "/rem", "reset", "/reset"}));
    tree.SetObserver(nullptr);
}

TEST(ContactTree, CaptionsAndExpandedStateNotifyOnlyOnChange) {
    ContactTree tree;
    ContactNode* g = tree.AddRoot("G", 0);
    tree.AddChild(g, "b", 1);
    tree.AddRoot("H", 0);
    Recorder rec;
    tree.SetObserver(&rec);
    tree.SetCaption(g, "G (1)");
    tree.SetCaption(g, "G (1)");
    tree.ExpandAll();
    tree.ExpandAll();
    tree.SetExpanded(g, false);
    EXPECT_TRUE(tree.Root(1)->Expanded());
    EXPECT_EQ(rec.log, (std::vector<std::string>{"cap G (1)", "exp G (1) 1", "exp b 1", "exp H 1",
                                                 "exp G (1) 0"}));
    tree.SetObserver(nullptr);
}

TEST(ContactTree, TellsItsObserverWhenItGoes) {
    Recorder rec;
    {
        ContactTree tree;
        tree.SetObserver(&rec);
        tree.AddRoot("x", 0);
    }
    EXPECT_EQ(rec.log.back(), "gone");
}

TEST(GroupCaption, NameAloneWhenEmptyElseCountInParentheses) {
    AGroup g;
    g.GroupName = "Friends";
    EXPECT_EQ(GroupCaption(g), "Friends");
    g.Count = 3;
    EXPECT_EQ(GroupCaption(g), "Friends (3)");
    g.Count = 12;
    g.GroupName = "";
    EXPECT_EQ(GroupCaption(g), " (12)");
}

TEST(ANodeData, KindFollowsTheRecordItOwns) {
    const auto g = groupData(4, "x");
    EXPECT_EQ(g->Kind(), ANodeData::kGroup);
    ASSERT_NE(g->Group(), nullptr);
    EXPECT_EQ(g->Group()->GroupId, 4);
    EXPECT_EQ(g->Buddy(), nullptr);
    const auto b = buddyData(0, "y");
    EXPECT_EQ(b->Kind(), ANodeData::kBuddy);
    EXPECT_EQ(b->Group(), nullptr);
    EXPECT_EQ(b->Buddy()->NickName, "y");
}

}  // namespace
}  // namespace kv
