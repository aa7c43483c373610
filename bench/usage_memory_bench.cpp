// Memory in use, on the xcb platform under Xvfb with a window manager (openbox), beside a bare
// Qt Widgets program showing one label: the client signed in with 300 partners and idle; then
// with 20 chat windows of 100 entries each; then with the help page open (the web host's
// processes counted apart); then after the help page was closed and the web host ended.
// Resident memory is read 2 s after each step. Prints figures; asserts nothing.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "bench_chat_server.h"
#include "devserver/account_data.h"
#include "devserver/account_store.h"
#include "devserver/http_server.h"
#include "devserver/service_pages.h"
#include "process_figures.h"
#include "qt/application.h"
#include "support/x_desktop.h"
#include "ui/main/MainUnit.h"
#include "ui/main/desktop_services.h"

namespace {

using namespace std::chrono_literals;

constexpr int kPartners = 300;
constexpr int kWindows = 20;
constexpr int kEntries = 100;

// Runs the event loop for `ms`, or until `done` holds; false when it never did.
template <typename Done>
bool runFor(int ms, Done done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void settle() {
    runFor(2000, [] { return false; });
}

// The bare program's resident memory 2 s after its window was mapped (median of 3).
double bareMiB(const std::string& program, const std::string& display) {
    std::vector<double> samples;
    for (int i = 0; i < 3; ++i) {
        kv::test::MapWatch watch(display);
        const pid_t pid = kv::test::SpawnQuiet({program}, {"QT_QPA_PLATFORM=xcb"});
        if (watch.WaitForMapped(60s)) {
            std::this_thread::sleep_for(2s);
            samples.push_back(kv::bench::ResidentMiB(pid));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return kv::bench::Median(samples);
}

}  // namespace

int main(int argc, char** argv) {
    kv::test::XDesktop desktop(true);
    if (!desktop.Ok()) {
        std::printf("memory in use on xcb: skipped, %s\n", desktop.WhyNot().c_str());
        return 0;
    }
    QTemporaryDir home;
    ::setenv("DISPLAY", desktop.Display().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::setenv("XDG_CONFIG_HOME", home.path().toUtf8().constData(), 1);
    ::setenv("XDG_RUNTIME_DIR", home.path().toUtf8().constData(), 1);
    const std::filesystem::path dir = std::filesystem::path(argv[0]).parent_path();
    const std::string bare = (dir / "minimal_widgets").string();
    // The modules and the web host are beside the program, one folder up from here.
    ::setenv("KESTROVANE_MODULE_DIR", (dir / "..").lexically_normal().c_str(), 0);
    // The browser engine refuses its sandbox to root (a build machine, never a member).
    if (::getuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    const double bareRss = bareMiB(bare, desktop.Display());

    kv::bench::BurstServer chat(kPartners, kWindows * kEntries, kWindows);
    ::setenv("KESTROVANE_SERVER", ("127.0.0.1:" + std::to_string(chat.port())).c_str(), 1);
    kv::devserver::AccountStore store{kv::devserver::loadAccounts(KV_DEVSERVER_DEMO_DATA)};
    kv::devserver::ServicePages pages{store, {}};
    std::atomic<int> helpRequests{0};
    kv::devserver::HttpServerOptions o;
    o.port = 0;
    kv::devserver::HttpServer web(o, [&](const kv::devserver::HttpRequest& r) {
        if (r.path == "/messenger/znewhelp.asp")
            ++helpRequests;
        return pages.handle(r);
    });
    web.start();
    ::setenv("KESTROVANE_WEB_ROOT", ("http://127.0.0.1:" + std::to_string(web.port())).c_str(), 1);

    kv::KestrovaneApplication app(argc, argv);
    kv::DesktopServices services(&app);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    auto form = std::make_unique<kv::TMainForm>(services.ForMainWindow(self, {"/noau"}));
    form->show();
    const long pid = ::getpid();

    int handled = 0;
    auto route = form->Conn().OnMessage;
    form->Conn().OnMessage = [&] {
        route();
        ++handled;
    };
    form->Session().SignIn("bench", "bench");
    if (!runFor(30000, [&] { return form->Conn().State() == kv::ConnectionState::SignedIn; })) {
        std::printf("memory in use: the sign-in did not finish\n");
        return 1;
    }
    settle();
    const double idle = kv::bench::ResidentMiB(pid);

    chat.SendBurst();
    runFor(120000, [&] { return handled >= kWindows * kEntries; });
    settle();
    const double chats = kv::bench::ResidentMiB(pid);
    const auto windows = form->SessionList().size();
    const auto libraries = kv::bench::MappedLibraries(pid);
    const bool multimedia = std::any_of(libraries.begin(), libraries.end(), [](const auto& l) {
        return l.rfind("libQt6Multimedia", 0) == 0;
    });

    form->actHelpExecute();
    const long host = services.web.HostProcessId();
    runFor(60000, [&] { return helpRequests > 0; });
    runFor(3000, [] { return false; });  // the page renders
    const double withHelp = kv::bench::ResidentMiB(pid);
    const double hostRss = host > 0 ? kv::bench::ResidentMiBWithDescendants(host) : 0;
    const auto hostProcesses = host > 0 ? kv::bench::WithDescendants(host).size() : 0;

    form->HelpWebForm->Close();
    QElapsedTimer hostEnd;
    hostEnd.start();
    runFor(60000, [&] { return services.web.HostProcessId() == -1; });
    const double hostMs = static_cast<double>(hostEnd.elapsed());
    settle();
    const double afterHelp = kv::bench::ResidentMiB(pid);

    std::printf(
        "memory in use on the xcb platform (Xvfb + openbox), resident 2 s after each step\n");
    std::printf("  %-52s %8.1f MiB\n", "bare Qt Widgets program, one label", bareRss);
    auto row = [&](const char* what, double mib, double before) {
        std::printf("  %-52s %8.1f MiB  %5.2fx bare  (%+.1f MiB)\n", what, mib, mib / bareRss,
                    mib - before);
    };
    row("kestrovane signed in, 300 partners, idle", idle, bareRss);
    std::printf("    (target: at most 1.50x bare)\n");
    row("  + 20 chat windows of 100 entries each", chats, idle);
    std::printf("    (%zu chat windows, %d lines handled; the alarm sound's Qt Multimedia %s)\n",
                windows, handled, multimedia ? "loaded" : "not loaded");
    row("  + help page open: kestrovane itself", withHelp, chats);
    std::printf("  %-52s %8.1f MiB  in %zu processes\n", "    the web host and its processes",
                hostRss, hostProcesses);
    row("  help page closed, web host ended", afterHelp, chats);
    std::printf("    (the web host ended %.1f s after the page closed)\n", hostMs / 1000.0);
    form->QuitWithoutAsking();
    form.reset();
    return 0;
}
