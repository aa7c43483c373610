#include "core/posix/posix_line_socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "core/base/errors.h"
#include "support/scripted_server.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;

struct Connected {
    ScriptedServer server;
    PosixLineSocket client;
    Connected() {
        client.connect("127.0.0.1", server.port(), {});
        EXPECT_TRUE(server.accept());
    }
};

TEST(PosixLineSocket, SplitAndMergedReadsGiveWholeLines) {
    Connected c;
    c.server.sendRaw("RV:");
    c.server.sendRaw("1\r");
    c.server.sendRaw("\nH:1:a\r\nH:2:b\r\n");
    EXPECT_EQ(c.client.readLine(5000ms), "RV:1");
    EXPECT_EQ(c.client.readLine(5000ms), "H:1:a");
    EXPECT_EQ(c.client.readLine(5000ms), "H:2:b");
}

TEST(PosixLineSocket, OnlyCrLfEndsALineAndAnyByteIsContent) {
    Connected c;
    const std::string odd("a\rb\nc\0d\xB0\xFF", 10);
    c.server.sendRaw(odd + "\r\n\r\n");
    EXPECT_EQ(c.client.readLine(5000ms), odd);
    EXPECT_EQ(c.client.readLine(5000ms), "");
}

TEST(PosixLineSocket, TimedOutReadKeepsThePartialLine) {
    Connected c;
    c.server.sendRaw("RV:1");
    EXPECT_EQ(c.client.readLine(30ms), std::nullopt);
    c.server.sendRaw("2\r");
    EXPECT_EQ(c.client.readLine(30ms), std::nullopt);
    c.server.sendRaw("\n");
    EXPECT_EQ(c.client.readLine(5000ms), "RV:12");
}

TEST(PosixLineSocket, LineOfTheLimitIsReadAndOneByteMoreIsAnError) {
    Connected c;
    const std::string longest(16384, 'x');
    c.server.sendRaw(longest + "\r\n");
    EXPECT_EQ(c.client.readLine(5000ms), longest);
    c.server.sendRaw(longest + "y\r\n");
    EXPECT_THROW(c.client.readLine(5000ms), NetError);
}

TEST(PosixLineSocket, OverLongLineFailsWithoutWaitingForItsEnd) {
    Connected c;
    c.server.sendRaw(std::string(20000, 'z'));  // no CR LF ever comes
    EXPECT_THROW(c.client.readLine(5000ms), NetError);
}

TEST(PosixLineSocket, ServerClosingMidLineIsAReadError) {
    Connected c;
    c.server.sendRaw("RV:1");
    c.server.close();
    EXPECT_THROW(c.client.readLine(5000ms), NetError);
}

TEST(PosixLineSocket, CloseAndInterruptWakeABlockedReader) {
    Connected c;
    std::atomic<int> outcome{0};
    std::thread reader([&] {
        try {
            auto line = c.client.readLine(LineSocket::kNoTimeout);
            outcome = line ? 1 : 2;
        } catch (const NetError&) {
            outcome = 3;
        }
    });
    std::this_thread::sleep_for(20ms);  // let it block; the result does not depend on it
    c.client.close();
    reader.join();
    EXPECT_EQ(outcome, 3);
    EXPECT_FALSE(c.client.connected());
    c.client.close();  // harmless twice
    EXPECT_THROW(c.client.writeLine("LX:"), NetError);

    Connected d;
    std::thread other([&] { outcome = d.client.readLine(LineSocket::kNoTimeout) ? 1 : 2; });
    d.client.interrupt();
    other.join();
    EXPECT_EQ(outcome, 2);
}

TEST(PosixLineSocket, WritingToAClosedPeerIsAnErrorNotASignal) {
    Connected c;
    c.server.close();
    // The first writes may still be taken by the kernel; one of them must fail, and the
    // process must survive it (no SIGPIPE).
    bool failed = false;
    for (int i = 0; i < 200 && !failed; ++i) {
        try {
            c.client.writeLine("pong");
        } catch (const NetError&) {
            failed = true;
        }
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(failed);
}

TEST(PosixLineSocket, LinesFromManyThreadsNeverInterleave) {
    Connected c;
    constexpr int kThreads = 4;
    constexpr int kLines = 300;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            const std::string body(3000 + t * 1000, static_cast<char>('a' + t));
            for (int n = 0; n < kLines; ++n)
                c.client.writeLine(body);
        });
    }
    std::multiset<char> seen;
    for (int n = 0; n < kThreads * kLines; ++n) {
        auto line = c.server.readLine(10s);
        ASSERT_TRUE(line);
        ASSERT_FALSE(line->empty());
        ASSERT_EQ(line->find_first_not_of(line->front()), std::string::npos) << "interleaved";
        ASSERT_EQ(line->size(), 3000u + (line->front() - 'a') * 1000u);
        seen.insert(line->front());
    }
    for (auto& w : writers)
        w.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(seen.count(static_cast<char>('a' + t)), static_cast<std::size_t>(kLines));
}

TEST(PosixLineSocket, RefusedConnectThrows) {
    int port = 0;
    {
        ScriptedServer gone;
        port = gone.port();
    }
    PosixLineSocket client;
    EXPECT_THROW(client.connect("127.0.0.1", port, {}), NetError);
}

}  // namespace
}  // namespace kv
