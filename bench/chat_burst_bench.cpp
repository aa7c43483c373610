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

#include "core/base/cp949.h"
#include "core/posix/posix_line_socket.h"
#include "qt/application.h"
#include "ui/main/MainUnit.h"
#include "ui/main/desktop_services.h"

#include "bench_chat_server.h"

namespace {

constexpr int kPartners = 20;
constexpr int kMessages = 1000;

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().toUtf8().constData(), 1);
    ::setenv("XDG_RUNTIME_DIR", home.path().toUtf8().constData(), 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    kv::bench::BurstServer server(kPartners, kMessages);
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
    while (form.Conn().State() != kv::ConnectionState::SignedIn)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    QCoreApplication::processEvents();

    QElapsedTimer sinceProbe;
    qint64 longestGapMs = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout,
                     [&] { longestGapMs = std::max(longestGapMs, sinceProbe.restart()); });
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
