#pragma once

// A program started by a test, its standard output and error going to files, with bounded
// waits for its output and its end. Killed when the object goes.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kv::test {

class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env, const std::string& outputPath)
        : outputPath_(outputPath) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(out, 2);
            for (const auto& [k, v] : env)
                ::setenv(k.c_str(), v.c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
    }
    ~ChildProcess() {
        if (running()) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    std::string output() const {
        std::ifstream in(outputPath_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Waits until the output holds `text`; false when the bound passed or the program ended.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds bound) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (std::chrono::steady_clock::now() < deadline) {
            if (output().find(text) != std::string::npos)
                return true;
            if (!running())
                return output().find(text) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    bool running() {
        if (exited_)
            return false;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            exited_ = true;
            status_ = status;
            return false;
        }
        return true;
    }

    // The exit code once it ended within the bound, else -1.
    int waitForExit(std::chrono::milliseconds bound) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (running())
            return -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    }

    void signal(int sig) { ::kill(pid_, sig); }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
    std::string outputPath_;
};

}  // namespace kv::test
