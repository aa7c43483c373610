#include "support/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "core/base/errors.h"
#include "core/posix/posix_line_socket.h"

namespace kv::test {

struct ScriptedServer::Connection {
    PosixLineSocket socket{1 << 20};
    int fd = -1;  // owned by the socket
    bool clientClosed = false;
};

ScriptedServer::ScriptedServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 8) != 0)
        throw std::runtime_error("bind/listen failed");
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

ScriptedServer::~ScriptedServer() {
    ::close(listenFd_);
}

bool ScriptedServer::accept(std::chrono::milliseconds bound) {
    pollfd pfd{listenFd_, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(bound.count())) <= 0)
        return false;
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return false;
    previous_ = std::move(current_);
    current_ = std::make_unique<Connection>();
    current_->socket.adopt(fd);
    current_->fd = fd;
    return true;
}

std::optional<std::string> ScriptedServer::readLine(std::chrono::milliseconds bound) {
    if (!current_ || current_->clientClosed)
        return std::nullopt;
    try {
        return current_->socket.readLine(bound);
    } catch (const NetError&) {
        current_->clientClosed = true;
        return std::nullopt;
    }
}

bool ScriptedServer::expectLine(std::string_view expected, std::chrono::milliseconds bound) {
    auto line = readLine(bound);
    if (line && *line == expected)
        return true;
    mismatch_ = line ? "got \"" + line->substr(0, 200) + "\"" : std::string("got nothing");
    return false;
}

bool ScriptedServer::expectSilence(std::chrono::milliseconds bound) {
    auto line = readLine(bound);
    if (line)
        mismatch_ = "got \"" + line->substr(0, 200) + "\"";
    return !line && current_ && !current_->clientClosed;
}

void ScriptedServer::sendLine(std::string_view line) {
    current_->socket.writeLine(line);
}

void ScriptedServer::sendRaw(std::string_view bytes) {
    current_->socket.writeBytes(bytes);
}

void ScriptedServer::close() {
    if (current_)
        current_->socket.close();
}

void ScriptedServer::reset() {
    if (!current_)
        return;
    // Closing with a zero linger time sends RST in place of FIN.
    const linger abort{1, 0};
    ::setsockopt(current_->fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    current_.reset();
}

bool ScriptedServer::waitClientClosed(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (current_ && !current_->clientClosed) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        readLine(left);
    }
    return current_ != nullptr;
}

}  // namespace kv::test
