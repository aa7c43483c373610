#pragma once

// A LineSocket without a network: reads hand out a fixed list of server lines, one per read, and
// then fail as a connection closed by the server does; writes are recorded. Like a chat server,
// it sends nothing before the client's first line (the sign-in). For driving the
// real receive thread and handlers fast (fuzzing), where the bytes on the wire do not matter.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/base/CommonUnit.h"
#include "core/base/errors.h"
#include "core/ports/line_socket.h"

namespace kv::test {

class QueuedLineSocket final : public LineSocket {
public:
    explicit QueuedLineSocket(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    void connect(const std::string&, int, const std::function<void()>&) override {
        std::lock_guard lock(mutex_);
        if (closed_)
            throw NetError("connect: closed");
        connected_ = true;
    }

    bool connected() const override {
        std::lock_guard lock(mutex_);
        return connected_ && !closed_;
    }

    std::optional<std::string> readLine(std::chrono::milliseconds) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || interrupted_ || !written_.empty(); });
        if (closed_ || !connected_) {
            readerDone_ = true;
            throw NetError("read: not connected");
        }
        if (interrupted_)
            return std::nullopt;
        if (next_ == lines_.size()) {
            readerDone_ = true;
            throw NetError("read: closed by the peer");
        }
        std::string line = std::move(lines_[next_++]);
        if (line.size() > kMaxLineLength) {
            readerDone_ = true;
            throw NetError("read: line too long");
        }
        return line;
    }

    void writeLine(std::string_view line) override {
        std::lock_guard lock(mutex_);
        if (closed_ || !connected_)
            throw NetError("write: not connected");
        written_.emplace_back(line);
        changed_.notify_all();
    }

    void close() override {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    void interrupt() override {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        changed_.notify_all();
    }

    // Whether the reader has met the end of the lines or the closed connection: from then on
    // it hands nothing more to the user-interface thread.
    bool readerDone() const {
        std::lock_guard lock(mutex_);
        return readerDone_;
    }

    std::vector<std::string> written() const {
        std::lock_guard lock(mutex_);
        return written_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    std::vector<std::string> written_;
    bool connected_ = false;
    bool closed_ = false;
    bool interrupted_ = false;
    bool readerDone_ = false;
};

}  // namespace kv::test
