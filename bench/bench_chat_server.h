#pragma once

// A chat server for the benchmarks, in the benchmark's own process on a free loopback port: it
// answers the sign-in with one group of `partners` partners (ports "p0", "p1", ...), then, once
// told to, sends `messages` "H:" lines in one write, spread over the first `talkers` partners
// (all of them when 0).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <string>
#include <thread>

#include "core/base/cp949.h"
#include "core/posix/posix_line_socket.h"

namespace kv::bench {

class BurstServer {
public:
    BurstServer(int partners, int messages, int talkers = 0)
        : partners_(partners), messages_(messages), talkers_(talkers > 0 ? talkers : partners) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(fd_, 1);
        socklen_t len = sizeof addr;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~BurstServer() {
        if (!sent_)
            go_.set_value();
        thread_.join();
        ::close(fd_);
    }
    int port() const { return port_; }
    void SendBurst() {
        sent_ = true;
        go_.set_value();
    }

private:
    void Serve() {
        kv::PosixLineSocket s;
        s.adopt(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
        std::string partners;
        for (int i = 0; i < partners_; ++i)
            partners += "1," + kv::cp949("친구") + std::to_string(i) + ",0101234" +
                        std::to_string(1000 + i) + ",,p" + std::to_string(i) + ",0/";
        try {
            while (auto line = s.readLine(kv::LineSocket::kNoTimeout)) {
                if (line->rfind("LO:", 0) == 0)
                    s.writeLine("R:ak");
                else if (*line == "GC:")
                    s.writeLine("GR:1," + kv::cp949("친구들") + "/");
                else if (*line == "AC:")
                    s.writeLine("AC:" + partners);
                else if (*line == "RC:") {
                    s.writeLine("RV:100");
                    break;
                }
            }
            go_.get_future().wait();
            std::string burst;
            for (int i = 0; i < messages_; ++i)
                burst += "H:p" + std::to_string(i % talkers_) + ":" + kv::cp949("메시지 ") +
                         std::to_string(i) + "<br>" + kv::cp949("두 번째 줄") + "\r\n";
            s.writeBytes(burst);
            while (s.readLine(kv::LineSocket::kNoTimeout)) {
            }
        } catch (...) {
            // The client went away: the run is over.
        }
    }

    int partners_;
    int messages_;
    int talkers_;
    int fd_ = -1;
    int port_ = 0;
    std::promise<void> go_;
    bool sent_ = false;
    std::thread thread_;
};

}  // namespace kv::bench
