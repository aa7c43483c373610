// Start-up on a real X server (Xvfb, the xcb platform) maps no OpenGL or EGL driver: the
// browser engine's shared OpenGL context belongs to the web host, started with the first page.
// On an X desktop that context alone loads the GL driver (tens of MiB, a tenth of a second)
// for a page most runs never open. Skipped where Xvfb is missing.

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "support/child_process.h"
#include "support/x_desktop.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The OpenGL and EGL implementations among what a process has mapped: the GL driver and what
// loads it (Mesa's GLX and EGL vendors, the DRI drivers, LLVM, Qt's GL integration plugins and
// Qt OpenGL). The vendor-neutral dispatch stubs (libEGL, libGLX, libOpenGL, libGLdispatch) are
// not counted: Qt Gui itself links them, so every Qt program maps them, the bare one included,
// and nothing stands behind them until a context is made.
std::vector<std::string> glLibraries(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
    const std::regex gl(
        R"((_dri\.so|/libGLX_|/libEGL_|/libGL\.so|/libglapi|/libLLVM|/libgbm|/libdrm|/libxcb-glx|glintegrations/|egldeviceintegrations/|/libQt6OpenGL)[^/]*$)");
    std::vector<std::string> found;
    std::string line;
    while (std::getline(in, line)) {
        std::smatch m;
        if (std::regex_search(line, m, gl)) {
            const std::string path = line.substr(line.find('/'));
            if (std::find(found.begin(), found.end(), path) == found.end())
                found.push_back(path);
        }
    }
    return found;
}

std::string joined(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& s : v)
        out += "  " + s + "\n";
    return out;
}

class OnXServer : public ::testing::Test {
protected:
    void SetUp() override {
        desktop = std::make_unique<test::XDesktop>(false);
        if (!desktop->Ok())
            GTEST_SKIP() << "no X server for the xcb platform here: " << desktop->WhyNot();
        root = fs::temp_directory_path() / ("kv-nogl-" + std::to_string(::getpid()));
        fs::create_directories(root / "config");
        fs::create_directories(root / "runtime");
        fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::map<std::string, std::string> Environment() const {
        return {{"QT_QPA_PLATFORM", "xcb"},
                {"DISPLAY", desktop->Display()},
                {"XDG_CONFIG_HOME", (root / "config").string()},
                {"XDG_RUNTIME_DIR", (root / "runtime").string()}};
    }

    std::unique_ptr<test::XDesktop> desktop;
    fs::path root;
};

TEST_F(OnXServer, TheProgramMapsNoOpenGlLibraryBeforeAPageIsOpened) {
    test::MapWatch watch(desktop->Display());
    test::ChildProcess client(KV_CLIENT, {"/noau"}, Environment(), (root / "client.log").string());
    ASSERT_TRUE(watch.WaitForMapped(60s)) << "the main window was never mapped\n"
                                          << client.output();
    ASSERT_TRUE(client.running()) << client.output();
    const auto gl = glLibraries(client.pid());
    EXPECT_TRUE(gl.empty()) << "mapped before any page was opened:\n" << joined(gl);
}

// The check above can fail: the web host, which keeps the browser engine's shared context,
// maps the GL libraries as soon as its application object exists.
TEST_F(OnXServer, TheWebHostDoesMapThem) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    std::vector<std::string> args{KV_WEB_HOST, "--channel-fd", std::to_string(fds[1])};
    auto env = Environment();
    std::vector<std::string> extra;
    for (const auto& [k, v] : env)
        extra.push_back(k + "=" + v);
    extra.push_back("QTWEBENGINE_DISABLE_SANDBOX=1");
    const pid_t host = test::SpawnQuiet(args, extra, fds[1]);
    ::close(fds[1]);
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    std::vector<std::string> gl;
    while (gl.empty() && std::chrono::steady_clock::now() < deadline) {
        gl = glLibraries(host);
        if (gl.empty())
            std::this_thread::sleep_for(20ms);
    }
    ::close(fds[0]);  // the program goes: the host, with no window, ends
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 1000 && !ended; ++i) {
        ended = ::waitpid(host, &status, WNOHANG) == host;
        if (!ended)
            std::this_thread::sleep_for(20ms);
    }
    if (!ended)
        test::EndProcess(host);
    EXPECT_FALSE(gl.empty());
    EXPECT_TRUE(ended) << "the web host did not end when the program went";
}

}  // namespace
}  // namespace kv
