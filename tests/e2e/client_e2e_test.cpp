// The real programs together: kestrovane-devserver and kestrovane, each a process of its own,
// with settings in a temporary configuration folder.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <regex>

#include "app/settings_store.h"
#include "platform/posix/ini_registry.h"
#include "support/child_process.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class ClientEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("kv-e2e-" + std::to_string(::getpid()));
        fs::create_directories(root / "config" / "Kestrovane");
        fs::create_directories(root / "runtime");
        fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        server = std::make_unique<test::ChildProcess>(
            KV_DEVSERVER, std::vector<std::string>{"--chat-port", "0", "--http-port", "0", "--verbose"},
            std::map<std::string, std::string>{}, (root / "server.log").string());
        ASSERT_TRUE(server->waitForOutput("listening on", 10s)) << server->output();
        std::smatch m;
        const std::string log = server->output();
        ASSERT_TRUE(std::regex_search(log, m, std::regex("listening on ([0-9.]+):([0-9]+)")));
        serverAddress = m[1].str() + ":" + m[2].str();
    }

    void TearDown() override {
        server.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Settings as a member who chose automatic sign-in would have them.
    void PrepareAutoLogin(const std::string& id, const std::string& password) {
        test::ChildProcess tool(KV_DEMO_SETTINGS, {(root / "config").string(), id, password}, {},
                                (root / "settings.log").string());
        ASSERT_EQ(tool.waitForExit(10s), 0) << tool.output();
    }

    std::unique_ptr<test::ChildProcess> StartClient(const std::string& logName) {
        return std::make_unique<test::ChildProcess>(
            KV_CLIENT, std::vector<std::string>{"/noau"},
            std::map<std::string, std::string>{
                {"QT_QPA_PLATFORM", "offscreen"},
                {"XDG_CONFIG_HOME", (root / "config").string()},
                {"XDG_RUNTIME_DIR", (root / "runtime").string()},
                {"KESTROVANE_SERVER", serverAddress},
            },
            (root / logName).string());
    }

    std::optional<std::string> Stored(RegistrySection section, const char* name) {
        IniRegistry ini((root / "config" / "Kestrovane" / "Kestrovane.ini").string());
        return ini.read(section, name);
    }

    fs::path root;
    std::unique_ptr<test::ChildProcess> server;
    std::string serverAddress;
};

TEST_F(ClientEndToEnd, SignsInRunsOnceAndEndsCleanlyOnTerm) {
    PrepareAutoLogin("demo", "demo1234");
    auto client = StartClient("client.log");
    ASSERT_TRUE(server->waitForOutput("<- LO:demo,demo1234", 20s)) << server->output()
                                                                   << client->output();
    EXPECT_TRUE(server->waitForOutput("<- GC:", 10s)) << server->output();
    // While it runs, it tells outside programs where to find it.
    EXPECT_TRUE(Stored(RegistrySection::Key, "PID").has_value());
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

}  // namespace
}  // namespace kv
