#pragma once

// One end of the channel between the program and its web host (see web_host_protocol.h): a
// stream socket watched on the user-interface thread. Messages are written whole without ever
// blocking (queued while the peer is slow) and read as they come; either side's end, a broken
// stream or a peer that stops reading ends the channel once, through `ended`.

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "core/web/web_host_protocol.h"

class QSocketNotifier;

namespace kv {

class WebHostChannel final : public QObject {
public:
    using MessageSink = std::function<void(const WebHostMessage&)>;
    // `broken`: the peer sent what this program does not send, or stopped reading.
    using EndSink = std::function<void(bool broken)>;

    // Takes the socket `fd` (made non-blocking and closed on exec). The sinks may destroy the
    // channel.
    WebHostChannel(int fd, MessageSink received, EndSink ended, QObject* parent = nullptr);
    ~WebHostChannel() override;

    // Queues the message; false once the channel has ended.
    bool Send(const WebHostMessage& message);
    bool IsOpen() const { return FFd >= 0; }
    // Ends it from this side without calling `ended`: the peer reads the end of the stream.
    void Shut();

    // What may wait unsent before the peer counts as not reading.
    static constexpr std::size_t kMaxQueuedBytes = 16 * 1024 * 1024;

private:
    void ReadAvailable();
    void WritePending();
    void End(bool broken);

    int FFd = -1;
    MessageSink FReceived;
    EndSink FEnded;
    WebHostReader FReader;
    std::string FPending;
    bool FOverflowed = false;
    QSocketNotifier* FReadNotifier = nullptr;
    QSocketNotifier* FWriteNotifier = nullptr;
    // Cleared when the channel is destroyed, so that a sink destroying it stops the loops.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

}  // namespace kv
