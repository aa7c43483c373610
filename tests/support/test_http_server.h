#pragma once

// A tiny HTTP/1.1 server on 127.0.0.1, an ephemeral port, running in the test's own thread:
// it serves while the code under test runs a local event loop. Each mode fixes how it treats
// every request it receives.

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

namespace kv::test {

class TestHttpServer {
public:
    enum class Mode {
        Respond,           // status line, headers, body, then close
        Silent,            // accept and never answer
        HeadersThenStall,  // headers with a Content-Length, part of the body, then nothing
        Endless,           // 200 without a length, then body bytes for as long as read
    };

    TestHttpServer();
    ~TestHttpServer();

    quint16 port() const { return server_.serverPort(); }
    QString url(const QString& path) const;

    void respond(int status, const QByteArray& reason, const QByteArray& body);
    void setMode(Mode mode) { mode_ = mode; }

    // Request targets seen so far ("/kestrovane/filelist.txt"), in order.
    const QList<QByteArray>& requests() const { return requests_; }
    int connections() const { return connections_; }

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);
    void feedEndless(QTcpSocket* socket);

    QTcpServer server_;
    Mode mode_ = Mode::Respond;
    int status_ = 200;
    QByteArray reason_ = "OK";
    QByteArray body_;
    QList<QByteArray> requests_;
    int connections_ = 0;
    QList<QPointer<QTcpSocket>> sockets_;
};

}  // namespace kv::test
