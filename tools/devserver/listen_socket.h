#pragma once

// The listening side shared by the dev server's chat and web servers.

#include <string>

#include "core/base/errors.h"

namespace kv::devserver {

struct ListenSocket {
    int fd = -1;
    int port = 0;  // the real one, also when 0 was asked for
};

// A TCP socket listening on host:port; NetError when that fails.
ListenSocket listenOn(const std::string& host, int port, int backlog);

// NetError for the failed call `what`, with the system's reason.
NetError systemError(const std::string& what);

}  // namespace kv::devserver
