#pragma once

// A main window's services, faked but for the socket and the UI hand-over, with a scripted
// chat server the window signs in to (KESTROVANE_SERVER points at it while the rig lives).

#include <cstdlib>
#include <optional>
#include <string>

#include "support/fake_main_services.h"
#include "support/menu_captions.h"
#include "support/scripted_server.h"
#include "support/served_lines.h"

namespace kv::test {

struct ServedMainServices : FakeMainServices {
    ScriptedServer server;

    ServedMainServices() {
        ::setenv("KESTROVANE_SERVER", ("127.0.0.1:" + std::to_string(server.port())).c_str(), 1);
    }
    ~ServedMainServices() { ::unsetenv("KESTROVANE_SERVER"); }

    // The next line the client wrote, while the window's event loop keeps running.
    std::optional<std::string> nextLine() { return nextLineServed(server); }
};

}  // namespace kv::test
