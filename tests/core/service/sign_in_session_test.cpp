#include "core/service/sign_in_session.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/base/cp949.h"
#include "core/posix/posix_line_socket.h"
#include "support/fake_message_boxes.h"
#include "support/manual_ui_thread.h"
#include "support/scripted_server.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using Icon = MessageBoxes::Icon;
using Result = MessageBoxes::Result;

// What the window would show, and what it was asked to do.
struct RecordingView final : SessionView {
    void ShowLoginState(const std::string& c, bool logo, bool emptyBalance,
                        bool signedIn) override {
        caption = c;
        logoVisible = logo;
        balanceEmptied = emptyBalance;
        this->signedIn = signedIn;
        log.push_back("state:" + cp949ToUtf8(c));
    }
    void SetPingTimer(bool on) override {
        pingTimer = on;
        log.push_back(on ? "timer:on" : "timer:off");
    }
    void ClearContactTree() override { log.push_back("tree:clear"); }
    void CloseSessionWindows() override { log.push_back("chats:close"); }

    std::string caption;
    bool logoVisible = false;
    bool balanceEmptied = false;
    bool signedIn = false;
    bool pingTimer = false;
    std::vector<std::string> log;
};

class SignInSessionTest : public ::testing::Test {
protected:
    SignInSessionTest() {
        ::setenv("KESTROVANE_SERVER", ("127.0.0.1:" + std::to_string(server.port())).c_str(), 1);
        conn.OnConnect = [this](TVANE&) { session.DoConnect(); };
        conn.OnLogin_Ok = [this] { session.DoLogin_Ok(); };
        conn.OnLogin_NotOk = [this] { session.DoLogin_NotOk(); };
        conn.OnDisconnect = [this](TVANE&) { session.DoDisconnect(); };
        conn.OnShutOut = [this] { session.DoShutOut(); };
    }
    ~SignInSessionTest() override {
        ::unsetenv("KESTROVANE_SERVER");
        connHolder.reset();
        ui->pumpUntil([] { return runningListenThreads() == 0; });
    }

    // Signs in and takes the connection on the server side, past "LO:".
    void SignIn(const std::string& id = "demo", const std::string& pw = "demo1234") {
        session.SignIn(id, pw);
        ASSERT_TRUE(server.accept());
        ASSERT_TRUE(server.expectLine("LO:" + id + "," + pw)) << server.lastMismatch();
    }

    bool Pump(const std::function<bool()>& until) { return ui->pumpUntil(until); }

    test::ScriptedServer server;
    std::shared_ptr<test::ManualUiThread> ui = std::make_shared<test::ManualUiThread>();
    std::unique_ptr<TVANE> connHolder = std::make_unique<TVANE>(ui, makePosixLineSocket);
    TVANE& conn = *connHolder;
    RecordingView view;
    test::FakeMessageBoxes boxes;
    SignInSession session{conn, view, boxes};
};

TEST_F(SignInSessionTest, StateShownForEachConnectionState) {
    session.UpdateLoginState();
    EXPECT_EQ(view.caption, cp949("로그인 하십시오."));
    EXPECT_TRUE(view.logoVisible);
    EXPECT_TRUE(view.balanceEmptied);
    EXPECT_FALSE(view.signedIn);

    SignIn();
    EXPECT_EQ(view.caption, cp949("로그인 중 입니다..."));
    EXPECT_EQ(conn.CmdType, "LO");
    EXPECT_FALSE(view.signedIn);

    conn.SetState(kv::ConnectionState::SignedIn);
    session.UpdateLoginState();
    EXPECT_EQ(view.caption, "demo");
    EXPECT_FALSE(view.logoVisible);
    EXPECT_FALSE(view.balanceEmptied);
    EXPECT_TRUE(view.signedIn);
}

TEST_F(SignInSessionTest, EachAcknowledgementGetsItsFollowUp) {
    SignIn();
    server.sendLine("R:ak");
    server.sendLine("R:ak");  // two acknowledgements of the sign-in give two group requests
    // Pump while reading, so that both handlers run.
    for (int i = 0; i < 2; ++i) {
        std::optional<std::string> line;
        ASSERT_TRUE(Pump([&] { return (line = server.readLine(10ms)).has_value(); }));
        EXPECT_EQ(*line, "GC:");
    }
    conn.SetState(kv::ConnectionState::SignedIn);
    for (const auto& [type, text] : std::vector<std::pair<std::string, std::string>>{
             {"PP", "예약 전송이 성공적으로 이뤄 졌습니다."},
             {"PS", "즉시 전송이 성공적으로 이뤄 졌습니다."}}) {
        conn.CmdType = type;
        const std::size_t before = boxes.shown.size();
        server.sendLine("R:ak");
        std::optional<std::string> line;
        ASSERT_TRUE(Pump([&] { return (line = server.readLine(10ms)).has_value(); }));
        EXPECT_EQ(*line, "RC:");
        ASSERT_EQ(boxes.shown.size(), before + 1);
        EXPECT_EQ(boxes.shown.back().text, cp949(text));
        EXPECT_EQ(boxes.shown.back().icon, Icon::Information);
    }
    for (const char* type : {"UM", "UD", "UN"}) {
        conn.CmdType = type;
        server.sendLine("R:ak");
        std::optional<std::string> line;
        ASSERT_TRUE(Pump([&] { return (line = server.readLine(10ms)).has_value(); }));
        EXPECT_EQ(*line, "") << type;
    }
}

TEST_F(SignInSessionTest, RefusalsDisconnectFirstThenShowTheirOwnText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"R:nus", "로그인 오류 : 해당 아이디가 존재하지 않습니다."},
        {"R:nusXYZ", "로그인 오류 : 해당 아이디가 존재하지 않습니다."},
        {"R:npass", "로그인 오류 : 패스워드가 틀립니다."},
        {"R:n", "로그인 오류"},
        {"R:nope", "로그인 오류"},
    };
    for (const auto& [line, text] : cases) {
        SCOPED_TRACE(line);
        SignIn();
        // The box must find the connection already closed and the window reset.
        bool closedBeforeBox = false;
        boxes.onShow = [&] {
            closedBeforeBox = conn.State() == kv::ConnectionState::Closed && !view.log.empty() &&
                              view.log.back() == "state:로그인 하십시오.";
        };
        server.sendLine(line);
        ASSERT_TRUE(Pump([&] { return !boxes.shown.empty(); }));
        EXPECT_TRUE(server.expectLine("LX:")) << server.lastMismatch();
        EXPECT_EQ(boxes.shown.back().text, cp949(text));
        EXPECT_EQ(boxes.shown.back().icon, Icon::Error);
        EXPECT_TRUE(closedBeforeBox);
        boxes.shown.clear();
        boxes.onShow = nullptr;
    }
}

TEST_F(SignInSessionTest, DisconnectResetsTheWindowInOrder) {
    SignIn();
    conn.SetState(kv::ConnectionState::SignedIn);
    view.log.clear();
    boxes.answers = {Result::No};
    session.actLogoutExecute();
    EXPECT_EQ(boxes.shown.back().text, "demo" + cp949("님 로그아웃 하시겠습니까?"));
    EXPECT_EQ(conn.State(), kv::ConnectionState::SignedIn);
    EXPECT_TRUE(view.log.empty());

    boxes.answers = {Result::Yes};
    session.actLogoutExecute();
    EXPECT_TRUE(server.expectLine("LX:")) << server.lastMismatch();
    EXPECT_EQ(view.log, (std::vector<std::string>{"timer:off", "tree:clear", "chats:close",
                                                  "state:로그인 하십시오."}));
}

TEST_F(SignInSessionTest, ShutOutAnswersResetsAndThenTells) {
    SignIn();
    conn.SetState(kv::ConnectionState::SignedIn);
    bool resetBeforeBox = false;
    boxes.onShow = [&] {
        resetBeforeBox = !view.log.empty() && view.log.back() == "state:로그인 하십시오.";
    };
    server.sendLine("close");
    ASSERT_TRUE(Pump([&] { return !boxes.shown.empty(); }));
    EXPECT_TRUE(server.expectLine("LY:")) << server.lastMismatch();
    EXPECT_EQ(boxes.shown.back().text,
              cp949("다른 곳에서 로그인을 하였거나 서버의 임시 조치입니다!"));
    EXPECT_EQ(boxes.shown.back().icon, Icon::Information);
    EXPECT_TRUE(resetBeforeBox);
}

TEST_F(SignInSessionTest, WatchdogTicksReconnectWithTheSameCredentials) {
    SignIn("hong", "pw123");
    conn.SetState(kv::ConnectionState::SignedIn);
    view.SetPingTimer(true);
    for (int tick = 0; tick < 10; ++tick)
        session.PingTimerTimer();
    EXPECT_TRUE(view.pingTimer);
    session.PingTimerTimer();
    EXPECT_FALSE(view.pingTimer);  // stopped by the disconnect
    EXPECT_TRUE(server.expectLine("LX:")) << server.lastMismatch();
    ASSERT_TRUE(server.accept());
    EXPECT_TRUE(server.expectLine("LO:hong,pw123")) << server.lastMismatch();
    EXPECT_EQ(view.caption, cp949("로그인 중 입니다..."));
}

TEST_F(SignInSessionTest, FailedConnectShowsNothing) {
    ::setenv("KESTROVANE_SERVER", "127.0.0.1:1", 1);
    session.UpdateLoginState();
    session.SignIn("demo", "x");
    EXPECT_EQ(conn.State(), kv::ConnectionState::Closed);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(view.caption, cp949("로그인 하십시오."));
}

}  // namespace
}  // namespace kv
