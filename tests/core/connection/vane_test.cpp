#include "core/connection/vane.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "core/base/errors.h"
#include "core/connection/line_protocol.h"
#include "core/posix/posix_line_socket.h"
#include "support/fake_line_socket.h"
#include "support/manual_ui_thread.h"
#include "support/scripted_server.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using test::ManualUiThread;
using test::ScriptedServer;

struct Event {
    std::string name;
    std::string msg;
    std::thread::id thread;
};

class VaneTest : public ::testing::Test {
protected:
    void SetUp() override { Create(makePosixLineSocket); }

    void TearDown() override {
        vane.reset();
        EXPECT_TRUE(ui->pumpUntil([] { return runningListenThreads() == 0; }))
            << "a receive thread was left behind";
    }

    void Create(LineSocketFactory factory) {
        vane = std::make_unique<TVANE>(ui, std::move(factory));
        vane->Host = "127.0.0.1";
        vane->Port = server.port();
        vane->Userid = "demo";
        vane->Password = "secret";
        auto record = [this](const char* name) {
            return [this, name] { Record(name, vane->Msg); };
        };
        vane->OnConnect = [this](TVANE& v) {
            Record("Connect", "");
            v.WriteLine(proto::loginLine(v.Userid, v.Password));
        };
        vane->OnDisconnect = [this](TVANE&) { Record("Disconnect", ""); };
        vane->OnThreadDisconnect = [this](TVANE&) { Record("ThreadDisconnect", ""); };
        vane->OnMessage = record("Message");
        vane->OnActiveMessage = record("Active");
        vane->OnLogin_Ok = record("LoginOk");
        vane->OnLogin_NotOk = record("LoginNotOk");
        vane->OnShutOut = record("ShutOut");
        vane->OnActiveGroupList = record("GroupList");
        vane->OnActiveList = record("BuddyList");
        vane->OnCheckMoney = record("Money");
        vane->OnGroupAdd = record("GroupAdd");
        vane->OnUserAdd = record("UserAdd");
    }

    void Record(const std::string& name, const std::string& msg) {
        std::lock_guard lock(mutex);
        events.push_back({name, msg, std::this_thread::get_id()});
    }

    int Count(const std::string& name) {
        std::lock_guard lock(mutex);
        int n = 0;
        for (const auto& e : events)
            n += e.name == name;
        return n;
    }

    Event Last(const std::string& name) {
        std::lock_guard lock(mutex);
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->name == name)
                return *it;
        return {};
    }

    bool WaitFor(const std::string& name, int count = 1) {
        return ui->pumpUntil([&] { return Count(name) >= count; });
    }

    // Connects and takes the connection on the server, past the sign-in line.
    void Open() {
        ASSERT_TRUE(vane->Connect());
        ASSERT_TRUE(server.accept());
        ASSERT_TRUE(server.expectLine("LO:demo,secret")) << server.lastMismatch();
    }

    // A handler writes a marker, so the test sees what the client wrote before it in order.
    void MarkOnMoney() {
        vane->OnCheckMoney = [this] {
            Record("Money", vane->Msg);
            vane->WriteLine("marker");
        };
    }

    ScriptedServer server;
    std::shared_ptr<ManualUiThread> ui = std::make_shared<ManualUiThread>();
    std::unique_ptr<TVANE> vane;
    std::mutex mutex;
    std::vector<Event> events;
};

TEST_F(VaneTest, ConnectStartsTheThreadBeforeOnConnectAndLinesReachHandlersOnTheUiThread) {
    Open();
    EXPECT_EQ(vane->State(), kv::ConnectionState::SigningIn);
    EXPECT_EQ(Count("Connect"), 1);
    server.sendLine("R:ak");
    ASSERT_TRUE(WaitFor("LoginOk"));
    EXPECT_EQ(Last("LoginOk").msg, "R:ak");
    EXPECT_EQ(Last("LoginOk").thread, std::this_thread::get_id());
    // Every line event, with its line kept whole and untrimmed in Msg.
    for (const char* line :
         {"R:npass", "GR:1,a/", "AC:", "RV:3 ", "H:1:x:y", "GG:4", "P:0,5", "active:5"})
        server.sendLine(line);
    ASSERT_TRUE(WaitFor("UserAdd"));
    ASSERT_TRUE(WaitFor("Active"));
    EXPECT_EQ(Last("LoginNotOk").msg, "R:npass");
    EXPECT_EQ(Last("GroupList").msg, "GR:1,a/");
    EXPECT_EQ(Last("BuddyList").msg, "AC:");
    EXPECT_EQ(Last("Money").msg, "RV:3 ");
    EXPECT_EQ(Last("Message").msg, "H:1:x:y");
    EXPECT_EQ(Last("GroupAdd").msg, "GG:4");
    EXPECT_EQ(Last("Active").msg, "active:5");
}

TEST_F(VaneTest, UnassignedEventsAndUnknownLinesAreDropped) {
    vane->OnMessage = nullptr;
    Open();
    vane->Msg = "before";
    server.sendLine("H:1:lost");
    server.sendLine(" ping");
    server.sendLine("what");
    server.sendLine("GG:1");
    ASSERT_TRUE(WaitFor("GroupAdd"));
    EXPECT_EQ(Count("Message"), 0);
    EXPECT_EQ(vane->Msg, "GG:1");
}

TEST_F(VaneTest, ConnectOnlyFromStateZero) {
    Open();
    EXPECT_FALSE(vane->Connect());
    EXPECT_EQ(vane->State(), kv::ConnectionState::SigningIn);
    vane->SetState(kv::ConnectionState::SignedIn);
    EXPECT_FALSE(vane->Connect());
    EXPECT_EQ(vane->State(), kv::ConnectionState::SignedIn);
    EXPECT_EQ(Count("Connect"), 1);
    EXPECT_FALSE(server.accept(100ms));
}

TEST_F(VaneTest, FailedConnectIsSilent) {
    {
        ScriptedServer gone;
        vane->Port = gone.port();
    }
    EXPECT_FALSE(vane->Connect());
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    EXPECT_EQ(Count("Connect"), 0);
    EXPECT_EQ(Count("Disconnect"), 0);
}

TEST_F(VaneTest, DisconnectInStateZeroWritesNothingButRaisesTheEvent) {
    vane->Disconnect();
    EXPECT_EQ(Count("Disconnect"), 1);
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    EXPECT_THROW(vane->WriteLine("x"), NetError);
}

TEST_F(VaneTest, DisconnectSendsLogoutClosesAndEndsTheThread) {
    Open();
    vane->Disconnect();
    EXPECT_TRUE(server.expectLine("LX:")) << server.lastMismatch();
    EXPECT_TRUE(server.waitClientClosed());
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    EXPECT_EQ(Count("Disconnect"), 1);
    EXPECT_TRUE(ui->pumpUntil([] { return runningListenThreads() == 0; }));
    EXPECT_EQ(Count("ThreadDisconnect"), 0);  // a stopped thread reports nothing
}

TEST_F(VaneTest, PingWhileSigningInResetsTheCountWithoutPong) {
    MarkOnMoney();
    Open();
    vane->WatchdogTick();
    vane->WatchdogTick();
    EXPECT_EQ(vane->PingCount(), 2);
    server.sendLine("ping");
    server.sendLine("RV:1");
    ASSERT_TRUE(WaitFor("Money"));
    EXPECT_TRUE(server.expectLine("marker")) << server.lastMismatch();
    EXPECT_EQ(vane->PingCount(), 0);
}

TEST_F(VaneTest, PingWhenSignedInIsAnsweredWithPong) {
    Open();
    vane->SetState(kv::ConnectionState::SignedIn);
    vane->WatchdogTick();
    server.sendLine("ping");
    EXPECT_TRUE(server.expectLine("pong")) << server.lastMismatch();
    EXPECT_TRUE(ui->pumpUntil([&] { return vane->PingCount() == 0; }));
}

TEST_F(VaneTest, CloseWhenSignedInAnswersLogsOutAndRaisesShutOutOnce) {
    Open();
    vane->SetState(kv::ConnectionState::SignedIn);
    server.sendLine("close by server");
    EXPECT_TRUE(server.expectLine("LY:")) << server.lastMismatch();
    EXPECT_TRUE(server.waitClientClosed());
    ASSERT_TRUE(WaitFor("ShutOut"));
    EXPECT_TRUE(ui->pumpUntil([] { return runningListenThreads() == 0; }));
    EXPECT_EQ(Count("ShutOut"), 1);
    EXPECT_EQ(Last("ShutOut").msg, "close by server");
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    EXPECT_EQ(Count("Disconnect"), 0);
    EXPECT_EQ(Count("ThreadDisconnect"), 0);
}

TEST_F(VaneTest, CloseWhileSigningInWritesNothingAndKeepsReading) {
    MarkOnMoney();
    Open();
    server.sendLine("close");
    ASSERT_TRUE(WaitFor("ShutOut"));
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    server.sendLine("RV:1");
    ASSERT_TRUE(WaitFor("Money"));
    EXPECT_TRUE(server.expectLine("marker")) << server.lastMismatch();  // no "LY:" came first
    // A new sign-in replaces the connection that was left open.
    ASSERT_TRUE(vane->Connect());
    EXPECT_TRUE(server.waitClientClosed());
    ASSERT_TRUE(server.accept());
    EXPECT_TRUE(server.expectLine("LO:demo,secret"));
}

TEST_F(VaneTest, LineOfTheLimitIsHandledAndALongerOneEndsTheConnection) {
    Open();
    const std::string longest = "H:1:" + std::string(16384 - 4, 'x');
    server.sendLine(longest);
    ASSERT_TRUE(WaitFor("Message"));
    EXPECT_EQ(Last("Message").msg, longest);
    server.sendLine(longest + "y");
    ASSERT_TRUE(WaitFor("ThreadDisconnect"));  // the handlers run while the UI pumps
    EXPECT_TRUE(server.waitClientClosed());
    EXPECT_NE(Last("ThreadDisconnect").thread, std::this_thread::get_id());
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    EXPECT_EQ(Count("Message"), 1);
    EXPECT_EQ(Count("Disconnect"), 0);  // the window learns of it through the watchdog
}

TEST_F(VaneTest, HandlerErrorEndsTheConnectionAndQueuedLinesAreNotHandled) {
    vane->OnCheckMoney = [this] {
        Record("Money", vane->Msg);
        vane->CashCount = proto::moneyCount(vane->Msg);
    };
    Open();
    server.sendRaw("RV:many\r\nRV:2\r\nH:1:x\r\n");
    ASSERT_TRUE(WaitFor("ThreadDisconnect"));  // the handlers run while the UI pumps
    EXPECT_TRUE(server.waitClientClosed());
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    EXPECT_EQ(Count("Money"), 1);
    EXPECT_EQ(Count("Message"), 0);
    EXPECT_EQ(vane->CashCount, 0);
}

TEST_F(VaneTest, EleventhWatchdogTickReconnectsWithTheSameCredentials) {
    Open();
    vane->SetState(kv::ConnectionState::SignedIn);
    for (int tick = 1; tick <= 10; ++tick)
        vane->WatchdogTick();
    EXPECT_EQ(vane->State(), kv::ConnectionState::SignedIn);
    EXPECT_EQ(Count("Disconnect"), 0);
    vane->WatchdogTick();
    EXPECT_TRUE(server.expectLine("LX:")) << server.lastMismatch();
    EXPECT_TRUE(server.waitClientClosed());
    ASSERT_TRUE(server.accept());
    EXPECT_TRUE(server.expectLine("LO:demo,secret")) << server.lastMismatch();
    EXPECT_EQ(Count("Disconnect"), 1);
    EXPECT_EQ(Count("Connect"), 2);
    EXPECT_EQ(vane->State(), kv::ConnectionState::SigningIn);
    vane->ResetPingCount();
    EXPECT_EQ(vane->PingCount(), 0);
}

TEST_F(VaneTest, WatchdogAfterASilentReadErrorResetsTheWindowAndSignsInAgain) {
    Open();
    vane->SetState(kv::ConnectionState::SignedIn);
    server.close();
    ASSERT_TRUE(WaitFor("ThreadDisconnect"));
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    for (int tick = 1; tick <= 11; ++tick)
        vane->WatchdogTick();
    EXPECT_EQ(Count("Disconnect"), 1);
    ASSERT_TRUE(server.accept());
    EXPECT_TRUE(server.expectLine("LO:demo,secret")) << server.lastMismatch();
}

TEST_F(VaneTest, AnOldThreadNeverTakesTheLinesOfTheNextConnection) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        Open();
        const std::string line = "RV:" + std::to_string(round);
        server.sendLine(line);
        ASSERT_TRUE(WaitFor("Money", round + 1));
        EXPECT_EQ(Last("Money").msg, line);
        // The old connection is closed at once; its thread may still be finishing.
        vane->Disconnect();
    }
    EXPECT_EQ(Count("Money"), 20);
}

TEST_F(VaneTest, LinesOfAStoppedConnectionDoNotReachTheNextOne) {
    Open();
    server.sendLine("GR:1,old/");
    ASSERT_TRUE(ui->waitForWork(5s));  // the thread waits to hand the line over
    vane->Disconnect();
    ASSERT_TRUE(vane->Connect());
    ui->pump();
    EXPECT_EQ(Count("GroupList"), 0);
    EXPECT_EQ(vane->State(), kv::ConnectionState::SigningIn);
}

TEST_F(VaneTest, DestroyingWhileTheThreadWaitsToHandOverALineIsSafe) {
    Open();
    server.sendLine("RV:1");
    ASSERT_TRUE(ui->waitForWork(5s));
    vane.reset();
    EXPECT_TRUE(ui->pumpUntil([] { return runningListenThreads() == 0; }));
    EXPECT_EQ(Count("Money"), 0);
}

// The program asked to end while a handler shows a modal box and the receive thread waits for
// it: the request comes through the box's own loop (as a signal's does), the box gives way,
// the next line waits in the hand-over, and the end of the program (the disconnect with its
// "LX:", the user-interface side going away) releases the thread within a second.
TEST_F(VaneTest, EndingWhileAHandlerShowsABoxLogsOutAndReleasesTheThread) {
    std::atomic<bool> quit{false};
    std::thread signal;
    vane->OnCheckMoney = [&] {
        Record("Money", vane->Msg);
        if (signal.joinable())
            return;
        signal = std::thread([&] { ui->runAndWait([&] { quit = true; }); });
        ui->pumpUntil([&] { return quit.load(); }, 10s);  // the modal box's loop
    };
    Open();
    server.sendLine("RV:5");
    server.sendLine("RV:6");  // held back behind the box
    ASSERT_TRUE(ui->pumpUntil([&] { return quit.load(); }));
    signal.join();
    // The held-back line may still be handed over in the moment between the box closing and
    // the end; after the end nothing is.
    const int handled = Count("Money");
    const auto asked = std::chrono::steady_clock::now();
    vane->Disconnect();
    vane.reset();
    ui->shutdown();
    EXPECT_TRUE(waitForListenThreads(1s));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_TRUE(server.expectLine("LX:")) << server.lastMismatch();
    EXPECT_TRUE(server.waitClientClosed());
    EXPECT_EQ(Count("Money"), handled);
}

TEST_F(VaneTest, UiShutdownReleasesAWaitingThread) {
    Open();
    server.sendLine("RV:1");
    ASSERT_TRUE(ui->waitForWork(5s));
    ui->shutdown();
    EXPECT_TRUE(waitForListenThreads(5s));  // no pumping: the shutdown alone releases it
    EXPECT_EQ(Count("Money"), 0);
}

TEST_F(VaneTest, HandlerMayDisconnectWithoutDeadlock) {
    vane->OnLogin_NotOk = [this] {
        Record("LoginNotOk", vane->Msg);
        vane->Disconnect();
    };
    Open();
    server.sendLine("R:nus");
    ASSERT_TRUE(WaitFor("Disconnect"));
    EXPECT_TRUE(server.expectLine("LX:")) << server.lastMismatch();
    EXPECT_TRUE(server.waitClientClosed());
    EXPECT_TRUE(ui->pumpUntil([] { return runningListenThreads() == 0; }));
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
}

TEST_F(VaneTest, FailedPongDisconnectsAndRaisesOnDisconnectOnTheUiThread) {
    auto failWrites = std::make_shared<std::atomic<bool>>(false);
    vane.reset();
    Create([failWrites] { return std::make_shared<test::FailingWriteSocket>(failWrites); });
    Open();
    vane->SetState(kv::ConnectionState::SignedIn);
    vane->WatchdogTick();
    *failWrites = true;
    server.sendLine("ping");
    ASSERT_TRUE(WaitFor("Disconnect"));
    EXPECT_EQ(Last("Disconnect").thread, std::this_thread::get_id());
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    EXPECT_EQ(vane->PingCount(), 1);  // not reset when the pong failed
    EXPECT_TRUE(server.waitClientClosed());
    EXPECT_EQ(Count("ThreadDisconnect"), 0);
}

TEST_F(VaneTest, FailedWriteThroughSendLineDisconnects) {
    auto failWrites = std::make_shared<std::atomic<bool>>(false);
    vane.reset();
    Create([failWrites] { return std::make_shared<test::FailingWriteSocket>(failWrites); });
    Open();
    *failWrites = true;
    // The "LX:" of the Disconnect that follows fails too, and that error reaches the caller.
    EXPECT_THROW(vane->SendLine("RC:"), NetError);
    EXPECT_EQ(Count("Disconnect"), 1);
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
    EXPECT_TRUE(server.waitClientClosed());
}

TEST_F(VaneTest, WhateverTheServerSendsEndsInAHandledIgnoredOrErrorLine) {
    vane->OnCheckMoney = [this] { vane->CashCount = proto::moneyCount(vane->Msg); };
    vane->OnActiveGroupList = [this] {
        Record("GroupList", vane->Msg);
        proto::forEachGroupEntry(vane->Msg, [](proto::GroupEntry) {});
    };
    Open();
    server.sendRaw(std::string("\0\0\0\r\n", 5));
    server.sendRaw("\r\r\n\n\n\r\n");
    server.sendRaw("H:\xB0\r\n");  // invalid CP949
    server.sendRaw("H:1:\xFF\xFE\x80<br>\r\n");
    server.sendRaw("GR:1,\xB0\xA1/2,b/\r\n");
    server.sendRaw("RV:99999999999999999999\r\n");  // a conversion error: ends here
    server.sendRaw("H:2:never\r\n");
    ASSERT_TRUE(WaitFor("ThreadDisconnect"));  // the handlers run while the UI pumps
    EXPECT_TRUE(server.waitClientClosed());
    EXPECT_EQ(Count("Message"), 2);
    EXPECT_EQ(Count("GroupList"), 1);
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
}

TEST_F(VaneTest, ServerClosingMidLineIsAReadErrorNotAHandledLine) {
    Open();
    server.sendRaw("H:1:half a li");
    server.close();
    ASSERT_TRUE(WaitFor("ThreadDisconnect"));
    EXPECT_EQ(Count("Message"), 0);
    EXPECT_EQ(vane->State(), kv::ConnectionState::Closed);
}

}  // namespace
}  // namespace kv
