#include "core/connection/vane.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "core/base/errors.h"
#include "core/connection/line_protocol.h"

namespace kv {

// What the component shares with its receive threads. A thread keeps it alive, so a thread
// still finishing after the component is gone finds `owner` empty and leaves everything alone.
struct TVANE::Shared {
    explicit Shared(std::shared_ptr<UiThread> uiThread) : ui(std::move(uiThread)) {}

    const std::shared_ptr<UiThread> ui;
    // Guards `owner` and every decision that stops a thread or sets the state for one, so a
    // thread that was asked to stop never changes the state of the connection that follows.
    std::mutex mutex;
    TVANE* owner = nullptr;
    std::atomic<ConnectionState> state{ConnectionState::Closed};
    std::atomic<std::int32_t> pingCount{0};
};

namespace {

std::mutex gThreadsMutex;
std::condition_variable gThreadsDone;
std::size_t gThreadsRunning = 0;

}  // namespace

std::size_t runningListenThreads() {
    std::lock_guard lock(gThreadsMutex);
    return gThreadsRunning;
}

bool waitForListenThreads(std::chrono::milliseconds bound) {
    std::unique_lock lock(gThreadsMutex);
    return gThreadsDone.wait_for(lock, bound, [] { return gThreadsRunning == 0; });
}

// The receive thread of one connection. It reads only its own socket, and frees itself when
// it has finished and the component has let go of it.
class TVANEListenThread : public std::enable_shared_from_this<TVANEListenThread> {
public:
    TVANEListenThread(std::shared_ptr<TVANE::Shared> owner, std::shared_ptr<LineSocket> socket)
        : FOwner(std::move(owner)), FSocket(std::move(socket)) {}

    void Start() {
        {
            std::lock_guard lock(gThreadsMutex);
            ++gThreadsRunning;
        }
        std::thread([self = shared_from_this()] { self->Run(); }).detach();
    }

    // The stop request. The thread finishes the line in hand, handles no further one and
    // leaves the component alone from then on. Callers hold FOwner->mutex.
    void Terminate() {
        FTerminated = true;
        FSocket->interrupt();
    }

    LineSocket& Socket() { return *FSocket; }

private:
    void Run() {
        Execute();
        std::lock_guard lock(gThreadsMutex);
        if (--gThreadsRunning == 0)
            gThreadsDone.notify_all();
    }

    void Execute() {
        try {
            while (!FTerminated) {
                // Sleeps until a line, the end of the connection or the stop request.
                auto line = FSocket->readLine(LineSocket::kNoTimeout);
                if (!line)
                    continue;
                FLine = std::move(*line);
                ProcessLine(FLine);
            }
        } catch (...) {
            // Closed by the server, a network error, an over-long line, or an error from a
            // line handler. A thread that was asked to stop reports nothing: the connection
            // it served is over and the component may already hold a new one.
            std::lock_guard lock(FOwner->mutex);
            if (!FTerminated) {
                FTerminated = true;
                FSocket->close();
                FOwner->state = ConnectionState::Closed;
                if (TVANE* owner = FOwner->owner; owner && owner->OnThreadDisconnect)
                    owner->OnThreadDisconnect(*owner);
            }
        }
    }

    void ProcessLine(const std::string& line) {
        using proto::ServerLine;
        switch (proto::recognise(line)) {
            case ServerLine::Ping: return AnswerPing();
            case ServerLine::LoginOk: return FireEvent(line, &TVANE::OnLogin_Ok);
            case ServerLine::LoginNotOk: return FireEvent(line, &TVANE::OnLogin_NotOk);
            case ServerLine::GroupList: return FireEvent(line, &TVANE::OnActiveGroupList);
            case ServerLine::BuddyList: return FireEvent(line, &TVANE::OnActiveList);
            case ServerLine::Money: return FireEvent(line, &TVANE::OnCheckMoney);
            case ServerLine::Message: return FireEvent(line, &TVANE::OnMessage);
            case ServerLine::GroupAdd: return FireEvent(line, &TVANE::OnGroupAdd);
            case ServerLine::UserAdd: return FireEvent(line, &TVANE::OnUserAdd);
            case ServerLine::Active: return FireEvent(line, &TVANE::OnActiveMessage);
            case ServerLine::Close: return HandleClose(line);
            case ServerLine::Unknown: return;
        }
    }

    void AnswerPing() {
        if (FOwner->state == ConnectionState::SignedIn) {
            try {
                FSocket->writeLine(proto::pongLine());
            } catch (const NetError&) {
                DisconnectFromThread();
                throw;  // the count is not reset; the stopped thread ends quietly
            }
        }
        FOwner->pingCount = 0;
    }

    void HandleClose(const std::string& line) {
        bool signedIn = false;
        {
            std::lock_guard lock(FOwner->mutex);
            if (FTerminated)
                return;
            signedIn = FOwner->state == ConnectionState::SignedIn;
            if (signedIn)
                Terminate();
            FOwner->state = ConnectionState::Closed;
        }
        // Signing in, the server's "close" gets no answer and the socket stays open until
        // the server closes it.
        std::exception_ptr writeError;
        if (signedIn) {
            try {
                FSocket->writeLine(proto::shutOutAnswerLine());
            } catch (const NetError&) {
                writeError = std::current_exception();
            }
            FSocket->close();
        }
        RunHandler(line, &TVANE::OnShutOut, /*evenWhenStopped=*/true);
        if (writeError)
            std::rethrow_exception(writeError);
    }

    void FireEvent(const std::string& line, TVANE::TLineEvent TVANE::*event) {
        RunHandler(line, event, /*evenWhenStopped=*/false);
    }

    // Runs the handler on the user-interface thread and waits for it; an error it raised is
    // raised again here, after it has ended.
    void RunHandler(const std::string& line, TVANE::TLineEvent TVANE::*event,
                    bool evenWhenStopped) {
        std::exception_ptr error;
        const bool ran = FOwner->ui->runAndWait([&] {
            TVANE* owner = CurrentOwner();
            // The line of a connection that was stopped meanwhile (a log-out, the watchdog's
            // reconnect) must not reach the handlers of the next one.
            if (owner == nullptr || (FTerminated && !evenWhenStopped))
                return;
            const TVANE::TLineEvent& handler = owner->*event;
            if (!handler)
                return;
            owner->Msg = line;
            try {
                handler();
            } catch (...) {
                error = std::current_exception();
            }
        });
        if (!ran) {
            // The user-interface side is going away: stop quietly.
            std::lock_guard lock(FOwner->mutex);
            Terminate();
            return;
        }
        if (error)
            std::rethrow_exception(error);
    }

    // Disconnect on the receive thread, when "pong" could not be written.
    void DisconnectFromThread() {
        {
            std::lock_guard lock(FOwner->mutex);
            if (FTerminated)
                return;
            Terminate();
            FOwner->state = ConnectionState::Closed;
        }
        try {
            FSocket->writeLine(proto::logoutLine());
        } catch (const NetError&) {
            // The connection is being dropped because writing failed; a second failure
            // tells nothing new.
        }
        FSocket->close();
        // OnDisconnect belongs to the user-interface thread: its handler empties the contact
        // tree and closes the chat windows.
        FOwner->ui->runAndWait([this] {
            if (TVANE* owner = CurrentOwner(); owner && owner->OnDisconnect)
                owner->OnDisconnect(*owner);
        });
    }

    TVANE* CurrentOwner() {
        std::lock_guard lock(FOwner->mutex);
        return FOwner->owner;
    }

    const std::shared_ptr<TVANE::Shared> FOwner;
    const std::shared_ptr<LineSocket> FSocket;
    std::string FLine;
    std::atomic<bool> FTerminated{false};
};

TVANE::TVANE(std::shared_ptr<UiThread> ui, LineSocketFactory socketFactory)
    : FShared(std::make_shared<Shared>(std::move(ui))), FSocketFactory(std::move(socketFactory)) {
    FShared->owner = this;
}

TVANE::~TVANE() {
    std::lock_guard lock(FShared->mutex);
    FShared->owner = nullptr;
    if (FThread)
        FThread->Terminate();
    if (FClient)
        FClient->close();
}

bool TVANE::Connect() {
    std::shared_ptr<TVANEListenThread> previous;
    {
        std::lock_guard lock(FShared->mutex);
        if (FShared->state != ConnectionState::Closed)
            return false;
        FShared->state = ConnectionState::SigningIn;
        previous = std::exchange(FThread, nullptr);
        if (previous)
            previous->Terminate();  // still open after a "close" while signing in
    }
    if (previous)
        previous->Socket().close();

    std::shared_ptr<LineSocket> socket = FSocketFactory();
    FClient = socket;
    try {
        const std::shared_ptr<UiThread>& ui = FShared->ui;
        std::function<void()> pump;
        if (ui->isUiThread())
            pump = [&ui] { ui->processPending(); };
        socket->connect(Host, Port, pump);
        auto thread = std::make_shared<TVANEListenThread>(FShared, socket);
        {
            std::lock_guard lock(FShared->mutex);
            if (FShared->state != ConnectionState::SigningIn)  // disconnected while connecting
                throw NetError("connect cancelled");
            FThread = thread;
        }
        thread->Start();
        if (OnConnect)
            OnConnect(*this);
        return true;
    } catch (...) {
        {
            std::lock_guard lock(FShared->mutex);
            if (FThread && &FThread->Socket() == socket.get())
                FThread->Terminate();
            FShared->state = ConnectionState::Closed;
        }
        socket->close();
        return false;
    }
}

void TVANE::Disconnect() {
    std::shared_ptr<LineSocket> socket;
    {
        std::lock_guard lock(FShared->mutex);
        if (FShared->state != ConnectionState::Closed) {
            if (FThread)
                FThread->Terminate();
            socket = FClient;
        }
    }
    std::exception_ptr writeError;
    if (socket) {
        if (socket->connected()) {
            try {
                socket->writeLine(proto::logoutLine());
            } catch (const NetError&) {
                writeError = std::current_exception();
            }
        }
        socket->close();
    }
    FShared->state = ConnectionState::Closed;
    RaiseDisconnect();
    if (writeError)
        std::rethrow_exception(writeError);
}

void TVANE::RaiseDisconnect() {
    if (OnDisconnect)
        OnDisconnect(*this);
}

void TVANE::WriteLine(std::string_view line) {
    if (!FClient)
        throw NetError("not connected");
    FClient->writeLine(line);
}

bool TVANE::SendLine(std::string_view line) {
    try {
        WriteLine(line);
        return true;
    } catch (const NetError&) {
        Disconnect();
        return false;
    }
}

void TVANE::WatchdogTick() {
    if (++FShared->pingCount <= 10)
        return;
    try {
        Disconnect();
    } catch (const NetError&) {
        // The connection is abandoned anyway; a failed "LX:" must not keep the watchdog
        // from signing in again.
    }
    Connect();
}

ConnectionState TVANE::State() const {
    return FShared->state;
}

void TVANE::SetState(ConnectionState state) {
    FShared->state = state;
}

std::int32_t TVANE::PingCount() const {
    return FShared->pingCount;
}

void TVANE::ResetPingCount() {
    FShared->pingCount = 0;
}

}  // namespace kv
