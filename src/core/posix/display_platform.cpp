#include "core/ports/display_platform.h"

#include <cstdlib>

namespace kv {

namespace {

bool isSet(const std::optional<std::string>& value) {
    return value && !value->empty();
}

}  // namespace

DisplayPlatformChoice ChooseDisplayPlatform(const EnvironmentLookup& env) {
    if (isSet(env("QT_QPA_PLATFORM")))
        return {};
    // A session counts as Wayland when it says so or when a compositor's socket is named;
    // Qt itself looks at the first only.
    const std::optional<std::string> sessionType = env("XDG_SESSION_TYPE");
    const bool wayland =
        (sessionType && *sessionType == "wayland") || isSet(env("WAYLAND_DISPLAY"));
    if (!wayland)
        return {};
    if (isSet(env("DISPLAY")))
        return {"xcb", {}};
    return {"wayland",
            "kestrovane: a Wayland session without an X display; window positions are left to "
            "the compositor"};
}

std::optional<std::string> ProcessEnvironment(const char* name) {
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

}  // namespace kv
