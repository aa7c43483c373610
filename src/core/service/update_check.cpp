#include "core/service/update_check.h"

#include <array>
#include <cstdlib>

#include "core/base/text.h"

#ifndef KESTROVANE_DEFAULT_WEB_ROOT
#error "KESTROVANE_DEFAULT_WEB_ROOT must be defined by the build"
#endif

namespace kv {

std::string CommaField(std::string_view text, int n) {
    // Positions count from 1 and 0 means "no comma"; the restart after the last comma is kept
    // on purpose, so every list reader agrees on the same fields.
    std::size_t p = 0;
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) {
        start = p + 1;
        const auto found = text.find(',', start - 1);
        p = found == std::string_view::npos ? 0 : found + 1;
    }
    if (n < 1 || p <= start)
        return {};
    return std::string(text.substr(start - 1, p - start));
}

namespace {

std::array<std::string_view, 4> versionParts(std::string_view version) {
    std::array<std::string_view, 4> parts{};
    for (std::size_t i = 0; i < parts.size() - 1; ++i) {
        const auto dot = version.find('.');
        if (dot == std::string_view::npos) {
            parts[i] = version;
            return parts;
        }
        parts[i] = version.substr(0, dot);
        version.remove_prefix(dot + 1);
    }
    parts.back() = version;
    return parts;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

int CompareVersion(std::string_view current, std::string_view listed) {
    const auto currentParts = versionParts(current);
    const auto listedParts = versionParts(listed);
    for (std::size_t i = 0; i < currentParts.size(); ++i) {
        const std::int32_t listedPart = strToInt(listedParts[i]);
        const std::int32_t currentPart = strToInt(currentParts[i]);
        if (currentPart < listedPart)
            return 1;
        if (currentPart > listedPart)
            return 0;
    }
    return 0;
}

UpdateDecision DecideUpdate(std::string_view listBody, std::string_view currentVersion) {
    if (listBody.empty())
        return UpdateDecision::NothingNewer;
    const std::string_view firstLine = listBody.substr(0, listBody.find_first_of("\r\n"));
    const std::string listed = CommaField(firstLine, 1);
    return CompareVersion(currentVersion, listed) == 1 ? UpdateDecision::HandOver
                                                       : UpdateDecision::NothingNewer;
}

std::string UpdateServerRoot(std::string_view updateRoot, std::string_view webRoot,
                             std::string_view builtInWebRoot) {
    std::string root(!updateRoot.empty() ? updateRoot
                     : !webRoot.empty()  ? webRoot
                                         : builtInWebRoot);
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    return root;
}

std::string UpdateServerRoot() {
    return UpdateServerRoot(environment("KESTROVANE_UPDATE_ROOT"),
                            environment("KESTROVANE_WEB_ROOT"), KESTROVANE_DEFAULT_WEB_ROOT);
}

std::string UpdateListUrl(std::string_view serverRoot) {
    return std::string(serverRoot) + std::string(kUpdateListPath);
}

std::string UpdaterPath(std::string_view appDir) {
    // Never a bare name: that would be looked up on the search path instead.
    std::string path = appDir.empty() ? std::string("./") : std::string(appDir);
    if (path.back() != '/' && path.back() != '\\')
        path += '/';
    return path + std::string(kUpdaterName);
}

bool RunUpdateCheck(HttpGet& http, ProcessLauncher& launcher, std::string_view appDir,
                    const std::vector<std::string>& args, const std::string& listUrl,
                    std::chrono::milliseconds bound) {
    if (!args.empty() && args.front() == kNoUpdateSwitch)
        return false;
    const std::string body = http.get(listUrl, bound);
    if (DecideUpdate(body) != UpdateDecision::HandOver)
        return false;
    // The updater is handed the running version, not the listed one; a failed start is
    // silent and the program still ends, leaving the update to the next start.
    launcher.start(UpdaterPath(appDir), kProgramVersion);
    return true;
}

}  // namespace kv
