#include "messaging/copy_data_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <memory>
#include <optional>

#include "platform/peer_user.h"

namespace kv {

CopyDataServer::CopyDataServer(Sink sink, QObject* parent)
    : QObject(parent), FSink(std::move(sink)), FServer(new QLocalServer(this)) {
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, [this] { OnNewConnection(); });
}

bool CopyDataServer::Listen(const QString& path) {
    QLocalServer::removeServer(path);
    return FServer->listen(path);
}

void CopyDataServer::Close() {
    FServer->close();
}

QString CopyDataServer::DefaultPath() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(dir.isEmpty() ? QDir::tempPath() : dir)
        .filePath(QStringLiteral("kestrovane-%1.sock").arg(QCoreApplication::applicationPid()));
}

void CopyDataServer::OnNewConnection() {
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        if (FConnections >= kMaxConnections ||
            !PeerIsCurrentUser(static_cast<std::intptr_t>(socket->socketDescriptor()))) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++FConnections;
        socket->setReadBufferSize(static_cast<qint64>(kMaxCopyDataBytes));
        struct Pending {
            CopyDataReader reader;
            bool done = false;
        };
        auto pending = std::make_shared<Pending>();
        auto finish = [this, socket, pending](bool ended) {
            if (pending->done)
                return;
            std::optional<CopyDataMessage> message;
            if (pending->reader.Current() == CopyDataReader::State::Complete)
                message = pending->reader.Message();
            else if (ended)
                message = pending->reader.Finish();
            else if (pending->reader.Current() == CopyDataReader::State::Reading)
                return;
            pending->done = true;
            --FConnections;
            socket->abort();
            socket->deleteLater();
            if (message)
                FSink(*message);
        };
        auto readSome = [socket, pending] {
            char buffer[4096];
            qint64 n = 0;
            while (pending->reader.Current() == CopyDataReader::State::Reading &&
                   (n = socket->read(buffer, sizeof buffer)) > 0)
                pending->reader.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        };
        connect(socket, &QLocalSocket::readyRead, this, [readSome, finish] {
            readSome();
            finish(false);
        });
        connect(socket, &QLocalSocket::disconnected, this, [readSome, finish] {
            readSome();
            finish(true);
        });
        QTimer::singleShot(kConnectionMs, socket, [finish] { finish(false); });
        // Bytes that came with the connection itself.
        readSome();
        finish(socket->state() != QLocalSocket::ConnectedState);
    }
}

}  // namespace kv
