#include "qt/web_host_channel.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace kv {

WebHostChannel::WebHostChannel(int fd, MessageSink received, EndSink ended, QObject* parent)
    : QObject(parent), FFd(fd), FReceived(std::move(received)), FEnded(std::move(ended)) {
    ::fcntl(FFd, F_SETFL, ::fcntl(FFd, F_GETFL) | O_NONBLOCK);
    ::fcntl(FFd, F_SETFD, FD_CLOEXEC);
    FReadNotifier = new QSocketNotifier(FFd, QSocketNotifier::Read, this);
    connect(FReadNotifier, &QSocketNotifier::activated, this, [this] { ReadAvailable(); });
    FWriteNotifier = new QSocketNotifier(FFd, QSocketNotifier::Write, this);
    FWriteNotifier->setEnabled(false);
    connect(FWriteNotifier, &QSocketNotifier::activated, this, [this] { WritePending(); });
}

WebHostChannel::~WebHostChannel() {
    *FAlive = false;
    Shut();
}

void WebHostChannel::Shut() {
    if (FFd < 0)
        return;
    delete FReadNotifier;
    delete FWriteNotifier;
    FReadNotifier = FWriteNotifier = nullptr;
    ::close(FFd);
    FFd = -1;
    FPending.clear();
}

bool WebHostChannel::Send(const WebHostMessage& message) {
    if (FFd < 0 || FOverflowed)
        return false;
    try {
        FPending += EncodeWebHostMessage(message);
    } catch (const std::invalid_argument&) {
        // Over the channel's limit (a page's text, say): dropped, the channel goes on.
        return false;
    }
    if (FPending.size() > kMaxQueuedBytes) {
        // Ended from the event loop: the caller is in the middle of its own work.
        FOverflowed = true;
        FPending.clear();
        FWriteNotifier->setEnabled(false);
        QMetaObject::invokeMethod(
            this, [this] { End(true); }, Qt::QueuedConnection);
        return false;
    }
    WritePending();
    return FFd >= 0;
}

void WebHostChannel::WritePending() {
    while (FFd >= 0 && !FPending.empty()) {
        const ssize_t n = ::send(FFd, FPending.data(), FPending.size(), MSG_NOSIGNAL);
        if (n > 0) {
            FPending.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The peer is gone: the read side sees the end of the stream and ends the channel
        // from the event loop.
        FPending.clear();
        break;
    }
    if (FWriteNotifier)
        FWriteNotifier->setEnabled(!FPending.empty());
}

void WebHostChannel::ReadAvailable() {
    const std::shared_ptr<bool> alive = FAlive;
    char buffer[16384];
    for (;;) {
        if (FFd < 0)
            return;
        const ssize_t n = ::recv(FFd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            End(false);
            return;
        }
        FReader.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        while (auto message = FReader.Next()) {
            FReceived(*message);
            if (!*alive || FFd < 0)
                return;
        }
        if (FReader.Broken()) {
            End(true);
            return;
        }
    }
}

void WebHostChannel::End(bool broken) {
    if (FFd < 0)
        return;
    Shut();
    if (FEnded)
        FEnded(broken);
}

}  // namespace kv
