#include "core/posix/posix_line_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/base/errors.h"

namespace kv {

namespace {

NetError systemError(const char* what, int error) {
    return NetError(std::string(what) + ": " + std::strerror(error));
}

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

PosixLineSocket::PosixLineSocket(std::size_t maxLineLength)
    : maxLineLength_(maxLineLength), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wakeFd_ < 0)
        throw systemError("eventfd", errno);
}

PosixLineSocket::~PosixLineSocket() {
    const int fd = fd_.exchange(-1);
    if (fd >= 0)
        ::close(fd);
    ::close(wakeFd_);
}

void PosixLineSocket::adopt(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    fd_ = fd;
    open_ = true;
}

void PosixLineSocket::connect(const std::string& host, int port,
                              const std::function<void()>& pump) {
    if (fd_ >= 0)
        throw NetError("already connected");
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0)
        throw NetError(host + ": " + ::gai_strerror(rc));
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> guard(found, &::freeaddrinfo);

    int lastError = ECONNREFUSED;
    for (addrinfo* ai = found; ai != nullptr; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                ai->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        fd_ = fd;
        int result = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
        if (result != 0 && errno == EINPROGRESS) {
            for (;;) {
                const Wait w = waitFor(POLLOUT, 100);
                if (w == Wait::Ready)
                    break;
                if (w == Wait::Woken) {
                    throw NetError("connect cancelled");  // the descriptor is closed with us
                }
                if (pump)
                    pump();
            }
            int error = 0;
            socklen_t len = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
            result = error == 0 ? 0 : -1;
            errno = error;
        }
        if (result == 0) {
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            open_ = true;
            if (interrupted_)  // closed while connecting
                throw NetError("connect cancelled");
            return;
        }
        lastError = errno;
        fd_ = -1;
        ::close(fd);
    }
    throw systemError(("connect to " + host + ":" + service).c_str(), lastError);
}

bool PosixLineSocket::connected() const {
    return open_;
}

PosixLineSocket::Wait PosixLineSocket::waitFor(short events, int timeoutMs) {
    pollfd fds[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw systemError("poll", errno);
        }
        if (n == 0)
            return Wait::TimedOut;
        if (fds[1].revents != 0)
            return Wait::Woken;
        return Wait::Ready;
    }
}

std::optional<std::string> PosixLineSocket::takeLine() {
    const std::size_t at = buffer_.find("\r\n", scanFrom_);
    if (at == std::string::npos) {
        // A final CR may still be the first half of a CR LF: it does not count yet.
        std::size_t content = buffer_.size() - head_;
        if (content > 0 && buffer_.back() == '\r')
            --content;
        if (content > maxLineLength_)
            throw NetError("line too long");
        scanFrom_ = buffer_.size() > head_ ? buffer_.size() - 1 : head_;
        return std::nullopt;
    }
    if (at - head_ > maxLineLength_)
        throw NetError("line too long");
    std::string line = buffer_.substr(head_, at - head_);
    head_ = at + 2;
    if (head_ == buffer_.size()) {
        buffer_.clear();
        head_ = 0;
    } else if (head_ > 65536 && head_ > buffer_.size() / 2) {
        buffer_.erase(0, head_);
        head_ = 0;
    }
    scanFrom_ = head_;
    return line;
}

std::optional<std::string> PosixLineSocket::readLine(std::chrono::milliseconds timeout) {
    if (auto line = takeLine())
        return line;
    const bool forever = timeout.count() < 0;
    const auto deadline = Clock::now() + (forever ? std::chrono::milliseconds(0) : timeout);
    char chunk[65536];
    for (;;) {
        if (!open_)
            throw NetError("not connected");
        if (interrupted_)
            return std::nullopt;
        const Wait w = waitFor(POLLIN, forever ? -1 : remainingMs(deadline));
        if (w == Wait::TimedOut)
            return std::nullopt;
        if (w == Wait::Woken) {
            if (!open_)
                throw NetError("connection closed");
            return std::nullopt;
        }
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n == 0)
            throw NetError("connection closed by the server");
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            throw systemError("read", errno);
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
        if (auto line = takeLine())
            return line;
    }
}

void PosixLineSocket::writeLine(std::string_view line) {
    std::string data;
    data.reserve(line.size() + 2);
    data.append(line);
    data.append("\r\n");
    writeBytes(data);
}

void PosixLineSocket::writeBytes(std::string_view data) {
    std::lock_guard lock(writeMutex_);
    std::size_t sent = 0;
    const auto deadline = Clock::now() + kWriteTimeout;
    while (sent < data.size()) {
        if (!open_)
            throw NetError("not connected");
        const ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            throw systemError("write", errno);
        pollfd pfd{fd_, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, std::min(remainingMs(deadline), 100));
        if (ready == 0 && remainingMs(deadline) == 0)
            throw NetError("write timed out");
    }
}

void PosixLineSocket::close() {
    if (open_.exchange(false)) {
        const int fd = fd_;
        if (fd >= 0)
            ::shutdown(fd, SHUT_RDWR);
    }
    interrupted_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void PosixLineSocket::interrupt() {
    interrupted_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

std::shared_ptr<LineSocket> makePosixLineSocket() {
    return std::make_shared<PosixLineSocket>();
}

}  // namespace kv
