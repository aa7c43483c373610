#pragma once

// What the contact benchmarks share: a connection that swallows every line, and sign-in lists
// of a given size.

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>

#include "core/ports/line_socket.h"

namespace kv::bench {

// A connection that takes every line and never receives one, so that only the intake is
// measured.
class NullSocket final : public kv::LineSocket {
public:
    void connect(const std::string&, int, const std::function<void()>&) override {}
    bool connected() const override { return true; }
    std::optional<std::string> readLine(std::chrono::milliseconds) override {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopped_; });
        throw std::runtime_error("closed");
    }
    void writeLine(std::string_view) override {}
    void close() override { interrupt(); }
    void interrupt() override {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        wake_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
};

inline std::string groupLine(int groups, std::size_t padTo = 0) {
    std::string line = "GR:";
    for (int g = 1; g <= groups; ++g)
        line += std::to_string(g) + ",Group " + std::to_string(g) + "/";
    if (padTo > line.size())
        line.insert(line.size() - 1, std::string(padTo - line.size(), 'g'));  // last name
    return line;
}

// Partners spread over the groups in turn, every tenth at the root level.
inline std::string partnerLine(int partners, int groups, std::size_t limit = 0) {
    std::string line = "AC:";
    for (int p = 1; p <= partners; ++p) {
        const int group = p % 10 == 0 ? 0 : 1 + p % groups;
        const std::string n = std::to_string(p);
        std::string entry = std::to_string(group) + ",P" + n + ",010" + n + ",," + n + ",0/";
        if (limit && line.size() + entry.size() > limit)
            break;
        line += entry;
    }
    if (limit > line.size())
        line.insert(line.rfind(",P") + 2, std::string(limit - line.size(), 'n'));  // last nick
    return line;
}

}  // namespace kv::bench
