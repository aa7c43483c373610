// Start-up benchmark: the time from starting the program to its main window shown and drawn
// (offscreen, "/noau", no automatic sign-in), and its peak memory, beside a minimal Qt Widgets
// program measured in the same run. Prints figures; asserts nothing.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Sample {
    double ms;
    long maxRssKiB;
};

Sample runOnce(const std::string& program, const std::vector<std::string>& args,
               const std::string& configHome) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", configHome.c_str(), 1);
        ::setenv("KESTROVANE_EXIT_WHEN_SHOWN", "1", 1);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "%s ended with status %d\n", program.c_str(), status);
    return {std::chrono::duration<double, std::milli>(end - start).count(), usage.ru_maxrss};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = std::filesystem::path(argv[0]).parent_path();
    const std::string client = (dir / ".." / "kestrovane").lexically_normal().string();
    const std::string minimal = (dir / "minimal_widgets").string();
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    const auto config =
        std::filesystem::temp_directory_path() / ("kv-startup-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(config);
    std::filesystem::permissions(config, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);

    // One start of each to fill the file cache, then alternate so both see the same machine.
    runOnce(client, {"/noau"}, config.string());
    runOnce(minimal, {}, config.string());
    std::vector<double> clientMs, minimalMs, clientRss, minimalRss;
    for (int i = 0; i < rounds; ++i) {
        const Sample c = runOnce(client, {"/noau"}, config.string());
        const Sample m = runOnce(minimal, {}, config.string());
        clientMs.push_back(c.ms);
        minimalMs.push_back(m.ms);
        clientRss.push_back(c.maxRssKiB / 1024.0);
        minimalRss.push_back(m.maxRssKiB / 1024.0);
    }
    std::filesystem::remove_all(config);

    const double cMs = median(clientMs), mMs = median(minimalMs);
    const double cRss = median(clientRss), mRss = median(minimalRss);
    std::printf("start-up to main window drawn, offscreen, median of %d runs\n", rounds);
    std::printf("  minimal Qt Widgets program: %7.1f ms  %6.1f MiB peak\n", mMs, mRss);
    std::printf("  kestrovane /noau:           %7.1f ms  %6.1f MiB peak\n", cMs, cRss);
    std::printf("  ratio:                      %7.2f     %6.2f\n", cMs / mMs, cRss / mRss);
    return 0;
}
