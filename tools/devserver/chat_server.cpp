#include "devserver/chat_server.h"

#include "devserver/listen_socket.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>

#include "core/base/CommonUnit.h"
#include "core/base/cp949.h"
#include "core/base/errors.h"
#include "core/base/text.h"
#include "core/posix/posix_line_socket.h"

namespace kv::devserver {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// How often a session looks at its timers (pings, announcements, a shut-out) between lines.
constexpr auto kTick = 50ms;
// How often the reserved sends are checked against the clock.
constexpr auto kReservedCheck = 500ms;

}  // namespace

// Runs jobs at given times on one thread: the simulated phones' answers and the reserved
// sends' check. A job may add jobs; once halted, added jobs are kept and never run.
class ChatServer::Scheduler {
public:
    Scheduler() : thread_([this] { run(); }) {}
    ~Scheduler() { halt(); }

    void halt() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    void at(Clock::time_point when, std::function<void()> job) {
        {
            std::lock_guard lock(mutex_);
            jobs_.emplace(when, std::move(job));
        }
        wake_.notify_all();
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            if (jobs_.empty()) {
                wake_.wait(lock);
                continue;
            }
            auto first = jobs_.begin();
            if (Clock::now() < first->first) {
                wake_.wait_until(lock, first->first);
                continue;
            }
            std::function<void()> job = std::move(first->second);
            jobs_.erase(first);
            lock.unlock();
            job();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::multimap<Clock::time_point, std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

// One client connection. Its thread reads and answers the lines; other threads only write
// whole lines (a phone's answer, a shut-out) or close the socket.
class ChatServer::Session : public std::enable_shared_from_this<Session> {
public:
    Session(ChatServer& server, int fd) : server_(server) { socket_.adopt(fd); }

    void run();
    void close() { socket_.close(); }
    bool finished() const { return finished_; }

    // Called by the newer session of the same user id.
    void shutOut() {
        shutOutDeadline_ = Clock::now() + server_.options_.shutOutGrace;
        shutOut_ = true;
        send(kShutOut);
    }

    // Writes one line; a failure ends the session (its reader notices the closed socket).
    void send(std::string_view line) {
        if (server_.options_.verbose)
            server_.log("-> " + cp949ToUtf8(line).substr(0, 200));
        try {
            socket_.writeLine(line);
        } catch (const NetError&) {
            socket_.close();
        }
    }

private:
    // An answer to the client's line, after the configured delay.
    void answer(std::string_view line) {
        if (server_.options_.answerDelay.count() > 0)
            std::this_thread::sleep_for(server_.options_.answerDelay);
        send(line);
    }

    void handle(const std::string& line);
    void handleSignedIn(ClientLine kind, const std::string& line);
    void login(const std::string& line);
    void sendGroupList();
    void relayToPhone(const std::string& line);
    void onTick(Clock::time_point now);

    ChatServer& server_;
    PosixLineSocket socket_;
    std::string userId_;  // empty until signed in; used by this session's thread only
    bool ended_ = false;
    std::atomic<bool> shutOut_{false};
    std::atomic<Clock::time_point> shutOutDeadline_{};
    std::atomic<bool> finished_{false};
    Clock::time_point nextPing_{};
    Clock::time_point nextActive_{};
    std::size_t activeIndex_ = 0;
};

void ChatServer::Session::run() {
    try {
        while (!ended_ && !server_.stopping_) {
            if (auto line = socket_.readLine(kTick))
                handle(*line);
            onTick(Clock::now());
        }
    } catch (const NetError&) {
        // The client went away or a line was malformed beyond reading: the session ends.
    }
    socket_.close();
    if (!userId_.empty()) {
        server_.signOut(this, userId_);
        server_.log(cp949ToUtf8(userId_) + " signed out");
    }
    finished_ = true;
}

void ChatServer::Session::onTick(Clock::time_point now) {
    if (shutOut_) {
        if (now >= shutOutDeadline_.load())
            ended_ = true;
        return;
    }
    if (userId_.empty())
        return;
    const ServerOptions& o = server_.options_;
    if (o.pingInterval.count() > 0 && now >= nextPing_) {
        nextPing_ = now + o.pingInterval;
        send(kPing);
    }
    if (o.activeInterval.count() > 0 && now >= nextActive_) {
        nextActive_ = now + o.activeInterval;
        const Account a = server_.store_.snapshot(userId_);
        if (!a.partners.empty())
            send(activeLine(a.partners[activeIndex_++ % a.partners.size()].port));
    }
}

void ChatServer::Session::handle(const std::string& line) {
    if (server_.options_.verbose)
        server_.log("<- " + cp949ToUtf8(line).substr(0, 200));
    const ClientLine kind = classify(line);
    if (kind == ClientLine::Logout || kind == ClientLine::ShutOutAnswer) {
        ended_ = true;
        return;
    }
    if (shutOut_ || kind == ClientLine::Pong || kind == ClientLine::Empty)
        return;
    if (kind == ClientLine::Login) {
        login(line);
        return;
    }
    if (userId_.empty()) {
        server_.log("ignored before sign-in: " + cp949ToUtf8(line).substr(0, 80));
        return;
    }
    try {
        handleSignedIn(kind, line);
    } catch (const ConvertError& e) {
        server_.log("ignored malformed line (" + std::string(e.what()) +
                    "): " + cp949ToUtf8(line).substr(0, 80));
    }
}

void ChatServer::Session::login(const std::string& line) {
    const std::vector<std::string> f = cutFields(line, 2);
    if (server_.options_.silentLogin) {
        server_.log("sign-in left unanswered (--silent-login)");
        return;
    }
    if (server_.options_.refuseLogin) {
        answer(kRefused);
        return;
    }
    switch (server_.store_.checkLogin(f[0], f[1])) {
        case LoginResult::UnknownUser: answer(kUnknownUser); return;
        case LoginResult::WrongPassword: answer(kWrongPassword); return;
        case LoginResult::Ok: break;
    }
    if (!userId_.empty() && userId_ != f[0])
        server_.signOut(this, userId_);
    userId_ = f[0];
    server_.signIn(shared_from_this(), userId_);
    server_.log(cp949ToUtf8(userId_) + " signed in");
    const auto now = Clock::now();
    nextPing_ = now + server_.options_.pingInterval;
    nextActive_ = now + server_.options_.activeInterval;
    answer(kAck);
}

void ChatServer::Session::sendGroupList() {
    std::string line = groupListLine(server_.store_.snapshot(userId_).groups);
    if (server_.options_.closeMidLine) {
        if (server_.options_.answerDelay.count() > 0)
            std::this_thread::sleep_for(server_.options_.answerDelay);
        try {
            socket_.writeBytes(std::string_view(line).substr(0, line.size() / 2));
        } catch (const NetError&) {
        }
        ended_ = true;
        return;
    }
    if (server_.options_.overlongLine)
        line += "9999," + std::string(kMaxLineLength, 'x') + "/";
    answer(line);
}

void ChatServer::Session::relayToPhone(const std::string& line) {
    const proto::IncomingMessage message = proto::incomingMessage(line);
    if (!server_.store_.chargeMessage(userId_, message.userPort)) {
        server_.log("message to unknown port " + cp949ToUtf8(message.userPort) + " dropped");
        return;
    }
    server_.deliver({userId_, {message.userPort}, message.text});
}

void ChatServer::Session::handleSignedIn(ClientLine kind, const std::string& line) {
    AccountStore& store = server_.store_;
    switch (kind) {
        case ClientLine::GroupList: sendGroupList(); return;
        case ClientLine::BuddyList: answer(buddyListLine(store.snapshot(userId_).partners)); return;
        case ClientLine::Money: answer(moneyLine(store.snapshot(userId_).balance)); return;
        case ClientLine::Message: relayToPhone(line); return;
        case ClientLine::GroupSend:
        case ClientLine::ReservedSend:
            if (auto request = cutGroupSend(line)) {
                const std::optional<Delivery> now = store.groupSend(userId_, *request);
                answer(kAck);
                if (now)
                    server_.deliver(*now);
            } else {
                server_.log("malformed group send ignored");
            }
            return;
        case ClientLine::GroupAdd:
            if (auto id = store.addGroup(userId_, cutFields(line, 1)[0]))
                answer(groupAddedLine(*id));
            else
                server_.log("group name refused");
            return;
        case ClientLine::GroupRename: {
            const auto f = cutFields(line, 2);
            store.renameGroup(userId_, strToInt(f[0]), f[1]);
            return;
        }
        case ClientLine::GroupDelete:
            store.deleteGroup(userId_, strToInt(cutFields(line, 1)[0]));
            return;
        case ClientLine::BuddyMove: {
            const auto f = cutFields(line, 2);
            store.moveBuddy(userId_, strToInt(f[0]), f[1]);
            return;
        }
        case ClientLine::BuddyRegister: {
            const auto f = cutFields(line, 3);
            const proto::UserAddResult r = store.registerBuddy(userId_, f[0], f[1], f[2]);
            answer(userAddLine(r.code, r.value));
            return;
        }
        case ClientLine::BuddyConfirm: {
            const auto f = cutFields(line, 2);
            const proto::UserAddResult r = store.confirmBuddy(userId_, f[0], f[1]);
            answer(userAddLine(r.code, r.value));
            return;
        }
        case ClientLine::BuddyChange: {
            const auto f = cutFields(line, 3);
            if (store.changeBuddy(userId_, f[0], f[1], f[2]))
                answer(kAck);
            return;
        }
        case ClientLine::BuddyDelete:
            if (store.deleteBuddy(userId_, cutFields(line, 1)[0]))
                answer(kAck);
            return;
        default: server_.log("ignored: " + cp949ToUtf8(line).substr(0, 80)); return;
    }
}

ChatServer::ChatServer(AccountStore& store, ServerOptions options, LogSink log)
    : store_(store), options_(std::move(options)), logSink_(std::move(log)) {}

ChatServer::~ChatServer() {
    stop();
}

void ChatServer::start() {
    const ListenSocket listening = listenOn(options_.host, options_.chatPort, 16);
    port_ = listening.port;
    listenFd_ = listening.fd;
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0)
        throw systemError("eventfd");
    scheduler_ = std::make_unique<Scheduler>();
    scheduler_->at(Clock::now(), [this] { checkReserved(); });
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

std::shared_ptr<ChatServer::Session> ChatServer::sessionOf(const std::string& userId) {
    std::lock_guard lock(mutex_);
    auto it = signedIn_.find(userId);
    return it == signedIn_.end() ? nullptr : it->second.lock();
}

void ChatServer::deliver(const Delivery& delivery) {
    for (const std::string& port : delivery.partnerPorts) {
        const unsigned n = ++phoneAnswers_;
        const std::string reply = proto::messageLine(port, phoneAnswer(delivery.text, n));
        scheduler_->at(Clock::now() + options_.phoneDelay, [this, user = delivery.userId, reply] {
            if (auto session = sessionOf(user))
                session->send(reply);
        });
    }
}

void ChatServer::checkReserved() {
    for (const Delivery& d : store_.takeDueReserved(store_.now())) {
        log("reserved send of " + cp949ToUtf8(d.userId) + " delivered (" +
            std::to_string(d.partnerPorts.size()) + " partner phones among the recipients)");
        deliver(d);
    }
    if (!stopping_)
        scheduler_->at(Clock::now() + kReservedCheck, [this] { checkReserved(); });
}

void ChatServer::acceptLoop() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int n = ::poll(fds, 2, 500);
        if (n < 0 && errno != EINTR)
            break;
        reapFinished();
        if (n <= 0 || fds[1].revents != 0 || (fds[0].revents & POLLIN) == 0)
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        auto session = std::make_shared<Session>(*this, fd);
        std::lock_guard lock(mutex_);
        sessions_.push_back({session, std::thread([session] { session->run(); })});
    }
}

void ChatServer::reapFinished() {
    std::vector<std::thread> done;
    {
        std::lock_guard lock(mutex_);
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            if (it->session->finished()) {
                done.push_back(std::move(it->thread));
                it = sessions_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (std::thread& t : done)
        t.join();
}

void ChatServer::stop() {
    if (stopping_.exchange(true) || listenFd_ < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
    acceptThread_.join();
    std::vector<Running> running;
    {
        std::lock_guard lock(mutex_);
        running.swap(sessions_);
    }
    for (Running& r : running)
        r.session->close();
    for (Running& r : running)
        r.thread.join();
    // Halted, not destroyed: a job still running may schedule more.
    scheduler_->halt();
    ::close(listenFd_);
    ::close(wakeFd_);
}

void ChatServer::signIn(const std::shared_ptr<Session>& session, const std::string& userId) {
    std::shared_ptr<Session> older;
    {
        std::lock_guard lock(mutex_);
        older = signedIn_[userId].lock();
        signedIn_[userId] = session;
    }
    if (older && older != session) {
        log(cp949ToUtf8(userId) + " signed in again: the older connection is shut out");
        older->shutOut();
    }
}

void ChatServer::signOut(const Session* session, const std::string& userId) {
    std::lock_guard lock(mutex_);
    auto it = signedIn_.find(userId);
    if (it != signedIn_.end()) {
        auto current = it->second.lock();
        if (!current || current.get() == session)
            signedIn_.erase(it);
    }
}

void ChatServer::log(std::string_view text) {
    if (!logSink_)
        return;
    std::lock_guard lock(logMutex_);
    logSink_(text);
}

}  // namespace kv::devserver
