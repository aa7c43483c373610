#pragma once

// TVANE: the one connection to the chat server. It keeps the connection state, the values sent
// at sign-in and those of pending requests, reads the server's lines on a receive thread of its
// own and raises one event per recognised line on the user-interface thread. It answers "ping"
// and "close" itself.
//
// Threads: every member is used on the user-interface thread, except where a comment says
// otherwise. The receive thread touches only the shared part (state, watchdog count) and its
// own connection, so it may outlive the component: destroying a TVANE while a receive thread
// is finishing, even one waiting to hand a line over, is safe and never waits for it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/base/CommonUnit.h"
#include "core/ports/line_socket.h"
#include "core/ports/ui_thread.h"

namespace kv {

// Where a connection stands.
enum class ConnectionState : std::uint8_t {
    Closed,     // no connection
    SigningIn,  // connected; the sign-in and its lists are under way
    SignedIn,
};

class TVANEListenThread;

class TVANE {
public:
    // A notify event gets the component and runs on the thread that raises it.
    using TNotifyEvent = std::function<void(TVANE& sender)>;
    // A line event reads Msg and always runs on the user-interface thread. An exception it
    // throws ends the connection as a read error does.
    using TLineEvent = std::function<void()>;

    TVANE(std::shared_ptr<UiThread> ui, LineSocketFactory socketFactory);
    ~TVANE();
    TVANE(const TVANE&) = delete;
    TVANE& operator=(const TVANE&) = delete;

    // ---- Published properties --------------------------------------------------------------
    std::string Host;
    std::int32_t Port = kChatServerPort;
    std::string Userid;
    std::string Password;
    // The last line that raised a line event, whole and untrimmed, without its CR LF. Set on
    // the user-interface thread just before the handler runs.
    std::string Msg;
    std::string CmdType;
    std::string AddGroupName;
    std::string AddNation;
    std::string AddPreNum;
    std::string AddNumber;
    std::string AddVtNumber;
    std::string AddNickName;
    std::int32_t CashCount = 0;

    TNotifyEvent OnConnect;
    TNotifyEvent OnDisconnect;  // always raised on the user-interface thread
    // Raised on the receive thread after a read error ended the connection. Runs while the
    // component's shared lock is held: it must not wait for the user-interface thread.
    TNotifyEvent OnThreadDisconnect;
    TLineEvent OnMessage;
    TLineEvent OnActiveMessage;
    TLineEvent OnLogin_Ok;
    TLineEvent OnLogin_NotOk;
    TLineEvent OnShutOut;
    TLineEvent OnActiveGroupList;
    TLineEvent OnActiveList;
    TLineEvent OnCheckMoney;
    TLineEvent OnGroupAdd;
    TLineEvent OnUserAdd;

    // ---- Operations ------------------------------------------------------------------------

    // Opens the connection (state 1), starts the receive thread and raises OnConnect. False,
    // with nothing changed, when not in state 0; false, back in state 0 and without any event,
    // when connecting fails.
    bool Connect();

    // Sends "LX:" and closes when connected; in every state sets state 0 and raises
    // OnDisconnect. A failed "LX:" still closes and raises the event, then throws NetError.
    void Disconnect();

    // Writes one line on the current connection; NetError when there is none or it fails.
    void WriteLine(std::string_view line);

    // Writes the line; on failure calls Disconnect and returns false. A failed "LX:" inside
    // that Disconnect still throws, as it does for Disconnect itself.
    bool SendLine(std::string_view line);

    // One tick of the keep-alive watchdog (every 5 s while signed in). The eleventh tick
    // without a "ping" closes the connection and signs in again with the same values.
    void WatchdogTick();

    ConnectionState State() const;
    // Only the sign-in's completion sets SignedIn; the state otherwise follows the connection.
    void SetState(ConnectionState state);
    std::int32_t PingCount() const;
    void ResetPingCount();

    struct Shared;  // the part the receive threads share; defined in vane.cpp

private:
    void RaiseDisconnect();

    std::shared_ptr<Shared> FShared;
    std::shared_ptr<TVANEListenThread> FThread;
    std::shared_ptr<LineSocket> FClient;
    LineSocketFactory FSocketFactory;
};

// Receive threads still running in this process, over all components; they end on their own
// within one read after being asked to stop. For tests and orderly shutdown.
std::size_t runningListenThreads();
bool waitForListenThreads(std::chrono::milliseconds bound);

}  // namespace kv
