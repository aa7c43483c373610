// Burst benchmark: 1,000 "H:" lines for 20 partners arrive in one write, from a loopback server
// through the receive thread, the routing and the chat windows into their logs (offscreen).
// Reports the total time and the longest stretch the UI thread went without processing
// events, measured by a 1 ms probe timer. Prints figures; asserts nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "app/MainUnit.h"
#include "app/application.h"
#include "app/desktop_services.h"
#include "common/cp949.h"
#include "platform/posix/posix_line_socket.h"

namespace {

constexpr int kPartners = 20;
constexpr int kMessages = 1000;

// Plays the chat server: answers the sign-in with one group and 20 partners, then sends the
// burst once told to.
class BurstServer {
public:
    BurstServer() {
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
        for (int i = 0; i < kPartners; ++i)
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
            for (int i = 0; i < kMessages; ++i)
                burst += "H:p" + std::to_string(i % kPartners) + ":" + kv::cp949("메시지 ") +
                         std::to_string(i) + "<br>" + kv::cp949("두 번째 줄") + "\r\n";
            s.writeBytes(burst);
            while (s.readLine(kv::LineSocket::kNoTimeout)) {
            }
        } catch (...) {
            // The client went away: the run is over.
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::promise<void> go_;
    bool sent_ = false;
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toUtf8().constData(), 1);
    ::setenv("XDG_RUNTIME_DIR", home.path().toUtf8().constData(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    BurstServer server;
    ::setenv("KESTROVANE_SERVER", ("127.0.0.1:" + std::to_string(server.port())).c_str(), 1);

    kv::KestrovaneApplication app(argc, argv);
    kv::DesktopServices desktop(&app);
    kv::TMainForm form(desktop.ForMainWindow("/usr/bin/kestrovane", {"/noau"}));
    form.show();

    int handled = 0;
    auto route = form.Conn().OnMessage;
    form.Conn().OnMessage = [&] {
        route();
        ++handled;
    };
    form.Session().SignIn("bench", "bench");
    while (form.Conn().State() != 2)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QCoreApplication::processEvents();

    QElapsedTimer sinceProbe;
    qint64 longestGapMs = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, sinceProbe.restart());
    });
    QElapsedTimer total;
    total.start();
    sinceProbe.start();
    probe.start();
    server.SendBurst();
    while (handled < kMessages)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    const double totalMs = total.nsecsElapsed() / 1e6;
    probe.stop();

    std::printf("burst of %d H: lines for %d partners, offscreen\n", kMessages, kPartners);
    std::printf("  total, socket to logs:      %8.1f ms (%.2f ms per line)\n", totalMs,
                totalMs / kMessages);
    std::printf("  longest UI stretch without events: %ld ms\n", static_cast<long>(longestGapMs));
    form.QuitWithoutAsking();
    return 0;
}
