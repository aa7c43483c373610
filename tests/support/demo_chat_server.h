#pragma once

// The dev server's chat server with the demo accounts, in the test's own process on a port the
// system picks, without pings; the client is pointed at it through KESTROVANE_SERVER.

#include <cstdlib>
#include <string>

#include "devserver/account_store.h"
#include "devserver/chat_server.h"

namespace kv::test {

struct DemoChatServer {
    devserver::AccountStore store{devserver::loadAccounts(KV_DEVSERVER_DEMO_DATA)};
    devserver::ChatServer chat{store, [] {
                                   devserver::ServerOptions o;
                                   o.chatPort = 0;
                                   o.pingInterval = std::chrono::milliseconds(0);
                                   return o;
                               }()};

    DemoChatServer() {
        chat.start();
        ::setenv("KESTROVANE_SERVER", ("127.0.0.1:" + std::to_string(chat.port())).c_str(), 1);
    }
    ~DemoChatServer() { ::unsetenv("KESTROVANE_SERVER"); }
};

}  // namespace kv::test
