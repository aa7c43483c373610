// Start-up benchmark: the client ("/noau", no automatic sign-in) beside a bare Qt Widgets
// program, alternating so that both see the same machine.
//
// First on the xcb platform under Xvfb with a window manager (openbox), as a member's desktop
// runs it: the time from starting the process to its main window mapped, the resident memory
// 2 s after, and the shared libraries the client maps that the bare program does not. Then
// offscreen: the time until the main window has been drawn (the process ends there) and the
// peak memory. Offscreen hides OpenGL and the tray, so the first table is the one that counts.
// Prints figures; asserts nothing.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "process_figures.h"
#include "support/x_desktop.h"

namespace {

using namespace std::chrono_literals;
using kv::bench::Median;

struct Sample {
    bool ok = false;
    double ms = 0;
    double rssMiB = 0;
    std::set<std::string> libraries;
};

pid_t start(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::pair<std::string, std::string>>& env) {
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [k, v] : env)
            ::setenv(k.c_str(), v.c_str(), 1);
        std::freopen("/dev/null", "w", stderr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

// On the X display: spawn to mapped, then memory and libraries 2 s later.
Sample runOnX(const std::string& program, const std::vector<std::string>& args,
              const std::string& display, const std::string& home) {
    kv::test::MapWatch watch(display);
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = start(program, args,
                            {{"QT_QPA_PLATFORM", "xcb"},
                             {"DISPLAY", display},
                             {"XDG_CONFIG_HOME", home},
                             {"XDG_RUNTIME_DIR", home}});
    Sample s;
    if (const auto mapped = watch.WaitForMapped(60s)) {
        s.ok = true;
        s.ms = std::chrono::duration<double, std::milli>(*mapped - begin).count();
        std::this_thread::sleep_for(2s);
        s.rssMiB = kv::bench::ResidentMiB(pid);
        s.libraries = kv::bench::MappedLibraries(pid);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return s;
}

// Offscreen: the process ends once its window has been drawn.
Sample runOffscreen(const std::string& program, const std::vector<std::string>& args,
                    const std::string& home) {
    const auto begin = std::chrono::steady_clock::now();
    const pid_t pid = start(program, args,
                            {{"QT_QPA_PLATFORM", "offscreen"},
                             {"XDG_CONFIG_HOME", home},
                             {"XDG_RUNTIME_DIR", home},
                             {"KESTROVANE_EXIT_WHEN_SHOWN", "1"}});
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Sample s;
    s.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    s.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    s.rssMiB = usage.ru_maxrss / 1024.0;
    return s;
}

// The ratios are medians of each round's own ratio: the two programs of a round start back to
// back, so a machine that slows down or speeds up over the run moves both alike.
struct Table {
    std::vector<double> clientMs, bareMs, clientMiB, bareMiB, msRatios, mibRatios;
    std::set<std::string> clientLibraries, bareLibraries;
    int failed = 0;
    void add(const Sample& client, const Sample& bare) {
        if (!client.ok || !bare.ok) {
            ++failed;
            return;
        }
        clientMs.push_back(client.ms);
        bareMs.push_back(bare.ms);
        clientMiB.push_back(client.rssMiB);
        bareMiB.push_back(bare.rssMiB);
        if (bare.ms > 0 && bare.rssMiB > 0) {
            msRatios.push_back(client.ms / bare.ms);
            mibRatios.push_back(client.rssMiB / bare.rssMiB);
        }
        clientLibraries = client.libraries;
        bareLibraries = bare.libraries;
    }
    void print(const char* timeLabel, const char* memoryLabel) const {
        const double cMs = Median(clientMs), bMs = Median(bareMs);
        const double cMiB = Median(clientMiB), bMiB = Median(bareMiB);
        std::printf("  %-28s %22s %22s\n", "", timeLabel, memoryLabel);
        std::printf("  %-28s %19.1f ms %18.1f MiB\n", "bare Qt Widgets program", bMs, bMiB);
        std::printf("  %-28s %19.1f ms %18.1f MiB\n", "kestrovane /noau", cMs, cMiB);
        std::printf("  %-28s %20.2fx %21.2fx   (target: at most 1.20x)\n", "ratio",
                    Median(msRatios), Median(mibRatios));
        if (failed)
            std::printf("  (%d runs failed and are left out)\n", failed);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = std::filesystem::path(argv[0]).parent_path();
    const std::string client = (dir / ".." / "kestrovane").lexically_normal().string();
    const std::string bare = (dir / "minimal_widgets").string();
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    const auto home =
        std::filesystem::temp_directory_path() / ("kv-startup-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    std::filesystem::permissions(home, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);

    {
        kv::test::XDesktop desktop(true);
        if (!desktop.Ok()) {
            std::printf("start-up on xcb: skipped, %s\n", desktop.WhyNot().c_str());
        } else {
            // One start of each to fill the file cache, then alternate, each first in turn.
            runOnX(client, {"/noau"}, desktop.Display(), home.string());
            runOnX(bare, {}, desktop.Display(), home.string());
            Table t;
            for (int i = 0; i < rounds; ++i) {
                Sample c, b;
                if (i % 2 == 0) {
                    c = runOnX(client, {"/noau"}, desktop.Display(), home.string());
                    b = runOnX(bare, {}, desktop.Display(), home.string());
                } else {
                    b = runOnX(bare, {}, desktop.Display(), home.string());
                    c = runOnX(client, {"/noau"}, desktop.Display(), home.string());
                }
                t.add(c, b);
            }
            std::printf(
                "start-up on the xcb platform (Xvfb + openbox), alternating, median of %d\n",
                rounds);
            t.print("spawn to mapped", "resident 2 s later");
            std::printf("  libraries kestrovane maps that the bare program does not:\n");
            int n = 0;
            for (const auto& l : t.clientLibraries)
                if (!t.bareLibraries.count(l))
                    std::printf("%s%s", n++ % 4 == 0 ? (n == 1 ? "    " : "\n    ") : "  ",
                                l.c_str());
            std::printf("%s\n", n == 0 ? "    (none)" : "");
        }
    }

    runOffscreen(client, {"/noau"}, home.string());
    runOffscreen(bare, {}, home.string());
    Table t;
    for (int i = 0; i < rounds; ++i) {
        const Sample c = runOffscreen(client, {"/noau"}, home.string());
        const Sample b = runOffscreen(bare, {}, home.string());
        t.add(c, b);
    }
    std::printf("start-up offscreen, alternating, median of %d\n", rounds);
    t.print("to window drawn", "peak");
    std::filesystem::remove_all(home);
    return 0;
}
