#include "core/contacts/contact_commands.h"

#include <gtest/gtest.h>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/contacts/contact_intake.h"
#include "core/posix/posix_line_socket.h"
#include "support/fake_message_boxes.h"
#include "support/fake_user_add_dialogs.h"
#include "support/manual_ui_thread.h"
#include "support/scripted_server.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using Result = MessageBoxes::Result;

// Display order as UTF-8 lines: two blanks per level and the caption.
std::vector<std::string> walk(const ContactTree& tree) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < tree.Count(); ++i)
        out.push_back(std::string(2 * tree.Item(i)->Level(), ' ') +
                      cp949ToUtf8(tree.Item(i)->Caption()));
    return out;
}

std::vector<std::string> texts(const test::FakeMessageBoxes& boxes) {
    std::vector<std::string> out;
    for (const auto& b : boxes.shown)
        out.push_back(cp949ToUtf8(b.text));
    return out;
}

class ContactCommandsTest : public ::testing::Test {
protected:
    ContactCommandsTest() {
        conn.OnGroupAdd = [this] { commands.DoGroupAdd(); };
        conn.OnUserAdd = [this] { commands.DoUserAdd(); };
        conn.OnDisconnect = [this](TVANE&) { intake.ClearContactTree(); };
    }
    ~ContactCommandsTest() override {
        connHolder.reset();
        ui->pumpUntil([] { return runningListenThreads() == 0; });
    }

    // Signed in with 가족 (엄마, 아빠), 친구 (민수), 회사 (empty) and 택배 at the root level.
    void SignIn() {
        conn.Host = "127.0.0.1";
        conn.Port = server.port();
        ASSERT_TRUE(conn.Connect());
        ASSERT_TRUE(server.accept());
        conn.Msg = cp949("GR:1,가족/2,친구/3,회사/");
        intake.DoActiveGroupList();
        conn.Msg = cp949(
            "AC:1,엄마,01012345678,050111,p1,0/1,아빠,01087654321,,p2,0/2,민수,0162223333,,p3,0/"
            "0,택배,01099998888,,p4,0/");
        intake.DoActiveList();
        ASSERT_TRUE(server.expectLine("AC:"));
        ASSERT_TRUE(server.expectLine("RC:"));
        ASSERT_EQ(conn.State(), kv::ConnectionState::SignedIn);
    }

    ContactNode* Node(const std::string& utf8Caption) {
        for (std::size_t i = 0; i < tree.Count(); ++i)
            if (tree.Item(i)->Caption() == cp949(utf8Caption))
                return tree.Item(i);
        ADD_FAILURE() << "no node " << utf8Caption;
        return nullptr;
    }

    // A server line handed to the handler as the connection does it.
    void Reply(const std::string& utf8Line, void (ContactCommands::*handler)()) {
        conn.Msg = cp949(utf8Line);
        (commands.*handler)();
    }

    bool Sent(const std::string& utf8Line) {
        const bool ok = server.expectLine(cp949(utf8Line));
        if (!ok)
            ADD_FAILURE() << "got " << cp949ToUtf8(server.lastMismatch());
        return ok;
    }

    test::ScriptedServer server;
    std::shared_ptr<test::ManualUiThread> ui = std::make_shared<test::ManualUiThread>();
    std::unique_ptr<TVANE> connHolder = std::make_unique<TVANE>(ui, makePosixLineSocket);
    TVANE& conn = *connHolder;
    ContactTree tree;
    std::mutex treeLock;
    test::FakeMessageBoxes boxes;
    test::FakeUserAddDialogs dialogs;
    ContactIntake intake{conn, tree, treeLock, {}};
    ContactCommands commands{conn, tree, treeLock, boxes, dialogs};
};

TEST_F(ContactCommandsTest, NewGroupsTakeTheLatestNameAndLandAfterRootPartners) {
    SignIn();
    boxes.inputs = {cp949("동창"), cp949("동호회")};
    commands.actNewGroupExecute();
    commands.actNewGroupExecute();
    ASSERT_EQ(boxes.asked.size(), 2u);
    EXPECT_EQ(cp949ToUtf8(boxes.asked[0].caption), "새 그룹 만들기");
    EXPECT_EQ(cp949ToUtf8(boxes.asked[0].prompt), "그룹명: ");
    EXPECT_EQ(cp949ToUtf8(boxes.asked[0].value), "새 그룹");
    EXPECT_EQ(boxes.asked[0].refused, "/,");
    EXPECT_TRUE(Sent("GA:동창"));
    EXPECT_TRUE(Sent("GA:동호회"));
    // No node before the server's reply; the reply carries only the id.
    EXPECT_EQ(tree.RootCount(), 4u);
    Reply("GG:8", &ContactCommands::DoGroupAdd);
    Reply("  GG:9 ", &ContactCommands::DoGroupAdd);
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"가족 (2)", "  엄마", "  아빠", "친구 (1)",
                                                    "  민수", "회사", "택배", "동호회", "동호회"}));
    const AGroup& added = *tree.Root(5)->Data()->Group();
    EXPECT_EQ(added.GroupId, 9);
    EXPECT_EQ(added.Count, 0);
    EXPECT_EQ(tree.Root(5)->ImageIndex(), kGroupImage);

    // Cancelled or emptied: nothing is sent.
    boxes.inputs = {std::nullopt, std::string()};
    commands.actNewGroupExecute();
    commands.actNewGroupExecute();
    EXPECT_TRUE(server.expectSilence(100ms));
}

TEST_F(ContactCommandsTest, SeparatorsInNamesNeverReachTheWire) {
    SignIn();
    // The box leaves the refused characters out as they are typed or pasted ...
    boxes.inputs = {cp949("a/b,c")};
    commands.actNewGroupExecute();
    EXPECT_EQ(boxes.refusedChars, 2u);
    EXPECT_TRUE(Sent("GA:abc"));
    // ... and a box that let them through gets the name refused with the reason.
    boxes.keepRefused = true;
    boxes.inputs = {cp949("a/b"), cp949("x,y")};
    commands.actNewGroupExecute();
    commands.actRenameGroupExecute(Node("회사"));
    EXPECT_EQ(texts(boxes),
              (std::vector<std::string>(2, "그룹명에는 '/'와 ','를 쓸 수 없습니다.")));
    EXPECT_EQ(Node("회사")->Data()->Group()->GroupName, cp949("회사"));
    boxes.shown.clear();

    dialogs.answers = {UserAddValues{cp949("한국"), "010", "1234", cp949("a,b"), ""},
                       UserAddValues{cp949("한국"), "010", "1234", cp949("a:b"), ""}};
    commands.actAddUserExecute();
    commands.actMemberInfoExecute(Node("엄마"));
    EXPECT_EQ(texts(boxes),
              (std::vector<std::string>(2, "닉네임에는 ',', '/', ':'를 쓸 수 없습니다.")));
    EXPECT_EQ(Node("엄마")->Data()->Buddy()->Phone, "01012345678");
    EXPECT_NE(conn.CmdType, "UN");
    EXPECT_TRUE(server.expectSilence(100ms));
}

TEST_F(ContactCommandsTest, MalformedGroupReplyEndsTheConnection) {
    SignIn();
    conn.Msg = "GG:x1";
    EXPECT_THROW(commands.DoGroupAdd(), ConvertError);
    EXPECT_EQ(tree.RootCount(), 4u);
    // Through the receive thread: the read-error path closes the connection.
    server.sendLine("GG:12a");
    ASSERT_TRUE(ui->pumpUntil([&] { return conn.State() == kv::ConnectionState::Closed; }));
    EXPECT_TRUE(server.waitClientClosed());
}

TEST_F(ContactCommandsTest, RenameKeepsTheCountAndSendsEvenWhenUnchanged) {
    SignIn();
    boxes.inputs = {cp949("우리 가족"), cp949("친구")};
    commands.actRenameGroupExecute(Node("가족 (2)"));
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(cp949ToUtf8(boxes.asked[0].caption), "그룹 이름 바꾸기");
    EXPECT_EQ(cp949ToUtf8(boxes.asked[0].value), "가족");
    EXPECT_TRUE(Sent("GM:1,우리 가족"));
    EXPECT_EQ(tree.Root(0)->Caption(), cp949("우리 가족 (2)"));
    commands.actRenameGroupExecute(Node("친구 (1)"));
    EXPECT_TRUE(Sent("GM:2,친구"));
    // Only a selected group is renamed.
    boxes.inputs = {cp949("x"), cp949("x")};
    commands.actRenameGroupExecute(Node("민수"));
    commands.actRenameGroupExecute(nullptr);
    EXPECT_EQ(boxes.asked.size(), 2u);
    EXPECT_TRUE(server.expectSilence(100ms));
}

TEST_F(ContactCommandsTest, GroupWithPartnersIsDeletedOnlyOnceEmptied) {
    SignIn();
    commands.actDeleteGroupExecute(Node("친구 (1)"));
    EXPECT_EQ(texts(boxes),
              (std::vector<std::string>{"대화 상대가 있으면 그룹을 삭제 할수 없습니다."}));
    EXPECT_EQ(tree.RootCount(), 4u);

    // Moving its one partner out leaves the bare name and one more in the target.
    ASSERT_TRUE(commands.TVuserlistDragOver(Node("민수"), Node("회사")));
    commands.TVuserlistDragDrop(Node("민수"), Node("회사"));
    EXPECT_TRUE(Sent("GS:3,p3"));
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"가족 (2)", "  엄마", "  아빠", "친구",
                                                    "회사 (1)", "  민수", "택배"}));
    EXPECT_EQ(Node("민수")->Data()->Buddy()->GroupId, 3);

    boxes.shown.clear();
    boxes.answers = {Result::No, Result::Yes};
    commands.actDeleteGroupExecute(Node("친구"));
    EXPECT_EQ(tree.RootCount(), 4u);
    commands.actDeleteGroupExecute(Node("친구"));
    EXPECT_EQ(texts(boxes), (std::vector<std::string>(2, "그룹을 삭제 할까요?")));
    EXPECT_TRUE(Sent("GD:2"));
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"가족 (2)", "  엄마", "  아빠", "회사 (1)",
                                                    "  민수", "택배"}));
    // A partner is asked about and left alone.
    commands.actDeleteGroupExecute(Node("택배"));
    EXPECT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(tree.Count(), 6u);
    EXPECT_TRUE(server.expectSilence(100ms));
}

TEST_F(ContactCommandsTest, DropRules) {
    SignIn();
    ContactNode* family = Node("가족 (2)");
    ContactNode* friends = Node("친구 (1)");
    ContactNode* mom = Node("엄마");
    ContactNode* courier = Node("택배");
    EXPECT_TRUE(commands.TVuserlistDragOver(mom, friends));
    EXPECT_FALSE(commands.TVuserlistDragOver(mom, family));      // its own group
    EXPECT_FALSE(commands.TVuserlistDragOver(family, friends));  // a group
    EXPECT_FALSE(commands.TVuserlistDragOver(mom, courier));     // onto a partner
    EXPECT_FALSE(commands.TVuserlistDragOver(mom, nullptr));     // empty space
    EXPECT_FALSE(commands.TVuserlistDragOver(nullptr, friends));
    // A root-level partner goes onto any group and never back to the root level.
    EXPECT_TRUE(commands.TVuserlistDragOver(courier, family));
    commands.TVuserlistDragDrop(courier, family);
    EXPECT_TRUE(Sent("GS:1,p4"));
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"가족 (3)", "  엄마", "  아빠", "  택배",
                                                    "친구 (1)", "  민수", "회사"}));
    EXPECT_FALSE(commands.TVuserlistDragOver(courier, nullptr));
    // A drop the rules refuse changes nothing.
    commands.TVuserlistDragDrop(courier, mom);
    commands.TVuserlistDragDrop(courier, family);
    EXPECT_EQ(tree.Root(0)->Caption(), cp949("가족 (3)"));
    EXPECT_TRUE(server.expectSilence(100ms));
}

TEST_F(ContactCommandsTest, RegisterSendsThePendingValues) {
    SignIn();
    commands.actAddUserExecute();  // cancelled
    const UserAddValues empty[] = {
        {cp949("한국"), "010", "1234", "", ""},
        {cp949("한국"), "", "1234", cp949("철수"), ""},
        {cp949("한국"), "010", "", cp949("철수"), ""},
    };
    for (const UserAddValues& v : empty)
        dialogs.answers.push_back(v);
    for (std::size_t i = 0; i < std::size(empty); ++i)
        commands.actAddUserExecute();
    EXPECT_EQ(texts(boxes),
              (std::vector<std::string>(3, "휴대폰 번호나 사용자 닉네임을 입력하십시오.")));
    EXPECT_TRUE(server.expectSilence(100ms));

    // Any length of number is sent after its prefix.
    dialogs.answers = {UserAddValues{cp949("한국"), "011", "7", cp949("철수"), ""}};
    commands.actAddUserExecute();
    EXPECT_TRUE(Sent("UN:82,0117,철수"));
    EXPECT_EQ(conn.CmdType, "UN");
    EXPECT_EQ(conn.AddNation, cp949("한국"));
    EXPECT_EQ(conn.AddPreNum, "011");
    EXPECT_EQ(conn.AddNumber, "7");
    EXPECT_EQ(conn.AddNickName, cp949("철수"));
    EXPECT_EQ(conn.AddVtNumber, "");
    EXPECT_EQ(dialogs.opened.size(), 5u);
}

TEST_F(ContactCommandsTest, EveryRegistrationReply) {
    SignIn();
    dialogs.answers = {UserAddValues{cp949("한국"), "010", "12345678", cp949("철수"), ""}};
    commands.actAddUserExecute();
    ASSERT_TRUE(Sent("UN:82,01012345678,철수"));

    struct Case {
        const char* line;
        const char* notice;  // nullptr: none
    };
    const Case notices[] = {
        {"P:11", "사용이 제한된 번호 입니다."},
        {"P:12,x", "등록초과로 등록할 수 없습니다."},
        {"P:7", "사용등록에 오류가 발생 했습니다. 휴대폰 번호를 확인하신후 다시 등록 하십시오.(7)"},
        // A blank before the code makes it another code.
        {"P: 0,p9",
         "사용등록에 오류가 발생 했습니다. 휴대폰 번호를 확인하신후 다시 등록 하십시오.( 0)"},
        {"P:", "사용등록에 오류가 발생 했습니다. 휴대폰 번호를 확인하신후 다시 등록 하십시오.()"},
    };
    for (const Case& c : notices) {
        SCOPED_TRACE(c.line);
        boxes.shown.clear();
        Reply(c.line, &ContactCommands::DoUserAdd);
        EXPECT_EQ(texts(boxes), (std::vector<std::string>{c.notice}));
        EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Information);
    }
    EXPECT_EQ(tree.Count(), 7u);
    EXPECT_TRUE(dialogs.confirms.empty());

    // 10 keeps the virtual number and opens the confirmation without waiting; 13 and 14
    // open it with the values held.
    boxes.shown.clear();
    Reply("P:10,0505123", &ContactCommands::DoUserAdd);
    Reply("P:13,ignored", &ContactCommands::DoUserAdd);
    Reply("P:14", &ContactCommands::DoUserAdd);
    EXPECT_EQ(conn.AddVtNumber, "0505123");
    const UserAddValues pending{cp949("한국"), "010", "12345678", cp949("철수"), "0505123"};
    EXPECT_EQ(dialogs.confirms, (std::vector<UserAddValues>(3, pending)));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(conn.CmdType, "UN");

    // 0 adds the partner at the end of the root level, in no group.
    Reply("P:0,p9", &ContactCommands::DoUserAdd);
    EXPECT_EQ(texts(boxes), (std::vector<std::string>{"철수(01012345678)님이 등록 되었습니다."}));
    ContactNode* added = tree.Root(tree.RootCount() - 1);
    EXPECT_EQ(added->Caption(), cp949("철수"));
    EXPECT_EQ(added->ImageIndex(), kBuddyImage);
    const ABuddy& partner = *added->Data()->Buddy();
    EXPECT_EQ(partner.GroupId, 0);
    EXPECT_EQ(partner.Phone, "01012345678");
    EXPECT_EQ(partner.VtNumber, "0505123");
    EXPECT_EQ(partner.UserPort, "p9");
    EXPECT_EQ(partner.Status, 0);
    // "0" with nothing after it: an empty port.
    Reply("P:0", &ContactCommands::DoUserAdd);
    EXPECT_EQ(tree.Root(tree.RootCount() - 1)->Data()->Buddy()->UserPort, "");
    EXPECT_EQ(tree.RootCount(), 6u);
}

TEST_F(ContactCommandsTest, RegistrationRepliesIgnoredForOtherRequests) {
    SignIn();
    conn.AddNickName = "x";
    for (const char* type : {"UM", "UD", "LO", "PP", "PS", ""}) {
        SCOPED_TRACE(type);
        conn.CmdType = type;
        for (const char* line : {"P:0,p9", "P:10,1", "P:11", "P:99"})
            Reply(line, &ContactCommands::DoUserAdd);
    }
    EXPECT_EQ(tree.Count(), 7u);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(dialogs.confirms.empty());
}

TEST_F(ContactCommandsTest, DetailsChangeAndDeletePartners) {
    SignIn();
    dialogs.answers = {std::nullopt,
                       UserAddValues{cp949("한국"), "019", "5550000", cp949("어머니"), "050111"}};
    commands.actMemberInfoExecute(Node("엄마"));  // cancelled
    EXPECT_TRUE(server.expectSilence(100ms));
    commands.actMemberInfoExecute(Node("엄마"));
    EXPECT_EQ(dialogs.opened, (std::vector<std::string>{"details:p1", "details:p1"}));
    EXPECT_TRUE(Sent("UM:p1,0195550000,어머니"));
    EXPECT_EQ(conn.CmdType, "UM");
    const ABuddy& mom = *Node("어머니")->Data()->Buddy();
    EXPECT_EQ(mom.Phone, "0195550000");
    EXPECT_EQ(mom.VtNumber, "050111");
    // A group gets no details dialog.
    commands.actMemberInfoExecute(Node("회사"));
    EXPECT_EQ(dialogs.opened.size(), 2u);

    boxes.answers = {Result::No, Result::Yes, Result::Yes};
    commands.actDeleteUserExecute(Node("아빠"));
    EXPECT_EQ(tree.Count(), 7u);
    commands.actDeleteUserExecute(Node("아빠"));
    EXPECT_TRUE(Sent("UD:p2"));
    EXPECT_EQ(conn.CmdType, "UD");
    EXPECT_EQ(walk(tree), (std::vector<std::string>{"가족 (1)", "  어머니", "친구 (1)", "  민수",
                                                    "회사", "택배"}));
    EXPECT_EQ(tree.Root(0)->Data()->Group()->Count, 1);
    // A group is asked about and left alone.
    commands.actDeleteUserExecute(Node("회사"));
    EXPECT_EQ(texts(boxes), (std::vector<std::string>(3, "대화 상대를 삭제 할까요?")));
    EXPECT_EQ(tree.Count(), 6u);
    EXPECT_TRUE(server.expectSilence(100ms));
}

TEST_F(ContactCommandsTest, NodeGoneWhileABoxWasOpenIsLeftAlone) {
    SignIn();
    // The connection ends while the box is open: the tree is emptied under the command.
    boxes.onShow = [this] { conn.Disconnect(); };
    commands.actDeleteUserExecute(Node("엄마"));
    EXPECT_EQ(tree.Count(), 0u);

    SignIn();
    boxes.onShow = nullptr;
    dialogs.onWait = [this] { conn.Disconnect(); };
    dialogs.answers = {UserAddValues{cp949("한국"), "010", "1", cp949("x"), ""}};
    commands.actMemberInfoExecute(Node("엄마"));
    EXPECT_EQ(tree.Count(), 0u);

    SignIn();
    dialogs.onWait = nullptr;
    boxes.onShow = [this] { tree.Delete(Node("회사")); };
    commands.actDeleteGroupExecute(Node("회사"));
    EXPECT_EQ(tree.RootCount(), 3u);
    // Emptied and filled again while the box was open: a new node may have the old one's
    // address, and the command must not act on it.
    boxes.onShow = [this] {
        conn.Disconnect();
        SignIn();
    };
    commands.actDeleteUserExecute(Node("엄마"));
    EXPECT_TRUE(server.expectSilence(100ms));
    EXPECT_NE(Node("엄마"), nullptr);
}

TEST(ContactsMenuEnablingTest, FollowsTheSelection) {
    ContactTree tree;
    ContactNode* group = tree.AddRoot("g", kGroupImage);
    tree.SetData(group, std::make_unique<ANodeData>(std::make_unique<AGroup>()));
    ContactNode* partner = tree.AddRoot("p", kBuddyImage);
    tree.SetData(partner, std::make_unique<ANodeData>(std::make_unique<ABuddy>()));
    EXPECT_EQ(ContactsMenuEnabling(nullptr), ContactsMenuItems{});
    EXPECT_EQ(ContactsMenuEnabling(partner), (ContactsMenuItems{true, true, true, false, false}));
    EXPECT_EQ(ContactsMenuEnabling(group), (ContactsMenuItems{false, false, false, true, true}));
}

TEST(SplitPhoneTest, EveryNumberComesBackWhole) {
    EXPECT_EQ(SplitPhone("01012345678"), (PhoneParts{"010", "12345678"}));
    EXPECT_EQ(SplitPhone("0191234567"), (PhoneParts{"019", "1234567"}));
    for (const std::string phone : {"0701234567", "012", "01", "", "+821012345678"}) {
        const PhoneParts parts = SplitPhone(phone);
        EXPECT_EQ(parts.PreNum, "") << phone;
        EXPECT_EQ(parts.PreNum + parts.Number, phone);
    }
}

}  // namespace
}  // namespace kv
