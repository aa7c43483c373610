// kestrovane-devserver: a local stand-in for the service, for the demo and end-to-end tests.
// Prints "listening on HOST:PORT" (the chat server) and then "http listening on HOST:PORT"
// (the web side) on stdout once both accept connections; ends on SIGINT or SIGTERM. Log lines
// go to stderr.

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "core/base/errors.h"
#include "devserver/account_data.h"
#include "devserver/account_store.h"
#include "devserver/chat_server.h"
#include "devserver/command_line.h"
#include "devserver/http_server.h"
#include "devserver/service_pages.h"

namespace {

// The demo accounts: copied beside the executable by the build, installed in
// ../share/kestrovane, else read from the sources.
std::string demoDataFile() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (const auto& candidate :
             {exe.parent_path() / "demo-accounts.txt",
              exe.parent_path().parent_path() / "share" / "kestrovane" / "demo-accounts.txt"}) {
            if (std::filesystem::exists(candidate, ec))
                return candidate.string();
        }
    }
    return KV_DEVSERVER_DEMO_DATA;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kv::devserver;
    CommandLine cl;
    try {
        cl = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "kestrovane-devserver: " << e.what() << "\n" << kUsage;
        return 2;
    }
    if (cl.help) {
        std::cout << kUsage;
        return 0;
    }

    // Every thread inherits the blocked signals; only sigwait below takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        AccountStore store(loadAccounts(cl.dataFile.empty() ? demoDataFile() : cl.dataFile));
        store.advanceClock(std::chrono::seconds(cl.clockOffset));
        ChatServer chat(store, cl.server, [](std::string_view text) {
            std::cerr << "devserver: " << text << std::endl;
        });
        chat.start();
        const ServicePages pages(store, cl.web);
        HttpServerOptions httpOptions;
        httpOptions.host = cl.server.host;
        httpOptions.port = cl.httpPort;
        HttpServer http(
            httpOptions, [&pages](const HttpRequest& r) { return pages.handle(r); },
            [verbose = cl.server.verbose](std::string_view text) {
                if (verbose)
                    std::cerr << "devserver http: " << text << std::endl;
            });
        http.start();
        // Both lines come once every part accepts, so a caller may go on after the first.
        std::cout << "listening on " << cl.server.host << ":" << chat.port() << std::endl;
        std::cout << "http listening on " << cl.server.host << ":" << http.port() << std::endl;

        int signal = 0;
        sigwait(&stopSignals, &signal);
        std::cerr << "devserver: stopping" << std::endl;
        http.stop();
        chat.stop();
    } catch (const std::exception& e) {
        std::cerr << "kestrovane-devserver: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
