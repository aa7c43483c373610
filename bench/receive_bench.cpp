// Receive path benchmark: how many server lines per second reach a handler on the UI thread
// through the receive thread and the Qt hand-over, beside a bare read-and-split loop over the
// same bytes; the hand-over latency; the receive thread's wake-ups while idle; and how long a
// stop request takes to end the thread. Prints figures; asserts nothing.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "core/connection/vane.h"
#include "core/posix/posix_line_socket.h"
#include "qt/qt_ui_thread.h"

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// A one-connection server on 127.0.0.1 that runs `serve` with the accepted socket.
class BenchServer {
public:
    BenchServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(fd_, 4);
        socklen_t len = sizeof addr;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~BenchServer() {
        if (thread_.joinable())
            thread_.join();
        ::close(fd_);
    }
    int port() const { return port_; }
    template <typename Serve>
    void start(Serve serve) {
        thread_ = std::thread([this, serve] {
            const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            kv::PosixLineSocket socket;
            socket.adopt(client);
            serve(socket);
        });
    }

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

std::string blast(int lines) {
    std::string payload;
    const std::string text = "H:12345:" + std::string(48, 'x') + "\r\n";
    payload.reserve(text.size() * static_cast<std::size_t>(lines));
    for (int i = 0; i < lines; ++i)
        payload += text;
    return payload;
}

// Context switches of every thread of this process but the calling one.
long otherThreadSwitches() {
    long total = 0;
    const std::string self = std::to_string(::gettid());
    DIR* dir = ::opendir("/proc/self/task");
    while (dirent* entry = ::readdir(dir)) {
        const std::string tid = entry->d_name;
        if (tid == "." || tid == ".." || tid == self)
            continue;
        std::ifstream status("/proc/self/task/" + tid + "/status");
        std::string key;
        long value = 0;
        while (status >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                status >> value;
                total += value;
            }
        }
    }
    ::closedir(dir);
    return total;
}

void runUntil(const std::function<bool()>& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

double bareLinesPerSecond(const std::string& bytes, int lines) {
    BenchServer server;
    server.start([&](kv::PosixLineSocket& s) {
        s.writeBytes(bytes);
        s.close();
    });
    kv::PosixLineSocket client;
    client.connect("127.0.0.1", server.port(), {});
    QElapsedTimer timer;
    timer.start();
    int got = 0;
    while (got < lines) {
        if (client.readLine(kv::LineSocket::kNoTimeout))
            ++got;
    }
    return got / (timer.nsecsElapsed() / 1e9);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    constexpr int kLines = 200000;
    const std::string bytes = blast(kLines);
    auto ui = kv::QtUiThread::create(&app);

    // 1. Throughput: receive thread + hand-over + handler, and the bare loop on the same bytes.
    double viaHandOver = 0;
    {
        BenchServer server;
        server.start([&](kv::PosixLineSocket& s) { s.writeBytes(bytes); });
        kv::TVANE vane(ui, kv::makePosixLineSocket);
        vane.Host = "127.0.0.1";
        vane.Port = server.port();
        int handled = 0;
        QElapsedTimer timer;
        vane.OnMessage = [&] {
            if (handled++ == 0)
                timer.start();
        };
        vane.Connect();
        runUntil([&] { return handled >= kLines; });
        viaHandOver = (kLines - 1) / (timer.nsecsElapsed() / 1e9);
        vane.Disconnect();
    }
    const double bare = bareLinesPerSecond(bytes, kLines);

    // 2. Latency: one line at a time, stamped by the server, measured in the handler.
    std::vector<double> latencyUs;
    {
        constexpr int kSamples = 3000;
        std::atomic<int> handled{0};
        BenchServer server;
        server.start([&](kv::PosixLineSocket& s) {
            for (int i = 0; i < kSamples; ++i) {
                s.writeLine("H:1:" + std::to_string(nowNs()));
                while (handled.load() <= i)
                    std::this_thread::yield();
            }
        });
        kv::TVANE vane(ui, kv::makePosixLineSocket);
        vane.Host = "127.0.0.1";
        vane.Port = server.port();
        vane.OnMessage = [&] {
            const std::int64_t sent = std::stoll(vane.Msg.substr(4));
            latencyUs.push_back((nowNs() - sent) / 1000.0);
            ++handled;
        };
        vane.Connect();
        runUntil([&] { return handled.load() >= kSamples; });
        vane.Disconnect();
    }
    std::sort(latencyUs.begin(), latencyUs.end());

    // 3. Idle wake-ups and the stop request. The server thread blocks without waking, so the
    // switches counted over the idle seconds are the receive thread's.
    double wakeupsPerSecond = 0;
    double stopMs = 0;
    {
        BenchServer server;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        server.start([released](kv::PosixLineSocket& s) {
            released.wait();
            s.close();
        });
        kv::TVANE vane(ui, kv::makePosixLineSocket);
        vane.Host = "127.0.0.1";
        vane.Port = server.port();
        vane.Connect();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const long before = otherThreadSwitches();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        wakeupsPerSecond = (otherThreadSwitches() - before) / 3.0;
        QElapsedTimer stop;
        stop.start();
        vane.Disconnect();
        kv::waitForListenThreads(std::chrono::seconds(5));
        stopMs = stop.nsecsElapsed() / 1e6;
        release.set_value();
    }

    auto pct = [&](double p) {
        return latencyUs[static_cast<std::size_t>(p * (latencyUs.size() - 1))];
    };
    std::printf("receive path, %d lines of %zu bytes\n", kLines, bytes.size() / kLines);
    std::printf("  bare read-and-split:            %10.0f lines/s\n", bare);
    std::printf("  thread + UI hand-over + handler: %9.0f lines/s  (%.4f of bare, 1/%.0f)\n",
                viaHandOver, viaHandOver / bare, bare / viaHandOver);
    std::printf("  hand-over latency: median %.1f us, p99 %.1f us, max %.1f us (%zu samples)\n",
                pct(0.5), pct(0.99), latencyUs.back(), latencyUs.size());
    std::printf("  idle receive thread wake-ups:   %.1f per second\n", wakeupsPerSecond);
    std::printf("  stop request to thread ended:   %.2f ms\n", stopMs);
    return 0;
}
