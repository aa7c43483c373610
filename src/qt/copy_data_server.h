#pragma once

// The main window's copy-data entry on Linux: a local socket that only the same user may open.
// Each connection carries one framed message (a 4-byte little-endian kind, then CP949 text);
// connections are few, short and bounded in size, so a misbehaving sender costs little.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "core/messaging/copy_data.h"

class QSocketNotifier;

namespace kv {

// Plain POSIX sockets watched by QSocketNotifier: the program links no Qt Network for it.
class CopyDataServer : public QObject {
public:
    using Sink = std::function<void(const CopyDataMessage&)>;

    CopyDataServer(Sink sink, QObject* parent = nullptr);
    ~CopyDataServer() override;

    // Listens at `path`, replacing a socket a crashed run may have left. False on failure.
    bool Listen(const QString& path);
    void Close();

    // Where outside programs reach it: $XDG_RUNTIME_DIR (else the temporary folder) and the
    // process id.
    static QString DefaultPath();

    static constexpr int kMaxConnections = 8;
    static constexpr int kConnectionMs = 5000;

private:
    struct Connection;
    void OnNewConnection();
    void ReadFrom(Connection* c);
    void Finish(Connection* c, bool ended, bool timeUp);

    Sink FSink;
    int FListenFd = -1;
    std::string FPath;
    QSocketNotifier* FListenNotifier = nullptr;
    int FConnections = 0;
};

}  // namespace kv
