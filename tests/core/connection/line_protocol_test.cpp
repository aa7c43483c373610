#include "core/connection/line_protocol.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/base/cp949.h"
#include "core/base/errors.h"

namespace kv::proto {
namespace {

TEST(Recognise, AppliesTheTestsInOrderOnTheUntrimmedLine) {
    const std::vector<std::pair<std::string, ServerLine>> table = {
        {"ping", ServerLine::Ping},
        {"ping ", ServerLine::Unknown},  // a trailing blank is not "ping"
        {" ping", ServerLine::Unknown},
        {"PING", ServerLine::Unknown},
        {"R:ak", ServerLine::LoginOk},
        {"R:ak ", ServerLine::Unknown},
        {"R:akx", ServerLine::Unknown},
        {"R:n", ServerLine::LoginNotOk},
        {"R:nus whatever", ServerLine::LoginNotOk},
        {"R:", ServerLine::Unknown},
        {"GR:", ServerLine::GroupList},
        {"AC:", ServerLine::BuddyList},
        {"AC", ServerLine::Unknown},
        {"RV:", ServerLine::Money},
        {"H:", ServerLine::Message},
        {"H:1:a", ServerLine::Message},
        {"GG:4", ServerLine::GroupAdd},
        {"P:0,1", ServerLine::UserAdd},
        {"active:12", ServerLine::Active},
        {"active", ServerLine::Unknown},
        {"Active:12", ServerLine::Unknown},
        {"close", ServerLine::Close},
        {"closed", ServerLine::Close},  // begins with "close"
        {"clos", ServerLine::Unknown},
        {"", ServerLine::Unknown},
        {" GR:", ServerLine::Unknown},
        {std::string("\0ping", 5), ServerLine::Unknown},
        {std::string("H:\0", 3), ServerLine::Message},
    };
    for (const auto& [line, kind] : table)
        EXPECT_EQ(recognise(line), kind) << '"' << line << '"';
}

TEST(ClientLines, ComposeEveryLayout) {
    EXPECT_EQ(loginLine("demo", "pw"), "LO:demo,pw");
    EXPECT_EQ(groupListRequest(), "GC:");
    EXPECT_EQ(buddyListRequest(), "AC:");
    EXPECT_EQ(moneyRequest(), "RC:");
    EXPECT_EQ(messageLine("12", "a:b"), "H:12:a:b");
    EXPECT_EQ(groupSendLine("0", "12,01012345678", "hi"), "PS:0,12,01012345678:hi");
    EXPECT_EQ(reservedSendLine("01099998888", "12", {2026, 1, 5, 0, 7}, "x"),
              "PP:01099998888,12:2026,1,5,0,7:x");
    EXPECT_EQ(groupAddLine("friends"), "GA:friends");
    EXPECT_EQ(groupRenameLine(-3, "n"), "GM:-3,n");
    EXPECT_EQ(groupDeleteLine(7), "GD:7");
    EXPECT_EQ(buddyMoveLine(0, "55"), "GS:0,55");
    EXPECT_EQ(buddyRegisterLine("82", "01012345678", "nick"), "UN:82,01012345678,nick");
    EXPECT_EQ(buddyRegisterLine("", "0101", "n"), "UN:,0101,n");
    EXPECT_EQ(buddyConfirmLine("01012345678", "0505"), "UK:01012345678,0505");
    EXPECT_EQ(buddyChangeLine("55", "0101", "n"), "UM:55,0101,n");
    EXPECT_EQ(buddyDeleteLine("55"), "UD:55");
    EXPECT_EQ(pongLine(), "pong");
    EXPECT_EQ(logoutLine(), "LX:");
    EXPECT_EQ(shutOutAnswerLine(), "LY:");
}

TEST(ClientLines, LineBreaksTravelAsBraces) {
    EXPECT_EQ(encodeLineBreaks("a\r\nb"), "a{}b");
    EXPECT_EQ(encodeLineBreaks("a\nb\rc"), "a{}b{}c");
    EXPECT_EQ(encodeLineBreaks("\r\n\r\n"), "{}{}");
    EXPECT_EQ(encodeLineBreaks("<br>"), "<br>");  // nothing is done to what arrives as a break
}

std::vector<GroupEntry> groups(std::string_view line) {
    std::vector<GroupEntry> out;
    forEachGroupEntry(line, [&](GroupEntry e) { out.push_back(std::move(e)); });
    return out;
}

std::vector<BuddyEntry> buddies(std::string_view line) {
    std::vector<BuddyEntry> out;
    forEachBuddyEntry(line, [&](BuddyEntry e) { out.push_back(std::move(e)); });
    return out;
}

TEST(GroupList, CutsEntriesIncludingALastOneWithoutSlash) {
    const std::string family = cp949("가족");
    const std::string friends = cp949("친구");
    EXPECT_EQ(groups("GR:1," + family + "/2," + friends + "/"),
              (std::vector<GroupEntry>{{1, family}, {2, friends}}));
    EXPECT_EQ(groups("GR:1,a/2,b"), (std::vector<GroupEntry>{{1, "a"}, {2, "b"}}));
    EXPECT_EQ(groups("  GR:5,x/ \r"), (std::vector<GroupEntry>{{5, "x"}}));  // trimmed first
    EXPECT_TRUE(groups("GR:").empty());
    EXPECT_TRUE(groups("GR:   ").empty());
    EXPECT_TRUE(groups("GR:no comma here/").empty());  // the list ends where no "," is left
    EXPECT_EQ(groups("GR:3,/"), (std::vector<GroupEntry>{{3, ""}}));
    EXPECT_EQ(groups("GR: -4,neg/"), (std::vector<GroupEntry>{{-4, "neg"}}));
}

TEST(GroupList, MalformedGroupIdStopsAtThatEntry) {
    std::vector<GroupEntry> taken;
    EXPECT_THROW(
        forEachGroupEntry("GR:1,a/x,b/3,c/", [&](GroupEntry e) { taken.push_back(std::move(e)); }),
        ConvertError);
    EXPECT_EQ(taken, (std::vector<GroupEntry>{{1, "a"}}));
    EXPECT_THROW(groups("GR:,a/"), ConvertError);
}

TEST(BuddyList, CutsSixFields) {
    const std::string hong = cp949("홍길동");
    EXPECT_EQ(buddies("AC:1," + hong + ",01012345678,0505,77,0/0,kim,0109,,78,1"),
              (std::vector<BuddyEntry>{{1, hong, "01012345678", "0505", "77", 0},
                                       {0, "kim", "0109", "", "78", 1}}));
    EXPECT_TRUE(buddies("AC:").empty());
}

TEST(BuddyList, MissingCommaLeavesAnEmptyFieldAndNumbersMustBeNumbers) {
    // Only four commas: the fifth field finds none and is empty; the status runs to "/".
    EXPECT_EQ(buddies("AC:2,n,p,v,9/"), (std::vector<BuddyEntry>{{2, "n", "p", "v", "", 9}}));
    EXPECT_THROW(buddies("AC:1,n,p,v,port,active/"), ConvertError);
    EXPECT_THROW(buddies("AC:one,n,p,v,port,0/"), ConvertError);
    std::vector<BuddyEntry> taken;
    EXPECT_THROW(forEachBuddyEntry("AC:1,a,p,v,1,0/1,b,p,v,2,/",
                                   [&](BuddyEntry e) { taken.push_back(std::move(e)); }),
                 ConvertError);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].userPort, "1");
}

TEST(BuddyList, MaximalLineIsCutWhole) {
    std::string line = "AC:";
    int count = 0;
    for (;;) {
        const std::string entry =
            "1,n" + std::to_string(count) + ",01012345678,0,p" + std::to_string(count) + ",0/";
        if (line.size() + entry.size() > 16384)
            break;
        line += entry;
        ++count;
    }
    EXPECT_EQ(buddies(line).size(), static_cast<std::size_t>(count));
    EXPECT_EQ(buddies(line).back().userPort, "p" + std::to_string(count - 1));
}

TEST(Money, CountForms) {
    EXPECT_EQ(moneyCount("RV:15"), 15);
    EXPECT_EQ(moneyCount("RV:"), 0);
    EXPECT_EQ(moneyCount("RV:   "), 0);
    EXPECT_EQ(moneyCount("RV:-3"), -3);
    EXPECT_EQ(moneyCount("RV: 7"), 7);
    EXPECT_THROW(moneyCount("RV:lots"), ConvertError);
    EXPECT_THROW(moneyCount("RV:1:2"), ConvertError);
}

TEST(Message, PortEndsAtTheSecondColonAndTheTextKeepsTheRest) {
    EXPECT_EQ(incomingMessage("H:12:x:y"), (IncomingMessage{"12", "x:y"}));
    EXPECT_EQ(incomingMessage("H:12:a<br>b "), (IncomingMessage{"12", "a<br>b"}));
    EXPECT_EQ(incomingMessage("H:12:"), (IncomingMessage{"12", ""}));
    // Without a second ":" there is no port: the message reaches no window.
    EXPECT_EQ(incomingMessage("H:12"), (IncomingMessage{"", "12"}));
    EXPECT_EQ(incomingMessage("H:"), (IncomingMessage{"", ""}));
    // A text handed in for a chat window splits the same way.
    EXPECT_EQ(splitPortAndText(" 1003:" + cp949("^^ 안녕") + "\r\n"),
              (IncomingMessage{"1003", cp949("^^ 안녕")}));
    EXPECT_EQ(splitPortAndText("0:a:b"), (IncomingMessage{"0", "a:b"}));
    EXPECT_EQ(splitPortAndText("nocolon"), (IncomingMessage{"", "nocolon"}));
    EXPECT_EQ(splitPortAndText(""), (IncomingMessage{"", ""}));
}

TEST(OtherAnswers, GroupAddActiveAndUserAdd) {
    EXPECT_EQ(addedGroupId("GG:42"), 42);
    EXPECT_THROW(addedGroupId("GG:"), ConvertError);
    EXPECT_THROW(addedGroupId("GG:4x"), ConvertError);
    EXPECT_EQ(activePort("active:77 "), "77");
    EXPECT_EQ(userAddResult("P:11"), (UserAddResult{"11", ""}));
    EXPECT_EQ(userAddResult("P:0,345"), (UserAddResult{"0", "345"}));
    EXPECT_EQ(userAddResult("P:10,0505,x"), (UserAddResult{"10", "0505,x"}));
}

TEST(Refusal, LooksAtTheFirstFiveAndSevenBytes) {
    EXPECT_EQ(refusal("R:nus"), Refusal::UnknownUser);
    EXPECT_EQ(refusal("R:nuser unknown"), Refusal::UnknownUser);
    EXPECT_EQ(refusal("R:npass"), Refusal::WrongPassword);
    EXPECT_EQ(refusal("R:npassword"), Refusal::WrongPassword);
    EXPECT_EQ(refusal("R:npas"), Refusal::Other);
    EXPECT_EQ(refusal("R:n"), Refusal::Other);
    EXPECT_EQ(refusal("R:nx"), Refusal::Other);
}

}  // namespace
}  // namespace kv::proto
