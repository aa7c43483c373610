#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "core/ports/instance_lock.h"
#include "core/service/service_addresses.h"
#include "core/service/window_snap.h"

namespace kv {
namespace {

TEST(ServerAddress, HostOrHostAndPort) {
    EXPECT_EQ(parseServerAddress("", "10.0.0.1", 8000), (ServerAddress{"10.0.0.1", 8000}));
    EXPECT_EQ(parseServerAddress("chat.example", "x", 8000), (ServerAddress{"chat.example", 8000}));
    EXPECT_EQ(parseServerAddress("127.0.0.1:9001", "x", 8000), (ServerAddress{"127.0.0.1", 9001}));
    EXPECT_EQ(parseServerAddress(" [::1]:9002 ", "x", 8000), (ServerAddress{"::1", 9002}));
    EXPECT_EQ(parseServerAddress("[::1]", "x", 8000), (ServerAddress{"::1", 8000}));
    EXPECT_EQ(parseServerAddress("::1", "x", 8000), (ServerAddress{"::1", 8000}));
    // An unreadable port keeps the default rather than connecting somewhere odd.
    EXPECT_EQ(parseServerAddress("h:abc", "x", 8000), (ServerAddress{"h", 8000}));
    EXPECT_EQ(parseServerAddress("h:70000", "x", 8000), (ServerAddress{"h", 8000}));
    EXPECT_EQ(parseServerAddress(":9000", "x", 8000), (ServerAddress{"x", 8000}));
}

TEST(ServerAddress, WebRootFromTheEnvironmentWithoutTrailingSlash) {
    ::setenv("KESTROVANE_WEB_ROOT", "http://web.test:81//", 1);
    EXPECT_EQ(ServiceWebRoot(), "http://web.test:81");
    ::unsetenv("KESTROVANE_WEB_ROOT");
    EXPECT_FALSE(ServiceWebRoot().empty());
    EXPECT_NE(ServiceWebRoot().back(), '/');
}

TEST(WindowSnap, EdgesWithinTenPixelsSnapFromEitherSide) {
    const Rect area{0, 0, 1000, 700};
    EXPECT_EQ(SnapToEdges({8, 300, 200, 300}, area), (Point{0, 300}));
    EXPECT_EQ(SnapToEdges({-10, 300, 200, 300}, area), (Point{0, 300}));
    EXPECT_EQ(SnapToEdges({11, 300, 200, 300}, area), (Point{11, 300}));
    EXPECT_EQ(SnapToEdges({795, 395, 200, 300}, area), (Point{800, 400}));  // right and bottom
    EXPECT_EQ(SnapToEdges({500, 25, 200, 300}, {0, 30, 1000, 670}), (Point{500, 30}));
}

TEST(InstanceLock, PathPrefersTheRuntimeFolder) {
    EXPECT_EQ(instanceLockPath("Kestrovane Running", "/", "/tmp", 1000),
              "//Kestrovane Running.lock");
    EXPECT_EQ(instanceLockPath("L", nullptr, nullptr, 42), "/tmp/kestrovane-42/L.lock");
    EXPECT_EQ(instanceLockPath("L", "/no/such/dir", "/tmp", 7), "/tmp/kestrovane-7/L.lock");
}

TEST(InstanceLock, OneHolderAcrossProcessesUntilItEnds) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("kv-lock-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);

    auto childTries = [] {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const auto attempt = acquireInstanceLock("Kestrovane Running");
            ::_exit(attempt.result == LockResult::Acquired ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WEXITSTATUS(status) == 0;
    };
    {
        auto held = acquireInstanceLock("Kestrovane Running");
        ASSERT_EQ(held.result, LockResult::Acquired);
        EXPECT_FALSE(childTries());  // a second instance finds it held
    }
    EXPECT_TRUE(childTries());  // released with its holder
    ::unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kv
