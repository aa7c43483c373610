#include "qt/copy_data_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "core/ports/peer_user.h"

namespace kv {

// One sender's connection: its socket, the watch on it, its deadline and what it sent so far.
// Owned by the server through Qt's parent (the notifier and timer are children of `holder`).
struct CopyDataServer::Connection {
    int fd = -1;
    QObject* holder = nullptr;
    QSocketNotifier* notifier = nullptr;
    CopyDataReader reader;
    bool done = false;
};

CopyDataServer::CopyDataServer(Sink sink, QObject* parent)
    : QObject(parent), FSink(std::move(sink)) {}

CopyDataServer::~CopyDataServer() {
    Close();
}

bool CopyDataServer::Listen(const QString& path) {
    Close();
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(bytes.size()) >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // A socket a crashed run left behind is replaced. Only this user may open the new one:
    // it is made with no access for others, before anyone can connect.
    ::unlink(addr.sun_path);
    const mode_t previous = ::umask(0177);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::umask(previous);
    if (!bound || ::listen(fd, kMaxConnections) != 0) {
        ::close(fd);
        return false;
    }
    FListenFd = fd;
    FPath = bytes.toStdString();
    FListenNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(FListenNotifier, &QSocketNotifier::activated, this, [this] { OnNewConnection(); });
    return true;
}

void CopyDataServer::Close() {
    if (FListenFd < 0)
        return;
    delete FListenNotifier;
    FListenNotifier = nullptr;
    ::close(FListenFd);
    FListenFd = -1;
    ::unlink(FPath.c_str());
}

QString CopyDataServer::DefaultPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(dir.isEmpty() ? QDir::tempPath() : dir)
        .filePath(QStringLiteral("kestrovane-%1.sock").arg(QCoreApplication::applicationPid()));
}

void CopyDataServer::OnNewConnection() {
    for (;;) {
        const int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        if (FConnections >= kMaxConnections || !PeerIsCurrentUser(fd)) {
            ::close(fd);
            continue;
        }
        ++FConnections;
        auto* c = new Connection;
        c->fd = fd;
        c->holder = new QObject(this);
        c->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, c->holder);
        connect(c->notifier, &QSocketNotifier::activated, c->holder, [this, c] { ReadFrom(c); });
        QTimer::singleShot(kConnectionMs, c->holder, [this, c] { Finish(c, false, true); });
        connect(c->holder, &QObject::destroyed, [c] { delete c; });
        ReadFrom(c);  // bytes that came with the connection itself
    }
}

void CopyDataServer::ReadFrom(Connection* c) {
    char buffer[4096];
    bool ended = false;
    while (c->reader.Current() == CopyDataReader::State::Reading) {
        const ssize_t n = ::read(c->fd, buffer, sizeof buffer);
        if (n > 0) {
            c->reader.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n < 0 && errno == EINTR)
            continue;
        ended = true;  // the sender closed, or the connection failed
        break;
    }
    Finish(c, ended, false);
}

// Ends the connection once its message is whole, the sender closed, it grew too long, or its
// time ran out; a whole message then goes to the sink. A sender that is still writing when its
// time runs out is dropped with what it sent.
void CopyDataServer::Finish(Connection* c, bool ended, bool timeUp) {
    if (c->done)
        return;
    std::optional<CopyDataMessage> message;
    if (c->reader.Current() == CopyDataReader::State::Complete)
        message = c->reader.Message();
    else if (ended)
        message = c->reader.Finish();
    else if (c->reader.Current() == CopyDataReader::State::Reading && !timeUp)
        return;
    c->done = true;
    --FConnections;
    c->notifier->setEnabled(false);
    ::close(c->fd);
    c->holder->deleteLater();
    if (message)
        FSink(*message);
}

}  // namespace kv
