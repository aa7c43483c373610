// The framing fault matrix: scripted server bytes, written whole, split at every byte and one
// byte per write, through the POSIX socket adapter and the real receive thread. Each case
// states what the line handlers see and whether the connection ends.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "core/base/CommonUnit.h"
#include "core/base/errors.h"
#include "core/connection/vane.h"
#include "core/posix/posix_line_socket.h"
#include "support/manual_ui_thread.h"
#include "support/scripted_server.h"

namespace kv {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

struct Seen {
    std::string event;
    std::string msg;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os) {
    *os << s.event << "(" << ::testing::PrintToString(s.msg.substr(0, 40))
        << (s.msg.size() > 40 ? "... " + std::to_string(s.msg.size()) + " bytes" : "") << ")";
}

enum class End {
    StaysOpen,  // the client closes at the end
    Close,      // the server closes (FIN) once the handlers have seen the expected lines
    Reset,      // the server resets (RST) then
};

struct Case {
    const char* name;
    std::string bytes;
    End end;
    std::vector<Seen> expected;
    bool connectionEnds;  // a read error: the receive thread reports it and the state is 0
};

// The end of a case whose connection stays open: once this is handled, all before it was.
const std::string kSentinel = "active:end";

std::string Limit(std::size_t extra) {
    return "H:1:" + std::string(kMaxLineLength - 4 + extra, 'x');
}

std::vector<Case> Cases() {
    return {
        {"ordinary lines",
         "R:ak\r\nH:12:x:y\r\nRV:5\r\n",
         End::StaysOpen,
         {{"LoginOk", "R:ak"}, {"Message", "H:12:x:y"}, {"Money", "RV:5"}},
         false},
        {"CP949 double bytes",
         "H:1:\xB0\xA1\xB3\xAA<br>\xB4\xD9\r\nGR:1,\xB0\xA1/\r\n",
         End::StaysOpen,
         {{"Message", "H:1:\xB0\xA1\xB3\xAA<br>\xB4\xD9"}, {"GroupList", "GR:1,\xB0\xA1/"}},
         false},
        {"a lone LF or CR is content",
         "H:1:a\nb\r\nH:2:c\rd\r\nRV:1\r\r\nR:ak\r\r\nping\n\r\n",
         End::StaysOpen,
         {{"Message", "H:1:a\nb"}, {"Message", "H:2:c\rd"}, {"Money", "RV:1\r"}},
         false},
        {"NUL bytes are content",
         "H:1:a\0b\r\n\0R:ak\r\nR:ak\0\r\nRV:\0\r\n"s,
         End::StaysOpen,
         {{"Message", "H:1:a\0b"s}, {"Money", "RV:\0"s}},
         false},
        {"empty lines and blanks", "\r\n\r\n R:ak\r\nR:ak \r\n\t\r\n", End::StaysOpen, {}, false},
        {"a line of the limit",
         Limit(0) + "\r\nRV:2\r\n",
         End::StaysOpen,
         {{"Message", Limit(0)}, {"Money", "RV:2"}},
         false},
        {"a line one byte beyond the limit", Limit(1) + "\r\nRV:2\r\n", End::StaysOpen, {}, true},
        {"the server closes mid-line",
         "RV:5\r\nH:1:half a li",
         End::Close,
         {{"Money", "RV:5"}},
         true},
        {"the server closes between CR and LF",
         "RV:5\r\nRV:6\r",
         End::Close,
         {{"Money", "RV:5"}},
         true},
        {"the server resets after a line", "RV:5\r\n", End::Reset, {{"Money", "RV:5"}}, true},
        {"the server resets mid-line", "RV:5\r\nH:1:hal", End::Reset, {{"Money", "RV:5"}}, true},
    };
}

// How the server's bytes are cut into writes.
std::vector<std::vector<std::string>> Writings(const std::string& bytes) {
    std::vector<std::vector<std::string>> out{{bytes}};
    std::vector<std::size_t> cuts;
    if (bytes.size() <= 256) {
        for (std::size_t at = 1; at < bytes.size(); ++at)
            cuts.push_back(at);
        std::vector<std::string> single;
        for (char c : bytes)
            single.emplace_back(1, c);
        out.push_back(single);
    } else {
        // Long lines: at their start, around the limit (CR and LF of a line of the limit
        // included) and at their end.
        for (std::size_t at : {std::size_t{1}, std::size_t{4}, kMaxLineLength - 1, kMaxLineLength,
                               kMaxLineLength + 1, kMaxLineLength + 2, bytes.size() - 1})
            if (at > 0 && at < bytes.size())
                cuts.push_back(at);
    }
    for (std::size_t at : cuts)
        out.push_back({bytes.substr(0, at), bytes.substr(at)});
    return out;
}

class FramingMatrix : public ::testing::Test {
protected:
    struct Outcome {
        std::vector<Seen> seen;
        bool ended = false;
        int state = -1;
    };

    Outcome Run(const Case& c, const std::vector<std::string>& writes) {
        Outcome out;
        std::mutex mutex;
        std::atomic<bool> ended{false};
        auto vane = std::make_unique<TVANE>(ui, makePosixLineSocket);
        vane->Host = "127.0.0.1";
        vane->Port = server.port();
        auto record = [&](const char* event) {
            return [&, event] {
                std::lock_guard lock(mutex);
                out.seen.push_back({event, vane->Msg});
            };
        };
        vane->OnLogin_Ok = record("LoginOk");
        vane->OnLogin_NotOk = record("LoginNotOk");
        vane->OnActiveGroupList = record("GroupList");
        vane->OnActiveList = record("BuddyList");
        vane->OnCheckMoney = record("Money");
        vane->OnMessage = record("Message");
        vane->OnGroupAdd = record("GroupAdd");
        vane->OnUserAdd = record("UserAdd");
        vane->OnActiveMessage = record("Active");
        vane->OnShutOut = record("ShutOut");
        vane->OnThreadDisconnect = [&](TVANE&) { ended = true; };

        EXPECT_TRUE(vane->Connect());
        EXPECT_TRUE(server.accept());
        // Once the client has dropped the connection (an over-long line) the server's further
        // writes may fail; what the client saw up to then is what counts.
        const auto send = [this](const std::string& bytes) {
            try {
                server.sendRaw(bytes);
            } catch (const NetError&) {
            }
        };
        for (const std::string& w : writes)
            send(w);
        const auto seenCount = [&] {
            std::lock_guard lock(mutex);
            return out.seen.size();
        };
        if (c.end == End::StaysOpen) {
            send(kSentinel + "\r\n");
            ui->pumpUntil([&] {
                std::lock_guard lock(mutex);
                return ended || (!out.seen.empty() && out.seen.back().msg == kSentinel);
            });
        } else {
            ui->pumpUntil([&] { return ended || seenCount() >= c.expected.size(); });
            if (c.end == End::Close)
                server.close();
            else
                server.reset();
            ui->pumpUntil([&] { return ended.load(); });
        }
        out.ended = ended;
        out.state = static_cast<int>(vane->State());
        vane.reset();
        EXPECT_TRUE(ui->pumpUntil([] { return runningListenThreads() == 0; }));
        std::lock_guard lock(mutex);
        if (!out.seen.empty() && out.seen.back().msg == kSentinel)
            out.seen.pop_back();
        return out;
    }

    test::ScriptedServer server;
    std::shared_ptr<test::ManualUiThread> ui = std::make_shared<test::ManualUiThread>();
};

TEST_F(FramingMatrix, HandlersSeeTheSameLinesHoweverTheBytesArrive) {
    for (const Case& c : Cases()) {
        for (const std::vector<std::string>& writes : Writings(c.bytes)) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(writes.size()) +
                         " writes, the first of " + std::to_string(writes.front().size()) +
                         " bytes");
            const Outcome out = Run(c, writes);
            EXPECT_EQ(out.seen, c.expected);
            EXPECT_EQ(out.ended, c.connectionEnds);
            if (c.connectionEnds) {
                EXPECT_EQ(out.state, 0);
            }
            if (HasFailure())
                return;  // one failing writing says enough; the rest would repeat it
        }
    }
}

}  // namespace
}  // namespace kv
