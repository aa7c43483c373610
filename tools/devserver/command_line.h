#pragma once

// The dev server's command line.

#include <stdexcept>
#include <string>
#include <vector>

#include "devserver/chat_server.h"
#include "devserver/service_pages.h"

namespace kv::devserver {

struct CommandLine {
    ServerOptions server;  // its host is the web side's too
    int httpPort = 8080;   // 0: a free port
    WebOptions web;
    std::string dataFile;  // empty: the demo accounts
    int clockOffset = 0;   // seconds the service clock runs ahead of this machine's
    bool help = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Options take their value as "--name VALUE" or "--name=VALUE". Throws UsageError.
CommandLine parseCommandLine(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace kv::devserver
