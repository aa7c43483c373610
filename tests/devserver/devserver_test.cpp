#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/connection/line_protocol.h"
#include "core/posix/posix_line_socket.h"
#include "devserver/account_data.h"
#include "devserver/account_store.h"
#include "devserver/chat_server.h"
#include "devserver/command_line.h"
#include "devserver/server_lines.h"

namespace kv::devserver {
namespace {

using namespace std::chrono_literals;

const char* const kAccounts = R"(# two members
account demo demo1234 25
group 1 가족
group 2 친구
partner 1 1001 01012345678 05051234567 3 엄마
partner 0 1002 0111234567 - 0 세탁소 아저씨

account other pw 1
)";

// A running server with the accounts above, on a port the system picks.
struct Running {
    explicit Running(ServerOptions options = {}, std::chrono::milliseconds phoneDelay = 0ms)
        : store(parseAccounts(kAccounts)) {
        options.chatPort = 0;
        options.phoneDelay = phoneDelay;
        server = std::make_unique<ChatServer>(store, options);
        server->start();
    }
    AccountStore store;
    std::unique_ptr<ChatServer> server;
};

// One client connection; every read is bounded.
struct Client {
    explicit Client(const Running& r) { socket.connect("127.0.0.1", r.server->port(), {}); }

    std::string ask(std::string_view line) {
        socket.writeLine(line);
        return next();
    }
    // The next line, skipping keep-alive and announcements unless they are asked for.
    std::string next(bool keepPings = false) {
        for (;;) {
            std::optional<std::string> line = socket.readLine(5s);
            if (!line)
                return "<nothing within 5 s>";
            if (keepPings || (*line != "ping" && !line->starts_with("active:")))
                return *line;
        }
    }
    // True when the server closes the connection within the bound.
    bool closedByServer() {
        try {
            while (socket.readLine(5s)) {
            }
        } catch (const NetError&) {
            return true;
        }
        return false;
    }
    void signIn(std::string_view id = "demo", std::string_view pw = "demo1234") {
        ASSERT_EQ(ask(proto::loginLine(id, pw)), "R:ak");
    }
    std::int32_t balance() { return proto::moneyCount(ask("RC:")); }

    PosixLineSocket socket;
};

TEST(DevServerSignIn, AcceptsKnownMemberAndRefusesOthers) {
    Running r;
    Client ok(r);
    EXPECT_EQ(ok.ask("LO:demo,demo1234"), "R:ak");

    Client unknown(r);
    const std::string nus = unknown.ask("LO:nobody,demo1234");
    EXPECT_EQ(nus, "R:nus");
    EXPECT_EQ(proto::refusal(nus), proto::Refusal::UnknownUser);

    Client wrong(r);
    const std::string npass = wrong.ask("LO:demo,demo12345");
    EXPECT_EQ(proto::refusal(npass), proto::Refusal::WrongPassword);
    EXPECT_EQ(proto::recognise(npass), proto::ServerLine::LoginNotOk);
}

TEST(DevServerSignIn, CommandsBeforeSignInAreIgnored) {
    Running r;
    Client c(r);
    c.socket.writeLine("RC:");
    c.socket.writeLine("GA:x");
    // The first answer the client gets is the sign-in's: nothing was answered before it.
    EXPECT_EQ(c.ask("LO:demo,demo1234"), "R:ak");
}

TEST(DevServerSignIn, RefuseLoginOptionRefusesEvenGoodCredentials) {
    ServerOptions o;
    o.refuseLogin = true;
    Running r(o);
    Client c(r);
    const std::string line = c.ask("LO:demo,demo1234");
    EXPECT_EQ(line, "R:n");
    EXPECT_EQ(proto::refusal(line), proto::Refusal::Other);
}

TEST(DevServerSignIn, SecondSignInShutsOutTheOlderConnection) {
    Running r;
    Client older(r);
    older.signIn();
    Client newer(r);
    newer.signIn();
    EXPECT_EQ(proto::recognise(older.next()), proto::ServerLine::Close);
    older.socket.writeLine("LY:");
    EXPECT_TRUE(older.closedByServer());
    // The newer one keeps its session.
    EXPECT_EQ(newer.balance(), 25);
}

TEST(DevServerSignIn, ShutOutConnectionIsCutOffWhenItDoesNotAnswer) {
    ServerOptions o;
    o.shutOutGrace = 100ms;
    Running r(o);
    Client older(r);
    older.signIn();
    Client newer(r);
    newer.signIn();
    EXPECT_EQ(older.next(), "close");
    EXPECT_TRUE(older.closedByServer());
}

TEST(DevServerSignIn, OtherMembersAreNotShutOut) {
    Running r;
    Client a(r);
    a.signIn();
    Client b(r);
    b.signIn("other", "pw");
    EXPECT_EQ(a.balance(), 25);
    EXPECT_EQ(b.balance(), 1);
}

TEST(DevServerLists, ParseBackWithTheClientsCutFunctions) {
    Running r;
    Client c(r);
    c.signIn();

    const std::string gr = c.ask("GC:");
    ASSERT_EQ(proto::recognise(gr), proto::ServerLine::GroupList);
    std::vector<proto::GroupEntry> groups;
    proto::forEachGroupEntry(gr, [&](proto::GroupEntry e) { groups.push_back(e); });
    EXPECT_EQ(groups, (std::vector<proto::GroupEntry>{{1, cp949("가족")}, {2, cp949("친구")}}));

    const std::string ac = c.ask("AC:");
    ASSERT_EQ(proto::recognise(ac), proto::ServerLine::BuddyList);
    std::vector<proto::BuddyEntry> buddies;
    proto::forEachBuddyEntry(ac, [&](proto::BuddyEntry e) { buddies.push_back(e); });
    EXPECT_EQ(buddies, (std::vector<proto::BuddyEntry>{
                           {1, cp949("엄마"), "01012345678", "05051234567", "1001", 3},
                           {0, cp949("세탁소 아저씨"), "0111234567", "", "1002", 0}}));

    EXPECT_EQ(c.ask("RC:"), "RV:25");
}

TEST(DevServerLists, EmptyAccountGivesEmptyLists) {
    Running r;
    Client c(r);
    c.signIn("other", "pw");
    EXPECT_EQ(c.ask("GC:"), "GR:");
    EXPECT_EQ(c.ask("AC:"), "AC:");
}

TEST(DevServerLists, GroupCommandsChangeTheList) {
    Running r;
    Client c(r);
    c.signIn();
    const std::string gg = c.ask(proto::groupAddLine(cp949("회사")));
    ASSERT_EQ(proto::recognise(gg), proto::ServerLine::GroupAdd);
    const std::int32_t id = proto::addedGroupId(gg);
    EXPECT_EQ(id, 3);
    c.socket.writeLine(proto::groupRenameLine(2, cp949("동창")));
    c.socket.writeLine(proto::groupDeleteLine(1));  // its partner falls back to the root
    c.socket.writeLine(proto::buddyMoveLine(id, "1002"));

    std::vector<proto::GroupEntry> groups;
    proto::forEachGroupEntry(c.ask("GC:"), [&](proto::GroupEntry e) { groups.push_back(e); });
    EXPECT_EQ(groups, (std::vector<proto::GroupEntry>{{2, cp949("동창")}, {3, cp949("회사")}}));
    std::vector<std::int32_t> groupOfPartner;
    proto::forEachBuddyEntry(c.ask("AC:"),
                             [&](proto::BuddyEntry e) { groupOfPartner.push_back(e.groupId); });
    EXPECT_EQ(groupOfPartner, (std::vector<std::int32_t>{0, 3}));
}

TEST(DevServerLists, PartnerChangeAndDeleteAreAcknowledged) {
    Running r;
    Client c(r);
    c.signIn();
    EXPECT_EQ(c.ask(proto::buddyChangeLine("1001", "01011112222", cp949("어머니"))), "R:ak");
    EXPECT_EQ(c.ask(proto::buddyDeleteLine("1002")), "R:ak");
    std::vector<proto::BuddyEntry> buddies;
    proto::forEachBuddyEntry(c.ask("AC:"), [&](proto::BuddyEntry e) { buddies.push_back(e); });
    ASSERT_EQ(buddies.size(), 1u);
    EXPECT_EQ(buddies[0].nickName, cp949("어머니"));
    EXPECT_EQ(buddies[0].phone, "01011112222");
}

TEST(DevServerSends, GroupSendLowersTheBalanceByTheRecipients) {
    Running r({}, 1h);  // the phones' answers would come between the lines read here
    Client c(r);
    c.signIn();
    EXPECT_EQ(c.ask(proto::groupSendLine("0", "1001,1002,01099998888", "hi")), "R:ak");
    EXPECT_EQ(c.balance(), 22);
    const proto::Reservation when{2030, 3, 5, 14, 7};
    EXPECT_EQ(c.ask(proto::reservedSendLine("01012345678", "1001,1002", when, "a:b")), "R:ak");
    EXPECT_EQ(c.balance(), 20);

    const Account a = r.store.snapshot("demo");
    ASSERT_EQ(a.reserved.size(), 1u);  // the immediate send is not kept
    EXPECT_EQ(a.reserved[0].recipients, (std::vector<std::string>{"1001", "1002"}));
    EXPECT_EQ(a.reserved[0].when.day, 5);
    EXPECT_EQ(a.reserved[0].text, "a:b");
}

// The local time `minutes` from now by the store's clock.
proto::Reservation minutesAhead(const AccountStore& store, int minutes) {
    const std::time_t t = std::time(nullptr) + store.clockOffset().count() + minutes * 60;
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

TEST(DevServerSends, ImmediateGroupSendReachesThePartnersPhones) {
    Running r;
    Client c(r);
    c.signIn();
    // A partner by port, a stranger's number, and a partner's phone typed in by hand.
    EXPECT_EQ(c.ask(proto::groupSendLine("01012345678", "1001,01099998888,0111234567", "hi")),
              "R:ak");
    std::vector<std::string> from;
    for (int i = 0; i < 2; ++i) {
        const proto::IncomingMessage m = proto::incomingMessage(c.next());
        from.push_back(m.userPort);
        EXPECT_NE(m.text.find("hi"), std::string::npos);
    }
    EXPECT_EQ(from, (std::vector<std::string>{"1001", "1002"}));
    EXPECT_EQ(c.balance(), 22);  // and no third answer came before it
}

TEST(DevServerSends, ReservedSendIsDeliveredWhenTheServiceClockReachesIt) {
    Running r;
    Client c(r);
    c.signIn();
    EXPECT_EQ(c.ask(proto::reservedSendLine("0", "1001", minutesAhead(r.store, 10), "later")),
              "R:ak");
    EXPECT_EQ(c.ask("RC:"), "RV:24");  // nothing delivered before it
    EXPECT_FALSE(r.store.snapshot("demo").reserved.at(0).delivered);

    r.store.advanceClock(11min);
    const std::string h = c.next();
    EXPECT_EQ(proto::incomingMessage(h).userPort, "1001") << h;
    EXPECT_NE(h.find("later"), std::string::npos);
    EXPECT_TRUE(r.store.snapshot("demo").reserved.at(0).delivered);
    EXPECT_EQ(c.ask("RC:"), "RV:24");  // delivered once, charged once
}

TEST(DevServerStore, ReservedSendsComeDueByTheMinuteAndOnce) {
    AccountStore store(parseAccounts(kAccounts));
    GroupSendRequest request{
        "0", {"1001", "01099998888", "1002"}, proto::Reservation{2030, 3, 5, 14, 7}, "x"};
    EXPECT_FALSE(store.groupSend("demo", request));  // kept, not delivered now
    EXPECT_TRUE(store.takeDueReserved({2030, 3, 5, 14, 6}).empty());
    EXPECT_TRUE(store.takeDueReserved({2029, 12, 31, 23, 59}).empty());
    const std::vector<Delivery> due = store.takeDueReserved({2030, 3, 5, 14, 7});
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].userId, "demo");
    EXPECT_EQ(due[0].partnerPorts, (std::vector<std::string>{"1001", "1002"}));
    EXPECT_TRUE(store.takeDueReserved({2031, 1, 1, 0, 0}).empty());
    EXPECT_TRUE(isDue({2030, 3, 5, 14, 7}, {2030, 4, 1, 0, 0}));
    EXPECT_FALSE(isDue({2030, 3, 5, 14, 7}, {2030, 3, 5, 13, 59}));
}

TEST(DevServerSends, MalformedGroupSendIsNotCharged) {
    Running r;
    Client c(r);
    c.signIn();
    c.socket.writeLine("PS:0,:text");                               // no recipient
    c.socket.writeLine("PP:0,1001:2030,13,1,0,0:text");             // no 13th month
    c.socket.writeLine(proto::groupSendLine("0123", "1001", "x"));  // bad sender
    EXPECT_EQ(c.balance(), 25);
}

TEST(DevServerSends, PhoneEchoesAChatMessageAndChargesIt) {
    Running r;
    Client c(r);
    c.signIn();
    c.socket.writeLine(proto::messageLine("1001", "x:y{}z"));
    const std::string h = c.next();
    ASSERT_EQ(proto::recognise(h), proto::ServerLine::Message);
    const proto::IncomingMessage m = proto::incomingMessage(h);
    EXPECT_EQ(m.userPort, "1001");
    EXPECT_NE(m.text.find("x:y<br>z"), std::string::npos) << cp949ToUtf8(m.text);
    EXPECT_EQ(c.balance(), 24);

    // A message to a port that is no partner of this member is dropped, uncharged.
    c.socket.writeLine(proto::messageLine("9999", "lost"));
    EXPECT_EQ(c.balance(), 24);
}

TEST(DevServerSends, EveryThirdAnswerRunsOverTwoLines) {
    EXPECT_EQ(phoneAnswer("a", 1).find("<br>"), std::string::npos);
    EXPECT_EQ(phoneAnswer("a", 2).find("<br>"), std::string::npos);
    EXPECT_NE(phoneAnswer("a", 3).find("a<br>"), std::string::npos);
}

TEST(DevServerRegistration, CodesFollowTheTestNumbers) {
    struct Case {
        const char* country;
        const char* phone;
        const char* code;
    };
    const Case cases[] = {
        {"82", "01033334444", "0"},  {"82", "0163334444", "0"},   {"82", "01005051234", "10"},
        {"82", "05051112222", "10"}, {"82", "01000111234", "11"}, {"82", "01900121234", "12"},
        {"82", "01000131234", "13"}, {"82", "01000141234", "14"}, {"82", "01000991234", "99"},
        {"82", "0123334444", "1"},   {"82", "010333444", "1"},    {"82", "010333344445", "1"},
        {"82", "0103333444a", "1"},  {"1", "01033334444", "2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(judgeRegistration(c.country, c.phone).code, c.code) << c.phone;
    EXPECT_EQ(judgeRegistration("82", "01005051234").vtNumber, "05055051234");
}

TEST(DevServerRegistration, PlainNumberIsRegisteredAtOnce) {
    Running r;
    Client c(r);
    c.signIn();
    const std::string p = c.ask(proto::buddyRegisterLine("82", "01033334444", cp949("새친구")));
    ASSERT_EQ(proto::recognise(p), proto::ServerLine::UserAdd);
    const proto::UserAddResult result = proto::userAddResult(p);
    EXPECT_EQ(result.code, "0");
    EXPECT_FALSE(result.value.empty());
    EXPECT_NE(result.value, "1001");
    EXPECT_NE(result.value, "1002");

    std::vector<proto::BuddyEntry> buddies;
    proto::forEachBuddyEntry(c.ask("AC:"), [&](proto::BuddyEntry e) { buddies.push_back(e); });
    ASSERT_EQ(buddies.size(), 3u);
    EXPECT_EQ(buddies[2],
              (proto::BuddyEntry{0, cp949("새친구"), "01033334444", "", result.value, 0}));

    // The same phone again is refused.
    EXPECT_EQ(c.ask(proto::buddyRegisterLine("82", "01033334444", "again")), "P:3");
}

TEST(DevServerRegistration, VirtualNumberNeedsAConfirmation) {
    Running r;
    Client c(r);
    c.signIn();
    const proto::UserAddResult asked =
        proto::userAddResult(c.ask(proto::buddyRegisterLine("82", "01005051234", "vt")));
    ASSERT_EQ(asked.code, "10");
    EXPECT_EQ(c.ask(proto::buddyConfirmLine("01005051234", "0000")), "P:4");
    const proto::UserAddResult done =
        proto::userAddResult(c.ask(proto::buddyConfirmLine("01005051234", asked.value)));
    EXPECT_EQ(done.code, "0");
    // Confirmed once only.
    EXPECT_EQ(c.ask(proto::buddyConfirmLine("01005051234", asked.value)), "P:4");

    std::vector<proto::BuddyEntry> buddies;
    proto::forEachBuddyEntry(c.ask("AC:"), [&](proto::BuddyEntry e) { buddies.push_back(e); });
    EXPECT_EQ(buddies.back(),
              (proto::BuddyEntry{0, "vt", "01005051234", asked.value, done.value, 0}));
}

TEST(DevServerRegistration, RefusalsAnswerWithTheirCodes) {
    Running r;
    Client c(r);
    c.signIn();
    EXPECT_EQ(c.ask(proto::buddyRegisterLine("82", "01000111234", "n")), "P:11");
    EXPECT_EQ(c.ask(proto::buddyRegisterLine("82", "01000121234", "n")), "P:12");
    EXPECT_EQ(c.ask(proto::buddyRegisterLine("82", "01000131234", "n")), "P:13");
    // Code 13 is confirmed with the empty virtual number the client holds.
    EXPECT_EQ(proto::userAddResult(c.ask(proto::buddyConfirmLine("01000131234", ""))).code, "0");
    EXPECT_EQ(c.ask(proto::buddyRegisterLine("82", "01044445555", "a,b")), "P:5");
}

TEST(DevServerKeepAlive, PingsAtTheIntervalAndTakesPong) {
    ServerOptions o;
    o.pingInterval = 20ms;
    Running r(o);
    Client c(r);
    c.signIn();
    EXPECT_EQ(c.next(true), "ping");
    c.socket.writeLine("pong");
    EXPECT_EQ(c.next(true), "ping");
}

TEST(DevServerKeepAlive, ZeroIntervalNeverPingsAndAnnouncesPartners) {
    ServerOptions o;
    o.pingInterval = 0ms;
    o.activeInterval = 10ms;
    Running r(o);
    Client c(r);
    c.signIn();
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i)
        seen.push_back(c.next(true));
    EXPECT_EQ(seen, (std::vector<std::string>{"active:1001", "active:1002", "active:1001"}));
}

TEST(DevServerFaults, CloseMidLineSendsHalfALineAndCloses) {
    ServerOptions o;
    o.closeMidLine = true;
    Running r(o);
    Client c(r);
    c.signIn();
    c.socket.writeLine("GC:");
    EXPECT_TRUE(c.closedByServer());
}

TEST(DevServerFaults, OverlongLineExceedsTheClientsLimit) {
    ServerOptions o;
    o.overlongLine = true;
    Running r(o);
    Client c(r);
    c.signIn();
    c.socket.writeLine("GC:");
    EXPECT_THROW((void)c.socket.readLine(5s), NetError);
}

TEST(DevServerFaults, LogoutEndsTheSession) {
    Running r;
    Client c(r);
    c.signIn();
    c.socket.writeLine("LX:");
    EXPECT_TRUE(c.closedByServer());
}

TEST(DevServerData, ReadsTheFileFormatAndNamesBadLines) {
    const std::vector<Account> accounts = parseAccounts(kAccounts);
    ASSERT_EQ(accounts.size(), 2u);
    EXPECT_EQ(accounts[0].balance, 25);
    EXPECT_EQ(accounts[0].partners[1].nickName, cp949("세탁소 아저씨"));
    EXPECT_TRUE(accounts[1].groups.empty());

    const char* const bad[] = {
        "group 1 x\n",                                                      // before any account
        "account a b c\n",                                                  // balance not a number
        "account a b 1\npartner 5 1 0101 - 0 n\n",                          // unknown group
        "account a b 1\ngroup 1 a/b\n",                                     // "/" in a group name
        "account a b 1\npartner 0 1 0101 - 0 a,b\n",                        // "," in a nickname
        "account a b 1\npartner 0 1 0101 - 0 a\npartner 0 1 0102 - 0 b\n",  // port twice
        "account a b 1\naccount a c 2\n",                                   // account twice
        "account a b 1\nfriend x\n",                                        // unknown record
    };
    for (const char* text : bad)
        EXPECT_THROW(parseAccounts(text), DataError) << text;
    try {
        parseAccounts("account a b 1\n\n# note\ngroup x y\n");
        FAIL();
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("line 4"), std::string::npos) << e.what();
    }
}

TEST(DevServerData, ShippedDemoAccountsLoad) {
    const std::vector<Account> accounts = loadAccounts(KV_DEVSERVER_DEMO_DATA);
    AccountStore store(accounts);
    EXPECT_EQ(store.checkLogin("demo", "demo1234"), LoginResult::Ok);
    const Account demo = store.snapshot("demo");
    EXPECT_GE(demo.groups.size(), 3u);
    EXPECT_GT(demo.balance, 0);
    bool rootPartner = false;
    for (const Partner& p : demo.partners)
        rootPartner = rootPartner || p.groupId == 0;
    EXPECT_TRUE(rootPartner);
}

TEST(DevServerCommandLine, ReadsOptionsAndRefusesBadOnes) {
    const CommandLine cl =
        parseCommandLine({"--chat-port", "0", "--host=0.0.0.0", "--no-ping", "--ping-interval", "5",
                          "--active-interval=2", "--delay-ms", "30", "--refuse-login", "--data",
                          "f.txt", "--clock-offset", "600"});
    EXPECT_EQ(cl.clockOffset, 600);
    EXPECT_EQ(cl.server.chatPort, 0);
    EXPECT_EQ(cl.server.host, "0.0.0.0");
    EXPECT_EQ(cl.server.pingInterval, 0ms);  // --no-ping wins wherever it stands
    EXPECT_EQ(cl.server.activeInterval, 2000ms);
    EXPECT_EQ(cl.server.answerDelay, 30ms);
    EXPECT_TRUE(cl.server.refuseLogin);
    EXPECT_FALSE(cl.server.closeMidLine);
    EXPECT_EQ(cl.dataFile, "f.txt");
    EXPECT_EQ(parseCommandLine({}).server.chatPort, 8000);
    EXPECT_EQ(parseCommandLine({}).server.pingInterval, 20000ms);

    for (std::vector<std::string> bad : {std::vector<std::string>{"--chat-port"},
                                         {"--chat-port", "x"},
                                         {"--chat-port", "70000"},
                                         {"--ping-interval", "-1"},
                                         {"--no-ping=1"},
                                         {"--colour"}})
        EXPECT_THROW(parseCommandLine(bad), UsageError) << bad[0];
}

}  // namespace
}  // namespace kv::devserver
