#include "core/posix/xdg_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace kv {
namespace {

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

// "/" itself becomes empty, so that appending "/name" gives "/name".
std::string withoutTrailingSlashes(std::string path) {
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

std::optional<std::string> under(const char* xdgConfigHomeEnv, const char* homeEnv,
                                 const char* relative) {
    auto base = xdgConfigHome(xdgConfigHomeEnv, homeEnv);
    if (!base)
        return std::nullopt;
    return *base + relative;
}

std::string homeFromUserDatabase() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr)
        return {};
    return found->pw_dir;
}

std::string currentHome() {
    const char* home = std::getenv("HOME");
    return isSet(home) ? std::string(home) : homeFromUserDatabase();
}

}  // namespace

std::optional<std::string> xdgConfigHome(const char* xdgConfigHomeEnv, const char* homeEnv) {
    if (isSet(xdgConfigHomeEnv) && xdgConfigHomeEnv[0] == '/')
        return withoutTrailingSlashes(xdgConfigHomeEnv);
    if (!isSet(homeEnv))
        return std::nullopt;
    return withoutTrailingSlashes(homeEnv) + "/.config";
}

std::optional<std::string> settingsFilePath(const char* xdgConfigHomeEnv, const char* homeEnv) {
    return under(xdgConfigHomeEnv, homeEnv, "/Kestrovane/Kestrovane.ini");
}

std::optional<std::string> autostartFilePath(const char* xdgConfigHomeEnv, const char* homeEnv) {
    return under(xdgConfigHomeEnv, homeEnv, "/autostart/Kestrovane.desktop");
}

std::optional<std::string> currentSettingsFilePath() {
    const std::string home = currentHome();
    return settingsFilePath(std::getenv("XDG_CONFIG_HOME"), home.c_str());
}

std::optional<std::string> currentAutostartFilePath() {
    const std::string home = currentHome();
    return autostartFilePath(std::getenv("XDG_CONFIG_HOME"), home.c_str());
}

}  // namespace kv
