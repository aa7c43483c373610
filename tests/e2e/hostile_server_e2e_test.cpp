// The real program against a scripted chat server that misbehaves: thousands of random lines,
// an end requested while a line waits behind a message box, and kills at random moments
// around the writes of the settings file.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/base/cp949.h"
#include "core/posix/atomic_file.h"
#include "core/posix/ini_format.h"
#include "support/client_sandbox.h"
#include "support/scripted_server.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

#if defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#elif defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

std::string Address(const test::ScriptedServer& server) {
    return "127.0.0.1:" + std::to_string(server.port());
}

// Takes the program through the sign-in dialogue up to state 2.
void SignIn(test::ScriptedServer& server) {
    ASSERT_TRUE(server.accept(30s));
    ASSERT_TRUE(server.expectLine("LO:demo,demo1234", 30s)) << server.lastMismatch();
    server.sendLine("R:ak");
    ASSERT_TRUE(server.expectLine("GC:")) << server.lastMismatch();
    server.sendLine(cp949("GR:1,가족/2,친구/"));
    ASSERT_TRUE(server.expectLine("AC:")) << server.lastMismatch();
    server.sendLine(cp949("AC:1,엄마,01012345678,,1001,0/2,민수,01023456789,,1003,0/"));
    ASSERT_TRUE(server.expectLine("RC:")) << server.lastMismatch();
    server.sendLine("RV:25");
}

// The next line the program writes that is `wanted`, skipping the others (answers to the
// random lines); false when the bound passed or the connection ended first.
bool AwaitLine(test::ScriptedServer& server, const std::string& wanted,
               std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const std::optional<std::string> line = server.readLine(left);
        if (!line)
            return false;
        if (*line == wanted)
            return true;
    }
    return false;
}

// A random server line that must not end the connection: any bytes (lone CR and LF, zero
// bytes, broken double-byte text), long lines up to the limit, unknown commands and ports,
// lists outside the sign-in. Lines that would end it by their meaning (a refusal, "close", a
// number that is not one) are defused by a leading byte.
class LineGenerator {
public:
    explicit LineGenerator(unsigned seed) : random_(seed) {}

    std::string Next() {
        std::string line;
        switch (Pick(10)) {
            case 0: line = Bytes(Pick(40)); break;
            case 1: line = Pick(2) ? "\r" : "\n"; break;
            case 2: line = "H:1001:" + Bytes(Pick(60)); break;  // a known partner
            case 3: line = "H:" + Bytes(Pick(8)) + ":" + Bytes(Pick(80)); break;
            case 4: line = "active:" + Bytes(Pick(10)); break;
            case 5: line = std::string("\xB0\xA1\xB0", 3) + Bytes(Pick(5)) + "\xB0"; break;
            case 6: line = Pick(3) ? "GR:" + Bytes(Pick(50)) : "AC:" + Bytes(Pick(90)); break;
            case 7: line = "ZZ" + Bytes(Pick(8)) + ":" + Bytes(Pick(20)); break;
            case 8: line = std::string(Pick(3) ? 1 + Pick(4000) : kLimit, 'x'); break;
            default: line = "RV:" + std::to_string(static_cast<int>(random_())); break;
        }
        // CR LF inside would split the line; "\r\n" never occurs within one.
        for (std::size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n"))
            line[at + 1] = 'x';
        for (const char* ending : {"R:n", "close", "GG:", "P:"})
            if (line.rfind(ending, 0) == 0)
                line.insert(0, "x");
        if (line.rfind("RV:", 0) == 0 &&
            line.find_first_not_of("-0123456789", 3) != std::string::npos)
            line.insert(0, "x");
        return line.substr(0, kLimit);
    }

private:
    static constexpr std::size_t kLimit = 16384;
    unsigned Pick(unsigned n) { return static_cast<unsigned>(random_() % n); }
    std::string Bytes(unsigned n) {
        std::string s;
        for (unsigned i = 0; i < n; ++i)
            s += static_cast<char>(random_() & 0xFF);
        return s;
    }
    std::mt19937 random_;
};

class HostileServer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sandbox.PrepareAutoLogin(KV_DEMO_SETTINGS, "demo", "demo1234"), 0);
    }

    test::ClientSandbox sandbox{"hostile"};
    test::ScriptedServer server;
};

TEST_F(HostileServer, RandomLinesLeaveTheProgramRunningSignedInAndAnsweringPing) {
    auto client = sandbox.StartClient(KV_CLIENT, Address(server), "client.log");
    SignIn(server);
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    LineGenerator lines(seed);
    for (int i = 1; i <= 3000; ++i) {
        server.sendRaw(lines.Next() + "\r\n");
        if (i % 500 == 0) {
            // Still there and still reading: each "ping" is answered in turn.
            server.sendLine("ping");
            ASSERT_TRUE(AwaitLine(server, "pong", 30s)) << "after line " << i << "\n"
                                                        << client->output();
        }
    }
    EXPECT_TRUE(client->running());

    // A malformed number ends the connection, and only the connection.
    server.sendLine("RV:12x");
    EXPECT_TRUE(server.waitClientClosed(30s));
    EXPECT_TRUE(client->running());
    client->signal(SIGTERM);
    EXPECT_EQ(client->waitForExit(30s), 0) << client->output();
}

// The server shuts the program out while it signs in: the handler's message box holds the
// line after it back. Asked to end then, the program ends within a second and writes its
// settings (no "LX:": the connection was already given up with the "close").
TEST_F(HostileServer, EndingWhileALineWaitsBehindAMessageBox) {
    auto client = sandbox.StartClient(KV_CLIENT, Address(server), "client.log");
    ASSERT_TRUE(server.accept(30s));
    ASSERT_TRUE(server.expectLine("LO:demo,demo1234", 30s)) << server.lastMismatch();
    // Published once the window is drawn, which may be after the sign-in went out.
    ASSERT_TRUE(sandbox.Published(*client));
    server.sendLine("close");
    server.sendLine("R:ak");
    // The box is up: the "R:ak" behind it is not handled, so no "GC:" comes.
    EXPECT_TRUE(server.expectSilence(500ms)) << server.lastMismatch();

    const auto asked = std::chrono::steady_clock::now();
    client->signal(SIGTERM);
    const int code = client->waitForExit(10s);
    const auto took = std::chrono::steady_clock::now() - asked;
    EXPECT_EQ(code, 0) << client->output();
    EXPECT_LT(took, kSanitized ? 3s : 1s);  // the sanitizers slow the exit's own work down
    EXPECT_FALSE(sandbox.Stored(RegistrySection::Key, "PID").has_value());
    EXPECT_FALSE(sandbox.Stored(RegistrySection::Key, "HWND").has_value());
    EXPECT_EQ(sandbox.Stored(RegistrySection::Option, "AutoLogin").value_or(""), "1");
}

// The settings file killed around its writes: at start (the instance is published) and at the
// end (everything is written back). Whenever the kill comes, the file reads back whole as one
// of the complete writes, and the killed runs' temporary files do not pile up.
TEST_F(HostileServer, SettingsFileSurvivesKillsAroundItsWrites) {
    const std::string before = readSmallFile(sandbox.SettingsFile(), 1 << 20).bytes;
    ASSERT_TRUE(parseIni(before).has_value());
    const std::optional<std::string> userid = sandbox.Stored(RegistrySection::Option, "Userid");
    ASSERT_TRUE(userid.has_value());
    std::mt19937 random(std::random_device{}());
    const auto budget = std::chrono::steady_clock::now() + 60s;
    int runs = 0;
    for (; runs < 40 && std::chrono::steady_clock::now() < budget; ++runs) {
        auto client = sandbox.StartClient(KV_CLIENT, "127.0.0.1:1", "client.log");
        const bool atEnd = random() % 2;
        if (atEnd) {
            // Killed while it ends: SIGTERM once it has published itself, SIGKILL soon after.
            ASSERT_TRUE(sandbox.Published(*client));
            client->signal(SIGTERM);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 400000));
        client->signal(SIGKILL);
        client->waitForExit(10s);

        const FileContents file = readSmallFile(sandbox.SettingsFile(), 1 << 20);
        ASSERT_EQ(file.result, FileRead::Read) << "run " << runs;
        ASSERT_TRUE(!file.bytes.empty() && file.bytes.back() == '\n') << "run " << runs;
        const std::optional<IniDocument> document = parseIni(file.bytes);
        ASSERT_TRUE(document.has_value()) << "run " << runs;
        // The instance values come and go together, in one write.
        const bool pid = sandbox.Stored(RegistrySection::Key, "PID").has_value();
        EXPECT_EQ(sandbox.Stored(RegistrySection::Key, "HWND").has_value(), pid) << "run " << runs;
        EXPECT_EQ(sandbox.Stored(RegistrySection::Option, "AutoLogin").value_or(""), "1");
        EXPECT_EQ(sandbox.Stored(RegistrySection::Option, "Userid"), userid);
        std::size_t temporaries = 0;
        for (const auto& entry : fs::directory_iterator(sandbox.SettingsFile().parent_path()))
            temporaries += entry.path().filename() != "Kestrovane.ini";
        // At most the one the last killed run left; the next write clears it.
        EXPECT_LE(temporaries, 1u) << "run " << runs;
    }
    EXPECT_GE(runs, 5);
    // A run that ends normally leaves the file and nothing else.
    auto client = sandbox.StartClient(KV_CLIENT, "127.0.0.1:1", "last.log");
    ASSERT_TRUE(sandbox.Published(*client));
    client->signal(SIGTERM);
    EXPECT_EQ(client->waitForExit(30s), 0) << client->output();
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator(sandbox.SettingsFile().parent_path()))
        ++files;
    EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace kv
