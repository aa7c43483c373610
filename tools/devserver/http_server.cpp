#include "devserver/http_server.h"

#include "devserver/listen_socket.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/base/errors.h"

namespace kv::devserver {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

HttpResponse plainError(int status, std::string_view text) {
    HttpResponse r;
    r.status = status;
    r.contentType = "text/plain; charset=utf-8";
    r.body = std::to_string(status) + " " + std::string(reasonPhrase(status)) + ": " +
             std::string(text) + "\n";
    return r;
}

}  // namespace

struct HttpServer::Connection {
    explicit Connection(int socket) : fd(socket) {}
    ~Connection() {
        if (thread.joinable())
            thread.join();
        ::close(fd);
    }
    const int fd;
    std::atomic<bool> finished{false};
    std::thread thread;
};

HttpServer::HttpServer(HttpServerOptions options, HttpHandler handler, HttpLog log)
    : options_(std::move(options)), handler_(std::move(handler)), logSink_(std::move(log)) {}

HttpServer::~HttpServer() {
    stop();
}

void HttpServer::start() {
    const ListenSocket listening = listenOn(options_.host, options_.port, 32);
    port_ = listening.port;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        const NetError error = systemError("eventfd");
        ::close(listening.fd);
        throw error;
    }
    listenFd_ = listening.fd;
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

void HttpServer::stop() {
    if (stopping_.exchange(true) || listenFd_ < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    acceptThread_.join();
    reapFinished(true);
    ::close(listenFd_);
    ::close(wakeFd_);
}

void HttpServer::acceptLoop() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int n = ::poll(fds, 2, 500);
        if (n < 0 && errno != EINTR)
            break;
        reapFinished(false);
        if (n <= 0 || fds[1].revents != 0 || (fds[0].revents & POLLIN) == 0)
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        std::lock_guard lock(mutex_);
        if (active_ >= options_.maxConnections) {
            // Best effort, never blocking: the accept thread must not wait on a client.
            const std::string busy = formatResponse(plainError(503, "too many connections"));
            [[maybe_unused]] const ssize_t sent =
                ::send(fd, busy.data(), busy.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            ::close(fd);
            log("refused a connection: too many at once");
            continue;
        }
        auto connection = std::make_unique<Connection>(fd);
        Connection& c = *connection;
        connections_.push_back(std::move(connection));
        ++active_;
        c.thread = std::thread([this, &c] {
            serve(c);
            --active_;
            c.finished = true;
        });
    }
}

void HttpServer::reapFinished(bool all) {
    std::vector<std::unique_ptr<Connection>> done;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (all || (*it)->finished) {
                done.push_back(std::move(*it));
                it = connections_.erase(it);
            } else {
                ++it;
            }
        }
    }
    done.clear();  // joins; with `all` the threads see the wake descriptor and end
}

bool HttpServer::waitFor(int fd, short events, Clock::time_point deadline) const {
    for (;;) {
        if (stopping_)
            return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fds[2] = {{fd, events, 0}, {wakeFd_, POLLIN, 0}};
        const int n = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
        if (n < 0 && errno != EINTR)
            return false;
        if (fds[1].revents != 0)
            return false;
        if (n > 0 && fds[0].revents != 0)
            return true;
    }
}

bool HttpServer::sendAll(int fd, std::string_view bytes) {
    const auto deadline = Clock::now() + options_.writeTimeout;
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

void HttpServer::serve(Connection& c) {
    RequestReader reader(options_.limits);
    const auto deadline = Clock::now() + options_.requestTimeout;
    char chunk[8192];
    bool peerClosed = false;
    while (reader.state() == RequestReader::State::NeedMore) {
        if (!waitFor(c.fd, POLLIN, deadline)) {
            if (stopping_)
                return;
            sendAll(c.fd, formatResponse(plainError(408, "the request did not arrive in time")));
            log("request time-out");
            return;
        }
        const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0) {
            peerClosed = true;
            break;
        }
        reader.feed(std::string_view(chunk, static_cast<std::size_t>(n)));
    }
    if (peerClosed && reader.state() == RequestReader::State::NeedMore)
        return;  // gone before a whole request: nobody to answer

    HttpResponse response;
    bool head = false;
    if (reader.state() == RequestReader::State::Failed) {
        response = plainError(reader.failure(), reader.failureText());
        log("refused a request: " + std::to_string(reader.failure()) + " " +
            std::string(reader.failureText()));
    } else {
        const HttpRequest& request = reader.request();
        head = request.method == "HEAD";
        try {
            response = handler_(request);
        } catch (const std::exception& e) {
            response = plainError(500, e.what());
        }
        log(request.method + " " + request.target.substr(0, 200) + " -> " +
            (response.stall ? std::string("(stalled)") : std::to_string(response.status)));
    }

    if (response.stall) {
        // Hold the connection, answering nothing, until the client gives up or the server ends.
        while (!stopping_) {
            if (!waitFor(c.fd, POLLIN, Clock::now() + 1h))
                continue;
            const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
                return;
        }
        return;
    }

    if (!sendAll(c.fd, formatResponse(response, head)))
        return;
    // Close gently: a reset caused by unread request bytes could destroy the answer in flight
    // (a refused, oversized body is still arriving), so read what comes for a short while.
    ::shutdown(c.fd, SHUT_WR);
    const auto lingerEnd = Clock::now() + 1s;
    std::size_t drained = 0;
    while (drained < 4 * options_.limits.maxBody + (1u << 20) && waitFor(c.fd, POLLIN, lingerEnd)) {
        const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            break;
        drained += static_cast<std::size_t>(n);
    }
}

void HttpServer::log(std::string_view text) {
    if (!logSink_)
        return;
    std::lock_guard lock(logMutex_);
    logSink_(text);
}

}  // namespace kv::devserver
