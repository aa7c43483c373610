#pragma once

// Reading what the client wrote to a scripted server while this thread's Qt event loop keeps
// serving the client's windows and its receive thread's hand-overs.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <optional>
#include <string>

#include "support/scripted_server.h"

namespace kv::test {

inline std::optional<std::string> nextLineServed(ScriptedServer& server, int boundMs = 5000) {
    QDeadlineTimer deadline(boundMs);
    while (!deadline.hasExpired()) {
        if (auto line = server.readLine(std::chrono::milliseconds(5)))
            return line;
        QCoreApplication::processEvents();
    }
    return std::nullopt;
}

}  // namespace kv::test
