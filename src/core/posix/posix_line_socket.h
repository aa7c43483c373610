#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

#include "core/base/CommonUnit.h"
#include "core/ports/line_socket.h"

namespace kv {

// LineSocket over a non-blocking TCP socket. Waits use poll() on the socket and an eventfd,
// so a reader sleeps until data arrives, the connection ends or it is interrupted: an idle
// connection costs no wake-ups.
class PosixLineSocket final : public LineSocket {
public:
    explicit PosixLineSocket(std::size_t maxLineLength = kMaxLineLength);
    ~PosixLineSocket() override;
    PosixLineSocket(const PosixLineSocket&) = delete;
    PosixLineSocket& operator=(const PosixLineSocket&) = delete;

    void connect(const std::string& host, int port, const std::function<void()>& pump) override;
    bool connected() const override;
    std::optional<std::string> readLine(std::chrono::milliseconds timeout) override;
    void writeLine(std::string_view line) override;
    void close() override;
    void interrupt() override;

    // Writes the bytes as they are, as one unit (the dev server's and tests' raw output).
    void writeBytes(std::string_view bytes);

    // Takes over a connected socket (the dev server's accepted connections).
    void adopt(int fd);

    // How long a write may wait for the peer to take bytes before it fails.
    static constexpr std::chrono::seconds kWriteTimeout{30};

private:
    enum class Wait { Ready, TimedOut, Woken };
    Wait waitFor(short events, int timeoutMs);
    std::optional<std::string> takeLine();

    const std::size_t maxLineLength_;
    // The descriptor is closed only by the destructor: close() shuts the connection down, so a
    // reader on another thread never polls a descriptor number that was reused meanwhile.
    std::atomic<int> fd_{-1};
    int wakeFd_ = -1;
    std::atomic<bool> open_{false};
    std::atomic<bool> interrupted_{false};
    std::mutex writeMutex_;
    // Read side, used by one reader at a time.
    // Received bytes; the unread part starts at head_, and no CR LF starts before scanFrom_.
    std::string buffer_;
    std::size_t head_ = 0;
    std::size_t scanFrom_ = 0;
};

std::shared_ptr<LineSocket> makePosixLineSocket();

}  // namespace kv
