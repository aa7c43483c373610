#pragma once

// A loopback chat server driven line by line by a test: accept, expect a line, send a line or
// raw bytes, close, wait for the client to close. Listens on 127.0.0.1 on a port the system
// picks; every wait has a bound, so a broken client fails the test instead of hanging it.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kv::test {

using namespace std::chrono_literals;

class ScriptedServer {
public:
    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int port() const { return port_; }

    // Takes the next incoming connection as the current one (the previous one stays open
    // until close() or destruction, as a real server's would).
    bool accept(std::chrono::milliseconds bound = 5s);

    // The next line the client wrote on the current connection, without CR LF; nothing when
    // the bound passed or the client closed.
    std::optional<std::string> readLine(std::chrono::milliseconds bound = 5s);
    // True when the next line is `expected`; otherwise records what came instead.
    bool expectLine(std::string_view expected, std::chrono::milliseconds bound = 5s);
    // What expectLine() last got instead of what it expected.
    const std::string& lastMismatch() const { return mismatch_; }

    // True when nothing arrives within the bound (and the client did not close).
    bool expectSilence(std::chrono::milliseconds bound = 200ms);

    void sendLine(std::string_view line);  // adds CR LF
    void sendRaw(std::string_view bytes);

    // Closes the current connection from the server's side.
    void close();
    // Resets the current connection (RST, no FIN): as a crashed or rebooted server's end.
    void reset();

    // True once the client has closed the current connection (its lines before that are read
    // and dropped).
    bool waitClientClosed(std::chrono::milliseconds bound = 5s);

private:
    int listenFd_ = -1;
    int port_ = 0;
    struct Connection;
    std::unique_ptr<Connection> current_;
    std::unique_ptr<Connection> previous_;
    std::string mismatch_;
};

}  // namespace kv::test
