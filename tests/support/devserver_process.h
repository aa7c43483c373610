#pragma once

// kestrovane-devserver as a process of its own, its chat and web servers on ports the system
// picks, its output in a file: for the end-to-end tests.

#include <chrono>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace kv::test {

class DevServerProcess {
public:
    DevServerProcess(const std::string& program, std::vector<std::string> extraArgs,
                     const std::string& outputPath) {
        std::vector<std::string> args{"--chat-port", "0", "--http-port", "0"};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        process_ = std::make_unique<ChildProcess>(program, args,
                                                  std::map<std::string, std::string>{}, outputPath);
    }

    // Waits until both servers listen and reads their addresses; false when the bound passed.
    bool waitListening(std::chrono::milliseconds bound = std::chrono::seconds(10)) {
        if (!process_->waitForOutput("http listening on", bound))
            return false;
        const std::string log = process_->output();
        std::smatch chat, web;
        if (!std::regex_search(log, chat, std::regex("(^|\n)listening on ([0-9.]+:[0-9]+)")) ||
            !std::regex_search(log, web, std::regex("http listening on [0-9.]+:([0-9]+)")))
            return false;
        chatAddress_ = chat[2].str();
        webPort_ = std::stoi(web[1].str());
        return true;
    }

    // "host:port", as KESTROVANE_SERVER takes it.
    const std::string& chatAddress() const { return chatAddress_; }
    int webPort() const { return webPort_; }
    ChildProcess& process() { return *process_; }
    std::string output() const { return process_->output(); }
    bool waitForOutput(const std::string& text, std::chrono::milliseconds bound) {
        return process_->waitForOutput(text, bound);
    }

private:
    std::unique_ptr<ChildProcess> process_;
    std::string chatAddress_;
    int webPort_ = 0;
};

}  // namespace kv::test
