#include "core/contacts/contact_intake.h"

#include <gtest/gtest.h>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/posix/posix_line_socket.h"
#include "support/fake_line_socket.h"
#include "support/manual_ui_thread.h"
#include "support/scripted_server.h"

namespace kv {
namespace {

using namespace std::chrono_literals;

// Display order as UTF-8 lines: two blanks per level, the caption, and for a partner its
// port in brackets.
std::vector<std::string> walk(const ContactTree& tree) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < tree.Count(); ++i) {
        const ContactNode* n = tree.Item(i);
        std::string line = std::string(2 * n->Level(), ' ') + cp949ToUtf8(n->Caption());
        if (n->Data() && n->Data()->Kind() == ANodeData::kBuddy)
            line += " [" + n->Data()->Buddy()->UserPort + "]";
        out.push_back(line);
    }
    return out;
}

class ContactIntakeTest : public ::testing::Test {
protected:
    ContactIntakeTest() {
        conn.OnActiveGroupList = [this] { intake.DoActiveGroupList(); };
        conn.OnActiveList = [this] { intake.DoActiveList(); };
        conn.OnDisconnect = [this](TVANE&) {
            ++disconnects;
            intake.ClearContactTree();
        };
    }
    ~ContactIntakeTest() override {
        connHolder.reset();
        ui->pumpUntil([] { return runningListenThreads() == 0; });
    }

    void Connect() {
        conn.Host = "127.0.0.1";
        conn.Port = server.port();
        ASSERT_TRUE(conn.Connect());
        ASSERT_TRUE(server.accept());
        ASSERT_EQ(conn.State(), kv::ConnectionState::SigningIn);
    }

    // Hands the line to a handler as the connection would, on this (the UI) thread.
    void GroupList(const std::string& utf8Line) {
        conn.Msg = cp949(utf8Line);
        intake.DoActiveGroupList();
    }
    void PartnerList(const std::string& utf8Line) {
        conn.Msg = cp949(utf8Line);
        intake.DoActiveList();
    }

    // Sends a line from the server and lets the receive thread hand it over.
    void Deliver(const std::string& line, const std::function<bool()>& until) {
        server.sendLine(line);
        ASSERT_TRUE(ui->pumpUntil(until));
    }

    test::ScriptedServer server;
    std::shared_ptr<test::ManualUiThread> ui = std::make_shared<test::ManualUiThread>();
    std::shared_ptr<std::atomic<bool>> failWrites = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<TVANE> connHolder = std::make_unique<TVANE>(
        ui, [this] { return std::make_shared<test::FailingWriteSocket>(failWrites); });
    TVANE& conn = *connHolder;
    ContactTree tree;
    std::mutex treeLock;
    std::vector<std::string> sinks;
    int disconnects = 0;
    ContactIntake intake{
        conn, tree, treeLock,
        ContactIntakeSinks{
            [this](bool on) { sinks.push_back(on ? "timer:on" : "timer:off"); },
            [this] { sinks.push_back("state:" + std::to_string(static_cast<int>(conn.State()))); },
        }};
};

TEST_F(ContactIntakeTest, FamilyFriendsExampleSignsIn) {
    Connect();
    GroupList("GR:1,가족/2,친구/");
    EXPECT_TRUE(server.expectLine("AC:")) << server.lastMismatch();
    EXPECT_EQ(conn.State(), kv::ConnectionState::SigningIn);
    conn.CashCount = 0;
    PartnerList("AC:1,엄마,01012345678,05011112222,p1,0/0,홍길동,0101111,,p2,1/");
    EXPECT_EQ(walk(tree),
              (std::vector<std::string>{"가족 (1)", "  엄마 [p1]", "친구", "홍길동 [p2]"}));
    for (std::size_t i = 0; i < tree.Count(); ++i)
        EXPECT_TRUE(tree.Item(i)->Expanded()) << i;
    EXPECT_EQ(tree.Item(0)->ImageIndex(), kGroupImage);
    EXPECT_EQ(tree.Item(1)->ImageIndex(), kBuddyImage);
    EXPECT_EQ(tree.Item(3)->ImageIndex(), kBuddyImage);

    const AGroup& family = *tree.Item(0)->Data()->Group();
    EXPECT_EQ(family.GroupId, 1);
    EXPECT_EQ(family.Count, 1);
    EXPECT_EQ(family.GroupName, cp949("가족"));
    EXPECT_EQ(tree.Item(2)->Data()->Group()->Count, 0);
    const ABuddy& mom = *tree.Item(1)->Data()->Buddy();
    EXPECT_EQ(mom.GroupId, 1);
    EXPECT_EQ(mom.NickName, cp949("엄마"));
    EXPECT_EQ(mom.Phone, "01012345678");
    EXPECT_EQ(mom.VtNumber, "05011112222");
    EXPECT_EQ(mom.UserPort, "p1");
    EXPECT_EQ(mom.Status, 0);
    EXPECT_EQ(tree.Item(3)->Data()->Buddy()->Status, 1);
    EXPECT_EQ(tree.Item(3)->Data()->Buddy()->VtNumber, "");

    // Signed in: state 2, the watch restarted, the window refreshed, the balance asked for.
    EXPECT_EQ(conn.State(), kv::ConnectionState::SignedIn);
    EXPECT_EQ(conn.PingCount(), 0);
    EXPECT_EQ(sinks, (std::vector<std::string>{"timer:on", "state:2"}));
    EXPECT_TRUE(server.expectLine("RC:")) << server.lastMismatch();
}

TEST_F(ContactIntakeTest, EntriesCutAsTheLayoutsSay) {
    Connect();
    // A last entry without "/"; a name holding "," splits its entry.
    GroupList("GR:5,회사");
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"회사"}));
    tree.Clear();
    conn.SetState(kv::ConnectionState::SigningIn);
    GroupList("GR:7,a,b/8,c");
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"a,b", "c"}));
    ASSERT_TRUE(server.expectLine("AC:"));
    ASSERT_TRUE(server.expectLine("AC:"));

    // Partner entries: "/" inside a nickname ends the entry early; the status of the cut
    // entry then is the text up to that "/". A final entry without "/" is read whole.
    PartnerList("AC:7,x,1,2,q1,0/0,last,3,4,q2,5");
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"a,b (1)", "  x [q1]", "c", "last [q2]"}));
    EXPECT_EQ(tree.Item(3)->Data()->Buddy()->Status, 5);
}

TEST_F(ContactIntakeTest, PartnersKeepListOrderUnderGroupsAndRootComesAfterGroups) {
    Connect();
    GroupList("GR:1,A/2,B/");
    PartnerList(
        "AC:2,b1,1,,p1,0/0,r1,1,,p2,0/1,a1,1,,p3,0/2,b2,1,,p4,0/0,r2,1,,p5,0/"
        "9,lost,1,,p6,0/");
    EXPECT_EQ(walk(tree),
              (std::vector<std::string>{"A (1)", "  a1 [p3]", "B (2)", "  b1 [p1]", "  b2 [p4]",
                                        "r1 [p2]", "r2 [p5]", "lost [p6]"}));
    // The partner of an unknown group keeps its id; nothing else changed for it.
    EXPECT_EQ(tree.Item(7)->Data()->Buddy()->GroupId, 9);
    // Two entries that differ only in the status look alike.
    tree.Clear();
    conn.SetState(kv::ConnectionState::SigningIn);
    GroupList("GR:");
    PartnerList("AC:0,same,1,,p1,0/0,same,1,,p2,7/");
    EXPECT_EQ(tree.Item(0)->Caption(), tree.Item(1)->Caption());
    EXPECT_EQ(tree.Item(0)->ImageIndex(), tree.Item(1)->ImageIndex());
}

TEST_F(ContactIntakeTest, EmptyListsStillRequestAndComplete) {
    Connect();
    GroupList("GR:");
    EXPECT_EQ(tree.Count(), 0u);
    EXPECT_TRUE(server.expectLine("AC:"));
    // With no groups the first partner goes to the root level whatever its group id.
    PartnerList("AC:3,first,1,,p1,0/4,second,1,,p2,0/");
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"first [p1]", "second [p2]"}));
    EXPECT_TRUE(server.expectLine("RC:"));

    conn.Disconnect();
    Connect();
    GroupList("GR:   ");
    EXPECT_TRUE(server.expectLine("AC:"));
    PartnerList("AC:");
    EXPECT_EQ(tree.Count(), 0u);
    EXPECT_EQ(conn.State(), kv::ConnectionState::SignedIn);
    EXPECT_TRUE(server.expectLine("RC:"));
}

TEST_F(ContactIntakeTest, ListsOutsideSigningInAreIgnoredEntirely) {
    Connect();
    for (kv::ConnectionState state : {kv::ConnectionState::Closed, kv::ConnectionState::SignedIn}) {
        SCOPED_TRACE(static_cast<int>(state));
        conn.SetState(state);
        sinks.clear();
        GroupList("GR:1,가족/");
        PartnerList("AC:0,엄마,1,,p1,0/");
        EXPECT_EQ(tree.Count(), 0u);
        EXPECT_EQ(conn.State(), state);
        EXPECT_TRUE(sinks.empty());
        EXPECT_TRUE(server.expectSilence(100ms));
    }
    // A second partner list after the sign-in leaves the tree as it was.
    conn.SetState(kv::ConnectionState::SigningIn);
    GroupList("GR:1,가족/");
    PartnerList("AC:1,엄마,1,,p1,0/");
    ASSERT_TRUE(server.expectLine("AC:"));
    ASSERT_TRUE(server.expectLine("RC:"));
    PartnerList("AC:1,엄마,1,,p1,0/");
    GroupList("GR:1,가족/");
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"가족 (1)", "  엄마 [p1]"}));
    EXPECT_TRUE(server.expectSilence(100ms));
}

TEST_F(ContactIntakeTest, MalformedNumberStopsAtThatEntry) {
    Connect();
    conn.Msg = "GR:1,A/x2,B/3,C/";
    EXPECT_THROW(intake.DoActiveGroupList(), ConvertError);
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"A"}));
    EXPECT_EQ(conn.State(), kv::ConnectionState::SigningIn);
    EXPECT_TRUE(server.expectSilence(100ms));  // no "AC:"

    conn.Msg = "AC:1,a,1,,p1,0/0,b,1,,p2,zero/0,c,1,,p3,0/";
    EXPECT_THROW(intake.DoActiveList(), ConvertError);
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"A (1)", "  a [p1]"}));
    EXPECT_EQ(conn.State(), kv::ConnectionState::SigningIn);  // not signed in
    EXPECT_TRUE(sinks.empty());
    EXPECT_TRUE(server.expectSilence(100ms));  // no "RC:"
}

TEST_F(ContactIntakeTest, MalformedGroupIdFromTheServerEndsTheConnection) {
    Connect();
    Deliver("GR:1,A/2x,B/", [this] { return conn.State() == kv::ConnectionState::Closed; });
    EXPECT_TRUE(server.waitClientClosed());
    // Kept until the next sign-in, which starts from an empty tree.
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"A"}));
    Connect();
    Deliver("GR:1,A/2,B/", [this] { return tree.Count() == 2; });
    EXPECT_TRUE(server.expectLine("AC:"));
    Deliver("AC:2,b,1,,p1,0/", [this] { return conn.State() == kv::ConnectionState::SignedIn; });
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"A", "B (1)", "  b [p1]"}));
}

TEST_F(ContactIntakeTest, FailedRequestsDisconnectAndEmptyTheTree) {
    Connect();
    failWrites->store(true);
    GroupList("GR:1,A/");
    EXPECT_EQ(conn.State(), kv::ConnectionState::Closed);
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(tree.Count(), 0u);

    failWrites->store(false);
    Connect();
    GroupList("GR:1,A/");
    ASSERT_TRUE(server.expectLine("AC:"));
    failWrites->store(true);
    PartnerList("AC:1,a,1,,p1,0/");
    EXPECT_EQ(disconnects, 2);
    EXPECT_EQ(conn.State(), kv::ConnectionState::Closed);
    EXPECT_EQ(tree.Count(), 0u);
}

TEST_F(ContactIntakeTest, SigningInAgainHoldsEachNodeOnce) {
    const std::vector<std::string> expected{"가족 (2)", "  엄마 [p1]", "  아빠 [p2]", "친구",
                                            "홍길동 [p3]"};
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Connect();
        Deliver(cp949("GR:1,가족/2,친구/"), [this] { return tree.Count() == 2; });
        ASSERT_TRUE(server.expectLine("AC:"));
        Deliver(cp949("AC:1,엄마,1,,p1,0/1,아빠,1,,p2,0/0,홍길동,1,,p3,0/"),
                [this] { return conn.State() == kv::ConnectionState::SignedIn; });
        EXPECT_EQ(walk(tree), expected);
        ASSERT_TRUE(server.expectLine("RC:"));
        if (round == 0) {
            conn.Disconnect();  // a log-out
            EXPECT_EQ(tree.Count(), 0u);
        } else {
            // The server drops the connection: the receive loop ends it by itself.
            server.close();
            ASSERT_TRUE(
                ui->pumpUntil([this] { return conn.State() == kv::ConnectionState::Closed; }));
        }
    }
}

// The longest lines the connection accepts: 16,384 bytes without CR LF.
TEST_F(ContactIntakeTest, MaximalListsThroughTheReceivePath) {
    std::string groups = "GR:";
    int groupCount = 0;
    while (groups.size() < kMaxLineLength - 20) {
        ++groupCount;
        groups += std::to_string(groupCount) + ",G" + std::to_string(groupCount) + "/";
    }
    groups += std::to_string(++groupCount) + ",";
    groups += std::string(kMaxLineLength - groups.size(), 'z');  // last name, no "/"
    ASSERT_EQ(groups.size(), kMaxLineLength);

    std::string partners = "AC:";
    int partnerCount = 0;
    while (partners.size() < kMaxLineLength - 40) {
        ++partnerCount;
        partners += std::to_string(partnerCount % (groupCount + 1)) + ",n" +
                    std::to_string(partnerCount) + ",010,,p" + std::to_string(partnerCount) + ",0/";
    }
    ++partnerCount;
    const std::string tail = ",010,,ptail,0";  // last entry, no "/"
    partners += "1," + std::string(kMaxLineLength - partners.size() - 2 - tail.size(), 'n') + tail;
    ASSERT_EQ(partners.size(), kMaxLineLength);

    Connect();
    Deliver(groups, [&] { return tree.Count() == static_cast<std::size_t>(groupCount); });
    ASSERT_TRUE(server.expectLine("AC:"));
    Deliver(partners, [this] { return conn.State() == kv::ConnectionState::SignedIn; });
    ASSERT_TRUE(server.expectLine("RC:"));
    EXPECT_EQ(tree.Count(), static_cast<std::size_t>(groupCount + partnerCount));

    // Invariant: each group's count is its children, each child is of that group.
    std::size_t filed = 0;
    for (std::size_t r = 0; r < tree.RootCount(); ++r) {
        const ContactNode* n = tree.Root(r);
        if (n->Data()->Kind() != ANodeData::kGroup)
            continue;
        const AGroup& g = *n->Data()->Group();
        EXPECT_EQ(g.Count, static_cast<std::int32_t>(n->ChildCount()));
        EXPECT_EQ(n->Caption(), GroupCaption(g));
        for (std::size_t c = 0; c < n->ChildCount(); ++c)
            EXPECT_EQ(n->Child(c)->Data()->Buddy()->GroupId, g.GroupId);
        filed += n->ChildCount();
    }
    EXPECT_EQ(std::string(tree.Root(groupCount - 1)->Data()->Group()->GroupName.substr(0, 3)),
              "zzz");
    EXPECT_GT(filed, 0u);
}

TEST_F(ContactIntakeTest, BytesThatAreNotCp949StayUnchanged) {
    Connect();
    const std::string odd = "\xff\xfe\x80";
    conn.Msg = "GR:1," + odd + "/";
    intake.DoActiveGroupList();
    conn.Msg = "AC:1," + odd + ",010,," + odd + ",0/";
    intake.DoActiveList();
    EXPECT_EQ(tree.Item(0)->Data()->Group()->GroupName, odd);
    EXPECT_EQ(tree.Item(1)->Data()->Buddy()->NickName, odd);
    EXPECT_EQ(tree.Item(1)->Data()->Buddy()->UserPort, odd);
    EXPECT_EQ(tree.Item(1)->Caption(), odd);
}

}  // namespace
}  // namespace kv
