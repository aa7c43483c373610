#pragma once

// The dev server's chat server: accepts connections on a TCP port and runs, for each, a
// session of the server side of the line protocol on a thread of its own. Sessions share the
// accounts of one AccountStore; a second sign-in of an id shuts the older session out.

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "devserver/account_store.h"

namespace kv::devserver {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int chatPort = 8000;                            // 0: a free port, see ChatServer::port()
    std::chrono::milliseconds pingInterval{20000};  // 0: never
    std::chrono::milliseconds activeInterval{0};    // 0: no "active:" announcements
    std::chrono::milliseconds phoneDelay{1500};     // before a simulated phone answers
    std::chrono::milliseconds answerDelay{0};       // before every answer (fault option)
    // How long a shut-out session may take to answer "close" before it is cut off.
    std::chrono::milliseconds shutOutGrace{2000};
    bool refuseLogin = false;   // every sign-in gets "R:n"
    bool silentLogin = false;   // a sign-in is never answered (wins over refuseLogin)
    bool closeMidLine = false;  // the group list request gets half a line, then the close
    bool overlongLine = false;  // the group list comes as a line beyond the client's limit
    bool verbose = false;       // log every line in both directions
};

// Receives one line of log text (UTF-8, no line end). Called from any thread, one at a time.
using LogSink = std::function<void(std::string_view)>;

class ChatServer {
public:
    ChatServer(AccountStore& store, ServerOptions options, LogSink log = {});
    ~ChatServer();
    ChatServer(const ChatServer&) = delete;
    ChatServer& operator=(const ChatServer&) = delete;

    // Binds and listens, then accepts on a thread of its own. Throws NetError.
    void start();
    // The port listened on (the real one when 0 was asked for); valid after start().
    int port() const { return port_; }
    // Closes the listening socket and every connection and waits for their threads.
    // Idempotent; the destructor calls it.
    void stop();

private:
    class Session;
    class Scheduler;
    friend class Session;

    void acceptLoop();
    void reapFinished();
    void signIn(const std::shared_ptr<Session>& session, const std::string& userId);
    void signOut(const Session* session, const std::string& userId);
    std::shared_ptr<Session> sessionOf(const std::string& userId);
    // Hands a group text to the simulated phones; each answers the member as a chat partner
    // does, through whatever connection the member is signed in on by then.
    void deliver(const Delivery& delivery);
    // Delivers the reserved sends that are due by the store's clock, then looks again later.
    void checkReserved();
    void log(std::string_view text);

    AccountStore& store_;
    const ServerOptions options_;
    LogSink logSink_;
    std::mutex logMutex_;

    int listenFd_ = -1;
    int wakeFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::unique_ptr<Scheduler> scheduler_;
    std::atomic<unsigned> phoneAnswers_{0};

    std::mutex mutex_;  // guards the two members below
    struct Running {
        std::shared_ptr<Session> session;
        std::thread thread;
    };
    std::vector<Running> sessions_;
    std::map<std::string, std::weak_ptr<Session>> signedIn_;
};

}  // namespace kv::devserver
