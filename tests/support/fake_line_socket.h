#pragma once

// A real loopback LineSocket whose writes can be made to fail on demand, for the paths that
// follow a failed write.

#include <atomic>
#include <memory>

#include "core/base/errors.h"
#include "core/posix/posix_line_socket.h"

namespace kv::test {

class FailingWriteSocket final : public LineSocket {
public:
    explicit FailingWriteSocket(std::shared_ptr<std::atomic<bool>> failWrites)
        : failWrites_(std::move(failWrites)) {}

    void connect(const std::string& host, int port, const std::function<void()>& pump) override {
        inner_.connect(host, port, pump);
    }
    bool connected() const override { return inner_.connected(); }
    std::optional<std::string> readLine(std::chrono::milliseconds timeout) override {
        return inner_.readLine(timeout);
    }
    void writeLine(std::string_view line) override {
        if (*failWrites_)
            throw NetError("write: broken pipe (test)");
        inner_.writeLine(line);
    }
    void close() override { inner_.close(); }
    void interrupt() override { inner_.interrupt(); }

private:
    std::shared_ptr<std::atomic<bool>> failWrites_;
    PosixLineSocket inner_;
};

}  // namespace kv::test
