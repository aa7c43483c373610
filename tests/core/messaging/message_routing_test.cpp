#include "core/messaging/message_routing.h"

#include <gtest/gtest.h>

#include "core/base/cp949.h"
#include "core/contacts/contact_tree.h"

namespace kv {
namespace {

TEST(IncomingMessage, BreakTagsBecomeLineBreaksAndNothingElseChanges) {
    EXPECT_EQ(ReceivedLineBreaks("a<br>b"), "a\r\nb");
    EXPECT_EQ(ReceivedLineBreaks("<br><br>"), "\r\n\r\n");
    EXPECT_EQ(ReceivedLineBreaks("a{}b"), "a{}b");
    EXPECT_EQ(ReceivedLineBreaks("<BR><br"), "<BR><br");
    EXPECT_EQ(ReceivedLineBreaks(""), "");
}

struct Tree {
    ContactTree tree;
    ContactNode* group(const std::string& name) {
        auto g = std::make_unique<AGroup>();
        g->GroupName = name;
        ContactNode* n = tree.AddRoot(name, 0);
        tree.SetData(n, std::make_unique<ANodeData>(std::move(g)));
        return n;
    }
    void buddy(ContactNode* parent, const std::string& nick, const std::string& port) {
        auto b = std::make_unique<ABuddy>();
        b->NickName = nick;
        b->Phone = "010" + port;
        b->UserPort = port;
        ContactNode* n = parent ? tree.AddChild(parent, nick, 1) : tree.AddRoot(nick, 1);
        tree.SetData(n, std::make_unique<ANodeData>(std::move(b)));
    }
};

TEST(FindPartner, FirstPartnerInDisplayOrderWithExactlyThatPort) {
    Tree t;
    ContactNode* family = t.group("family");
    ContactNode* friends = t.group("friends");
    t.buddy(friends, "second", "7");
    t.buddy(family, "first", "7");  // listed before "second": its group comes first
    t.buddy(nullptr, "root", "8");
    t.buddy(family, "case", "a1");

    ASSERT_NE(FindPartner(t.tree, "7"), nullptr);
    EXPECT_EQ(FindPartner(t.tree, "7")->NickName, "first");
    EXPECT_EQ(FindPartner(t.tree, "8")->NickName, "root");
    EXPECT_EQ(FindPartner(t.tree, "A1"), nullptr);  // case counts
    EXPECT_EQ(FindPartner(t.tree, "7 "), nullptr);
    EXPECT_EQ(FindPartner(t.tree, "9"), nullptr);
}

TEST(FindPartner, GroupsAndNodesWithoutRecordsAreSkipped) {
    Tree t;
    ContactNode* named7 = t.group("7");
    (void)named7;
    t.tree.AddRoot("bare", 1);  // no record yet
    EXPECT_EQ(FindPartner(t.tree, "7"), nullptr);
    EXPECT_EQ(FindPartner(ContactTree{}, ""), nullptr);
}

}  // namespace
}  // namespace kv
