#pragma once

// A small HTTP/1.1 server for the dev server's web side: one request per connection, answered
// and closed. Each connection runs on a thread of its own, up to a bound; sizes and waits are
// bounded too, so a bad or idle client can neither grow the server nor hold it up. A handler
// that throws gives 500; the server keeps serving.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devserver/http_message.h"

namespace kv::devserver {

struct HttpServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080;  // 0: a free port, see HttpServer::port()
    HttpLimits limits;
    // A request must be complete within this time after the connection opened, else 408.
    std::chrono::milliseconds requestTimeout{10000};
    // Sending the answer must not take longer than this; the connection is dropped then.
    std::chrono::milliseconds writeTimeout{10000};
    // Connections beyond this many at once are answered 503 at once.
    std::size_t maxConnections = 32;
};

using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;
// Receives one line of log text (UTF-8). Called from any thread, one at a time.
using HttpLog = std::function<void(std::string_view)>;

class HttpServer {
public:
    HttpServer(HttpServerOptions options, HttpHandler handler, HttpLog log = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds and listens, then accepts on a thread of its own. Throws NetError.
    void start();
    // The port listened on (the real one when 0 was asked for); valid after start().
    int port() const { return port_; }
    // Ends every connection (stalled ones too) and waits for their threads. Idempotent.
    void stop();

private:
    struct Connection;

    void acceptLoop();
    void serve(Connection& connection);
    void reapFinished(bool all);
    void log(std::string_view text);
    // Waits until `fd` is ready for `events` or the server stops; false on time-out or stop.
    bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) const;
    bool sendAll(int fd, std::string_view bytes);

    const HttpServerOptions options_;
    HttpHandler handler_;
    HttpLog logSink_;
    std::mutex logMutex_;

    int listenFd_ = -1;
    int wakeFd_ = -1;  // readable from stop() on; every wait watches it
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<std::size_t> active_{0};  // connections whose thread still serves
    std::thread acceptThread_;

    std::mutex mutex_;  // guards connections_
    std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace kv::devserver
