#include "core/posix/xdg_autorun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/cp949.h"
#include "core/posix/xdg_paths.h"
#include "support/temp_config_home.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::TempConfigHome;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(XdgPathsTest, ConfigHomeFollowsTheBaseDirectoryRules) {
    struct Case {
        const char* xdg;
        const char* home;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"/x/config", "/home/u", "/x/config"},
        {"/x/config/", "/home/u", "/x/config"},
        {nullptr, "/home/u", "/home/u/.config"},
        {"", "/home/u/", "/home/u/.config"},
        {"relative/dir", "/home/u", "/home/u/.config"},
        {nullptr, "/", "/.config"},
        {nullptr, nullptr, std::nullopt},
        {"", "", std::nullopt},
        {"rel", nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " / " +
                     (c.home ? c.home : "(unset)"));
        EXPECT_EQ(xdgConfigHome(c.xdg, c.home), c.expected);
    }
}

TEST(XdgPathsTest, SettingsAndAutostartFiles) {
    EXPECT_EQ(settingsFilePath("/c", "/h"), "/c/Kestrovane/Kestrovane.ini");
    EXPECT_EQ(settingsFilePath(nullptr, "/h"), "/h/.config/Kestrovane/Kestrovane.ini");
    EXPECT_EQ(autostartFilePath("/c", "/h"), "/c/autostart/Kestrovane.desktop");
    EXPECT_EQ(autostartFilePath(nullptr, "/h"), "/h/.config/autostart/Kestrovane.desktop");
    EXPECT_EQ(autostartFilePath(nullptr, nullptr), std::nullopt);

    TempConfigHome home;
    EXPECT_EQ(currentAutostartFilePath(), (home.root() / "autostart/Kestrovane.desktop").string());
    EXPECT_EQ(currentSettingsFilePath(), (home.root() / "Kestrovane/Kestrovane.ini").string());
}

TEST(DesktopExecTest, QuotesAndEscapesOnlyWhereNeeded) {
    struct Case {
        std::string path;
        std::string value;
    };
    const Case cases[] = {
        {"/usr/bin/kestrovane", "/usr/bin/kestrovane"},
        {"/opt/my app/kestrovane", "\"/opt/my app/kestrovane\""},
        {"/opt/a$b", "\"/opt/a\\\\$b\""},
        {"/opt/q\"x", "\"/opt/q\\\\\"x\""},
        {"/opt/back\\slash", "\"/opt/back\\\\\\\\slash\""},
        {"/opt/100%", "/opt/100%%"},
        {"/opt/(x)", "\"/opt/(x)\""},
        {"/opt/\xED\x95\x9C", "/opt/\xED\x95\x9C"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(desktopExecValue(c.path), c.value) << c.path;
}

class XdgAutoRunTest : public ::testing::Test {
protected:
    fs::path entry() const { return home.root() / "autostart" / "Kestrovane.desktop"; }
    TempConfigHome home;
};

TEST_F(XdgAutoRunTest, SetWritesADesktopEntryWithTheFullPath) {
    auto autoRun = XdgAutoRun::openDefault();
    ASSERT_EQ(fs::path(autoRun->entryPath()), entry());
    ASSERT_TRUE(autoRun->set("/opt/kestrovane/bin/kestrovane"));
    EXPECT_EQ(slurp(entry()),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Version=1.0\n"
              "Name=케스트로바네\n"
              "Name[en]=Kestrovane\n"
              "Exec=/opt/kestrovane/bin/kestrovane\n"
              "Icon=kestrovane\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(TempConfigHome::listing(entry().parent_path()),
              std::set<std::string>{"Kestrovane.desktop"});

    // Replaced, not appended to; the path arrives in CP949 and is written in UTF-8.
    ASSERT_TRUE(autoRun->set(cp949("/home/사용자/kestrovane")));
    const std::string text = slurp(entry());
    EXPECT_NE(text.find("\nExec=/home/\xEC\x82\xAC\xEC\x9A\xA9\xEC\x9E\x90/kestrovane\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("/opt/"), std::string::npos);
}

TEST_F(XdgAutoRunTest, ClearDeletesTheEntryAndIsHarmlessWithoutOne) {
    XdgAutoRun autoRun(entry().string());
    EXPECT_TRUE(autoRun.clear());
    ASSERT_TRUE(autoRun.set("/usr/bin/kestrovane"));
    ASSERT_TRUE(fs::exists(entry()));
    EXPECT_TRUE(autoRun.clear());
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_TRUE(autoRun.clear());
}

TEST_F(XdgAutoRunTest, FailuresAreReported) {
    // "autostart" taken by a file.
    std::ofstream(home.root() / "autostart") << "x";
    XdgAutoRun blocked(entry().string());
    EXPECT_FALSE(blocked.set("/usr/bin/kestrovane"));
    EXPECT_FALSE(blocked.clear());

    XdgAutoRun nowhere("");
    EXPECT_FALSE(nowhere.set("/usr/bin/kestrovane"));
    EXPECT_FALSE(nowhere.clear());
    XdgAutoRun noPath((home.root() / "other.desktop").string());
    EXPECT_FALSE(noPath.set(""));
}

}  // namespace
}  // namespace kv
