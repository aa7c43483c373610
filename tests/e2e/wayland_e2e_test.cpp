// The real program in a Wayland session, under a headless compositor that also offers an X
// display (XWayland): it runs on X by itself, and on Wayland when the member asks for it.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

#include "support/child_process.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::optional<std::string> FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0)
            return dir + "/" + name;
    return std::nullopt;
}

std::string Maps(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits until the process maps a library whose name holds `library`.
bool WaitForMapped(test::ChildProcess& process, const std::string& library,
                   std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline && process.running()) {
        if (Maps(process.pid()).find(library) != std::string::npos)
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

class WaylandSession : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<std::string> weston = FindProgram("weston");
        if (!weston || !FindProgram("Xwayland"))
            GTEST_SKIP() << "weston or Xwayland is missing (Debian packages weston, xwayland, "
                            "qt6-wayland); the Wayland session is not tried";
        ::unsetenv("QT_QPA_PLATFORM");
        root = fs::temp_directory_path() / ("kv-wayland-" + std::to_string(::getpid()));
        fs::create_directories(root / "config");
        fs::create_directories(root / "runtime");
        fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        // XWayland puts its socket here; the folder may not exist on a machine that never ran
        // an X server.
        if (::mkdir("/tmp/.X11-unix", 01777) == 0)
            ::chmod("/tmp/.X11-unix", 01777);
        socketName = "kv-wayland-" + std::to_string(::getpid());
        compositor = std::make_unique<test::ChildProcess>(
            *weston,
            std::vector<std::string>{"--backend=headless-backend.so", "--xwayland",
                                     "--socket=" + socketName, "--idle-time=0"},
            std::map<std::string, std::string>{{"XDG_RUNTIME_DIR", (root / "runtime").string()}},
            (root / "weston.log").string());
        ASSERT_TRUE(compositor->waitForOutput("xserver listening on display", 20s))
            << compositor->output();
        std::smatch m;
        const std::string log = compositor->output();
        ASSERT_TRUE(std::regex_search(log, m, std::regex("listening on display (:[0-9]+)")));
        xDisplay = m[1].str();
    }

    void TearDown() override {
        client.reset();
        compositor.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    void StartClient(std::map<std::string, std::string> extra) {
        std::map<std::string, std::string> env{
            {"XDG_SESSION_TYPE", "wayland"},
            {"WAYLAND_DISPLAY", socketName},
            {"XDG_RUNTIME_DIR", (root / "runtime").string()},
            {"XDG_CONFIG_HOME", (root / "config").string()},
            {"DISPLAY", xDisplay},
        };
        for (auto& [k, v] : extra)
            env[k] = v;
        // On Wayland, Qt sets up Mesa's EGL driver, which keeps one-time allocations for the
        // life of the process and is unloaded at its end. A leak check (tests/lsan.supp names
        // the EGL library) can only tell whose they are from a full stack: the driver keeps no
        // frame pointers for the fast unwinder.
        if (const char* lsan = std::getenv("LSAN_OPTIONS"))
            env["LSAN_OPTIONS"] = std::string(lsan) + ":fast_unwind_on_malloc=0";
        client = std::make_unique<test::ChildProcess>(KV_CLIENT, std::vector<std::string>{"/noau"},
                                                      env, (root / "client.log").string());
    }

    // Ends the client the way the desktop does, once its main window exists (it publishes its
    // settings then, and handles the signal from that moment on).
    void EndClient() {
        const fs::path settings = root / "config" / "Kestrovane" / "Kestrovane.ini";
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!fs::exists(settings) && client->running() &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(50ms);
        ASSERT_TRUE(fs::exists(settings)) << client->output();
        client->signal(SIGTERM);
        EXPECT_EQ(client->waitForExit(15s), 0) << client->output();
    }

    fs::path root;
    std::string socketName;
    std::string xDisplay;
    std::unique_ptr<test::ChildProcess> compositor;
    std::unique_ptr<test::ChildProcess> client;
};

TEST_F(WaylandSession, WithXWaylandTheProgramRunsOnX) {
    StartClient({});
    ASSERT_TRUE(WaitForMapped(*client, "libqxcb.so", 30s)) << client->output();
    EXPECT_EQ(Maps(client->pid()).find("libqwayland"), std::string::npos);
    EndClient();
}

TEST_F(WaylandSession, TheMembersChoiceOfWaylandIsRespected) {
    StartClient({{"QT_QPA_PLATFORM", "wayland"}});
    ASSERT_TRUE(WaitForMapped(*client, "libqwayland-generic.so", 30s)) << client->output();
    EXPECT_EQ(Maps(client->pid()).find("libqxcb.so"), std::string::npos);
    EndClient();
}

TEST_F(WaylandSession, WithoutAnXDisplayItRunsOnWaylandAndSaysSo) {
    StartClient({{"DISPLAY", ""}});
    ASSERT_TRUE(WaitForMapped(*client, "libqwayland-generic.so", 30s)) << client->output();
    EXPECT_TRUE(client->waitForOutput("window positions are left to the compositor", 5s))
        << client->output();
    EndClient();
}

}  // namespace
}  // namespace kv
