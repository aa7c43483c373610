#pragma once

// What the benchmarks read of a running process from /proc: resident memory, the shared
// libraries it has mapped, and its descendants (the web host's own processes).

#include <sys/types.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace kv::bench {

// Resident memory in MiB (VmRSS), 0 when the process is gone.
inline double ResidentMiB(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (in >> key) {
        if (key == "VmRSS:") {
            double kib = 0;
            in >> kib;
            return kib / 1024.0;
        }
        in.ignore(1 << 20, '\n');
    }
    return 0;
}

// The shared libraries mapped, as file names.
inline std::set<std::string> MappedLibraries(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/maps");
    std::set<std::string> out;
    std::string line;
    while (std::getline(in, line)) {
        const auto slash = line.find('/');
        if (slash == std::string::npos || line.find(".so", slash) == std::string::npos)
            continue;
        out.insert(std::filesystem::path(line.substr(slash)).filename().string());
    }
    return out;
}

// The process and every process below it.
inline std::vector<long> WithDescendants(long pid) {
    std::vector<long> all{pid};
    for (std::size_t i = 0; i < all.size(); ++i) {
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit))
                continue;
            std::ifstream stat(entry.path() / "stat");
            std::string text((std::istreambuf_iterator<char>(stat)), {});
            const auto close = text.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream rest(text.substr(close + 2));
            char state;
            long parent = 0;
            rest >> state >> parent;
            if (parent == all[i])
                all.push_back(std::stol(name));
        }
    }
    return all;
}

inline double ResidentMiBWithDescendants(long pid) {
    double sum = 0;
    for (long p : WithDescendants(pid))
        sum += ResidentMiB(p);
    return sum;
}

inline double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace kv::bench
