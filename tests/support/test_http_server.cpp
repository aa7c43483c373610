#include "support/test_http_server.h"

#include <QHostAddress>
#include <stdexcept>

namespace kv::test {

TestHttpServer::TestHttpServer() {
    if (!server_.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("test HTTP server: cannot listen");
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { onConnection(); });
}

TestHttpServer::~TestHttpServer() {
    for (const auto& socket : sockets_) {
        if (socket)
            socket->abort();
    }
}

QString TestHttpServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void TestHttpServer::respond(int status, const QByteArray& reason, const QByteArray& body) {
    mode_ = Mode::Respond;
    status_ = status;
    reason_ = reason;
    body_ = body;
}

void TestHttpServer::onConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections_;
        sockets_.append(socket);
        socket->setParent(&server_);
        socket->setProperty("request", QByteArray());
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, socket] { onReadable(socket); });
    }
}

void TestHttpServer::onReadable(QTcpSocket* socket) {
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> requestLine = request.left(request.indexOf("\r\n")).split(' ');
    requests_.append(requestLine.value(1));

    switch (mode_) {
        case Mode::Respond:
            socket->write("HTTP/1.1 " + QByteArray::number(status_) + ' ' + reason_ +
                          "\r\nContent-Type: text/plain\r\nContent-Length: " +
                          QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n" +
                          body_);
            socket->disconnectFromHost();
            break;
        case Mode::Silent: break;
        case Mode::HeadersThenStall:
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100\r\n\r\n"
                "1.0.2,");
            break;
        case Mode::Endless:
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket,
                             [this, socket] { feedEndless(socket); });
            feedEndless(socket);
            break;
    }
}

void TestHttpServer::feedEndless(QTcpSocket* socket) {
    // Keep a little queued; the next chunk follows when it has gone out.
    if (socket->bytesToWrite() < 64 * 1024)
        socket->write(QByteArray(64 * 1024, 'x'));
}

}  // namespace kv::test
