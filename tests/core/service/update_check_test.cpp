#include "core/service/update_check.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/base/errors.h"
#include "support/fake_http_get.h"
#include "support/fake_process_launcher.h"

namespace kv {
namespace {

using test::FakeHttpGet;
using test::FakeProcessLauncher;

TEST(CommaField, FollowsThePositionArithmetic) {
    struct Case {
        std::string_view text;
        int n;
        std::string_view field;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"1.0.2,", 1, "1.0.2"},
             {"1.0.2,setup.zip,2048", 1, "1.0.2"},
             {"1.0.2,setup.zip,2048", 2, "setup.zip"},
             // A field with no "," after it is empty.
             {"1.0.2,setup.zip,2048", 3, ""},
             {"1.0.2", 1, ""},
             {"", 1, ""},
             {",", 1, ""},
             {",x,", 2, "x"},
             {"a,,b,", 2, ""},
             // Once the commas run out, the search starts again at the beginning.
             {"a,b", 3, "a"},
             {"a,b,", 4, "a"},
             {"a,b", 0, ""},
             {"a,b", -1, ""},
         }) {
        EXPECT_EQ(CommaField(c.text, c.n), c.field) << '"' << c.text << "\" n=" << c.n;
    }
}

TEST(CompareVersion, OneOnlyWhenTheListedVersionIsNewer) {
    struct Case {
        std::string_view listed;
        int result;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"1.0.1.10", 1},
             {"2.0.0.0", 1},
             {"1.0.1.3", 1},
             {"1.1.0.0", 1},
             {"1.0.1.2", 0},
             {"1.0.1.1", 0},
             {"0.9.9.9", 0},
             {"1.0.0.99", 0},
             // Decided before the missing fourth part is reached.
             {"1.0.2", 1},
             {"1.0.0", 0},
             {"2", 1},
             {"0", 0},
             // Numbers, not text: leading zeros and blanks as the integer reader allows.
             {"01.00.01.002", 0},
             {"1. 0.1.3", 1},
         }) {
        EXPECT_EQ(CompareVersion("1.0.1.2", c.listed), c.result) << c.listed;
    }
}

TEST(CompareVersion, AReachedPartThatIsNoIntegerIsAConversionError) {
    for (std::string_view listed : {"1.0.1", "", "1.0.1.", "1.0.1.x", "1..1.2", "x.0.1.2",
                                    "1.0.1.2 ", "v1.0.1.3", "1.0.1.0x3"}) {
        EXPECT_THROW(CompareVersion("1.0.1.2", listed), ConvertError) << '"' << listed << '"';
    }
    // The current version's part is just as strict.
    EXPECT_THROW(CompareVersion("1.0.1", "1.0.1.2"), ConvertError);
    // Equal as far as both go, then stops at the first unequal part.
    EXPECT_EQ(CompareVersion("1.0.x", "1.1.y"), 1);
}

TEST(CompareVersion, ErrorTextNamesTheListedPartFirst) {
    try {
        CompareVersion("1.0.x.2", "1.0.y.2");
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'y' is not a valid integer value");
    }
    try {
        CompareVersion("1.0.1.2", "1.0.1");
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
}

TEST(CompareVersion, ExtraPartsStayWithTheFourth) {
    EXPECT_EQ(CompareVersion("1.0.1.2", "2.0.0.0.1"), 1);
    EXPECT_EQ(CompareVersion("1.0.1.2", "1.0.0.9.9"), 0);
    EXPECT_THROW(CompareVersion("1.0.1.2", "1.0.1.2.1"), ConvertError);
    EXPECT_THROW(CompareVersion("1.0.1.2", "1.0.1.3.0"), ConvertError);
}

TEST(DecideUpdate, ReadsOnlyTheFirstLine) {
    EXPECT_EQ(DecideUpdate(""), UpdateDecision::NothingNewer);
    EXPECT_EQ(DecideUpdate("1.0.1.2,"), UpdateDecision::NothingNewer);
    EXPECT_EQ(DecideUpdate("1.0.1.1,Kestrovane.exe,1234\r\n"), UpdateDecision::NothingNewer);
    EXPECT_EQ(DecideUpdate("1.0.1.10,Kestrovane.exe\r\nrest"), UpdateDecision::HandOver);
    EXPECT_EQ(DecideUpdate("2.0.0.0,\n"), UpdateDecision::HandOver);
    EXPECT_EQ(DecideUpdate("2.0.0.0,\rjunk"), UpdateDecision::HandOver);
    EXPECT_EQ(DecideUpdate("1.0.2,"), UpdateDecision::HandOver);
    // Later lines are never looked at, however they look.
    EXPECT_EQ(DecideUpdate("1.0.1.2,\r\n9.9.9.9,\r\n\xff\xfe"), UpdateDecision::NothingNewer);
    // A line break inside the version field ends the line first.
    EXPECT_THROW(DecideUpdate("1.0.1.3\r\n,"), ConvertError);
    EXPECT_EQ(DecideUpdate("1.0.2,", "1.0.3.0"), UpdateDecision::NothingNewer);
}

TEST(DecideUpdate, UnreadableFirstLinesAreConversionErrors) {
    for (std::string_view body : {
             std::string_view("1.0.1.3"),       // no ","
             std::string_view("1.0.1.3\r\n"),   // no "," on the first line
             std::string_view("\r\n1.0.1.3,"),  // empty first line
             std::string_view("1.0.1,"),
             std::string_view("<html><body>Not here</body></html>"),
             std::string_view("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
             std::string_view("\0\0,\0", 4),
         }) {
        EXPECT_THROW(DecideUpdate(body), ConvertError) << testing::PrintToString(body);
    }
}

TEST(DecideUpdate, AHugeBodyIsDecidedOnItsFirstLine) {
    std::string body = "1.0.1.3,\r\n" + std::string(8 * 1024 * 1024, 'z');
    EXPECT_EQ(DecideUpdate(body), UpdateDecision::HandOver);
    std::string oneLine(4 * 1024 * 1024, '9');
    EXPECT_THROW(DecideUpdate(oneLine), ConvertError);
    try {
        DecideUpdate(oneLine + ",");
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_LT(std::string_view(e.what()).size(), 120u);
    }
}

TEST(UpdateServerRoot, UpdateRootThenWebRootThenBuiltIn) {
    EXPECT_EQ(UpdateServerRoot("http://u:1", "http://w:2", "http://d:3"), "http://u:1");
    EXPECT_EQ(UpdateServerRoot("", "http://w:2", "http://d:3"), "http://w:2");
    EXPECT_EQ(UpdateServerRoot("", "", "http://d:3"), "http://d:3");
    EXPECT_EQ(UpdateServerRoot("http://u:1/", "", "http://d:3"), "http://u:1");
    EXPECT_EQ(UpdateServerRoot("", "http://w:2/base//", ""), "http://w:2/base");
    EXPECT_EQ(UpdateListUrl("http://u:1"), "http://u:1/kestrovane/filelist.txt");
    EXPECT_EQ(UpdateListUrl(UpdateServerRoot("", "", "http://d:3/")),
              "http://d:3/kestrovane/filelist.txt");
}

TEST(UpdateServerRoot, ReadsTheEnvironment) {
    ::setenv("KESTROVANE_UPDATE_ROOT", "http://update.test:81/", 1);
    ::setenv("KESTROVANE_WEB_ROOT", "http://web.test:82", 1);
    EXPECT_EQ(UpdateServerRoot(), "http://update.test:81");
    ::setenv("KESTROVANE_UPDATE_ROOT", "", 1);
    EXPECT_EQ(UpdateServerRoot(), "http://web.test:82");
    ::unsetenv("KESTROVANE_UPDATE_ROOT");
    ::unsetenv("KESTROVANE_WEB_ROOT");
    const std::string builtIn = UpdateServerRoot();
    EXPECT_FALSE(builtIn.empty());
    EXPECT_NE(builtIn.back(), '/');
}

TEST(UpdaterPath, BesideTheProgramNeverOnTheSearchPath) {
    EXPECT_EQ(UpdaterPath("/opt/kv"), "/opt/kv/AutoUpgrade");
    EXPECT_EQ(UpdaterPath("/opt/kv/"), "/opt/kv/AutoUpgrade");
    EXPECT_EQ(UpdaterPath("C:\\Kestrovane\\"), "C:\\Kestrovane\\AutoUpgrade");
    EXPECT_EQ(UpdaterPath(""), "./AutoUpgrade");
}

class RunUpdateCheckTest : public testing::Test {
protected:
    bool run(std::vector<std::string> args) {
        return RunUpdateCheck(http, launcher, "/opt/kv", args,
                              "http://h:1/kestrovane/filelist.txt");
    }
    FakeHttpGet http;
    FakeProcessLauncher launcher;
};

TEST_F(RunUpdateCheckTest, NewerVersionStartsTheUpdaterWithTheRunningVersion) {
    http.body = "1.0.1.10,Kestrovane.exe\r\n";
    EXPECT_TRUE(run({}));
    ASSERT_EQ(http.requests.size(), 1u);
    EXPECT_EQ(http.requests[0].url, "http://h:1/kestrovane/filelist.txt");
    EXPECT_EQ(http.requests[0].bound, std::chrono::milliseconds(15000));
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program, "/opt/kv/AutoUpgrade");
    EXPECT_EQ(launcher.starts[0].argument, "1.0.1.2");
}

TEST_F(RunUpdateCheckTest, AFailedUpdaterStartStillEndsTheProgram) {
    http.body = "2.0.0.0,";
    launcher.succeed = false;
    EXPECT_TRUE(run({"/other"}));
    EXPECT_EQ(launcher.starts.size(), 1u);
}

TEST_F(RunUpdateCheckTest, NothingNewerOrEmptyStartsNothing) {
    for (const char* body : {"", "1.0.1.2,", "1.0.0.9,\r\n2.0.0.0,"}) {
        http.body = body;
        EXPECT_FALSE(run({})) << body;
    }
    EXPECT_EQ(http.requests.size(), 3u);
    EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(RunUpdateCheckTest, NoauAsFirstArgumentMakesNoRequest) {
    http.body = "2.0.0.0,";
    EXPECT_FALSE(run({"/noau"}));
    EXPECT_FALSE(run({"/noau", "x"}));
    EXPECT_TRUE(http.requests.empty());
    EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(RunUpdateCheckTest, OnlyTheExactSwitchInFirstPlaceCounts) {
    http.body = "2.0.0.0,";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"/NOAU"},
                                                 {"/Noau"},
                                                 {"/noau "},
                                                 {"noau"},
                                                 {"-noau"},
                                                 {"x", "/noau"}}) {
        EXPECT_TRUE(run(args)) << args.front();
    }
    EXPECT_EQ(http.requests.size(), 6u);
    EXPECT_EQ(launcher.starts.size(), 6u);
}

TEST_F(RunUpdateCheckTest, ErrorsReachTheCallerAndStartNothing) {
    http.error = "HTTP GET failed: the server answered 404 Not Found";
    EXPECT_THROW(run({}), HttpError);
    http.error.reset();
    http.body = "1.0.1.3";
    EXPECT_THROW(run({}), ConvertError);
    http.body = "1.0.1,";
    EXPECT_THROW(run({}), ConvertError);
    EXPECT_TRUE(launcher.starts.empty());
}

}  // namespace
}  // namespace kv
