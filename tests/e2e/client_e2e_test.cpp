// The real programs together: kestrovane-devserver and kestrovane, each a process of its own,
// with settings in a temporary configuration folder.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/posix/ini_registry.h"
#include "core/service/settings_store.h"
#include "support/child_process.h"
#include "support/client_sandbox.h"
#include "support/devserver_process.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class ClientEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        server = std::make_unique<test::DevServerProcess>(
            KV_DEVSERVER, std::vector<std::string>{"--verbose"}, (root / "server.log").string());
        ASSERT_TRUE(server->waitListening()) << server->output();
        serverAddress = server->chatAddress();
    }

    // The dev server ends on SIGTERM like any service: cleanly, and in the sanitizer builds
    // without a report of its own.
    void TearDown() override {
        if (!server)
            return;
        server->process().signal(SIGTERM);
        EXPECT_EQ(server->process().waitForExit(20s), 0) << server->output();
        EXPECT_EQ(server->output().find("Sanitizer"), std::string::npos) << server->output();
        server.reset();
    }

    // Settings as a member who chose automatic sign-in would have them.
    void PrepareAutoLogin(const std::string& id, const std::string& password) {
        ASSERT_EQ(sandbox.PrepareAutoLogin(KV_DEMO_SETTINGS, id, password), 0);
    }

    std::unique_ptr<test::ChildProcess> StartClient(const std::string& logName) {
        return sandbox.StartClient(KV_CLIENT, serverAddress, logName);
    }

    std::optional<std::string> Stored(RegistrySection section, const char* name) {
        return sandbox.Stored(section, name);
    }

    test::ClientSandbox sandbox{"e2e"};
    const fs::path& root = sandbox.root;
    std::unique_ptr<test::DevServerProcess> server;
    std::string serverAddress;
};

TEST_F(ClientEndToEnd, SignsInRunsOnceAndEndsCleanlyOnTerm) {
    PrepareAutoLogin("demo", "demo1234");
    auto client = StartClient("client.log");
    ASSERT_TRUE(server->waitForOutput("<- LO:demo,demo1234", 20s))
        << server->output() << client->output();
    EXPECT_TRUE(server->waitForOutput("<- GC:", 10s)) << server->output();
    // While it runs, it tells outside programs where to find it (once its window is drawn).
    EXPECT_TRUE(sandbox.Published(*client));
    EXPECT_TRUE(Stored(RegistrySection::Key, "HWND").has_value());

    // A second start ends at once and silently; the first keeps running.
    auto second = StartClient("second.log");
    EXPECT_EQ(second->waitForExit(20s), 0);
    EXPECT_TRUE(client->running());

    // SIGTERM ends it as the exit command does: "LX:" and the settings written.
    client->signal(SIGTERM);
    EXPECT_EQ(client->waitForExit(20s), 0) << client->output();
    EXPECT_TRUE(server->waitForOutput("<- LX:", 10s)) << server->output();
    EXPECT_FALSE(Stored(RegistrySection::Key, "PID").has_value());
    EXPECT_FALSE(Stored(RegistrySection::Key, "HWND").has_value());
    EXPECT_TRUE(Stored(RegistrySection::Key, "PATH").has_value());
    EXPECT_EQ(Stored(RegistrySection::Option, "AutoLogin").value_or(""), "1");
}

// The sign-in lists: the group list brings the partner list request, the partner list the
// balance request, which only a completed sign-in (state 2) sends.
TEST_F(ClientEndToEnd, SignInListsCompleteTheSignIn) {
    PrepareAutoLogin("demo", "demo1234");
    auto client = StartClient("client.log");
    ASSERT_TRUE(server->waitForOutput("-> GR:1,가족/2,친구/3,회사/", 20s)) << server->output();
    EXPECT_TRUE(server->waitForOutput("<- AC:", 10s)) << server->output();
    EXPECT_TRUE(server->waitForOutput("-> AC:1,엄마,", 10s)) << server->output();
    EXPECT_TRUE(server->waitForOutput("<- RC:", 10s)) << server->output() << client->output();
    EXPECT_TRUE(server->waitForOutput("-> RV:25", 10s)) << server->output();
    client->signal(SIGTERM);
    EXPECT_EQ(client->waitForExit(20s), 0) << client->output();
    EXPECT_TRUE(server->waitForOutput("<- LX:", 10s)) << server->output();
}

// kestrovane-send finds the running program through "HWND" and hands it a message; with no
// program running it reports that there is nowhere to deliver to.
TEST_F(ClientEndToEnd, SendToolDeliversToTheRunningProgram) {
    PrepareAutoLogin("demo", "demo1234");
    const std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", (root / "config").string()}};
    {
        test::ChildProcess before(KV_SEND, {"0", "1001:x"}, env, (root / "before.log").string());
        EXPECT_EQ(before.waitForExit(10s), 1) << before.output();
    }
    auto client = StartClient("client.log");
    ASSERT_TRUE(server->waitForOutput("<- RC:", 20s)) << server->output() << client->output();
    ASSERT_TRUE(sandbox.Published(*client)) << client->output();
    test::ChildProcess send(KV_SEND, {"0", "1001:안녕"}, env, (root / "send.log").string());
    EXPECT_EQ(send.waitForExit(10s), 0) << send.output();
    test::ChildProcess wrong(KV_SEND, {"zero", "1001:x"}, env, (root / "wrong.log").string());
    EXPECT_EQ(wrong.waitForExit(10s), 2) << wrong.output();
    EXPECT_TRUE(client->running());
    client->signal(SIGTERM);
    EXPECT_EQ(client->waitForExit(20s), 0) << client->output();
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// The update check as it runs in the real program: the network module is loaded for the
// download, and a newer listed version hands over to the updater beside the program.
TEST(ClientUpdateCheck, NewerVersionStartsTheUpdaterWithTheRunningVersion) {
    const fs::path root =
        fs::temp_directory_path() / ("kv-e2e-update-" + std::to_string(::getpid()));
    const fs::path app = root / "app";
    fs::create_directories(app);
    fs::create_directories(root / "runtime");
    fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    const fs::path built = fs::path(KV_CLIENT).parent_path();
    fs::copy_file(KV_CLIENT, app / "kestrovane");
    for (const char* module : {"libkestrovane-net.so", "libkestrovane-media.so"})
        fs::copy_file(built / module, app / module);
    {
        std::ofstream updater(app / "AutoUpgrade");
        updater << "#!/bin/sh\necho \"$@\" > '" << (root / "updater-args").string() << "'\n";
    }
    fs::permissions(app / "AutoUpgrade", fs::perms::owner_all, fs::perm_options::replace);

    test::DevServerProcess server(KV_DEVSERVER, {"--update-version", "2.0.0.0"},
                                  (root / "server.log").string());
    ASSERT_TRUE(server.waitListening()) << server.output();

    test::ChildProcess client(
        (app / "kestrovane").string(), {},
        {{"QT_QPA_PLATFORM", "offscreen"},
         {"XDG_CONFIG_HOME", (root / "config").string()},
         {"XDG_RUNTIME_DIR", (root / "runtime").string()},
         {"KESTROVANE_WEB_ROOT", "http://127.0.0.1:" + std::to_string(server.webPort())}},
        (root / "client.log").string());
    EXPECT_EQ(client.waitForExit(30s), 0) << client.output();
    // The updater was started detached; give it its moment to write.
    std::string args;
    for (int i = 0; i < 250 && args.empty(); ++i) {
        std::ifstream in(root / "updater-args");
        std::getline(in, args);
        if (args.empty())
            std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(args, "1.0.1.2");
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

}  // namespace
}  // namespace kv
