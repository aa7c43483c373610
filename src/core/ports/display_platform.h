#pragma once

// Which windowing platform the program asks Qt for, decided from the session's environment
// before the application object exists. On a Wayland desktop that also offers an X display
// (XWayland) the program runs on X: Wayland lets no client place its own windows, and the
// popups at the task bar's edge, the saved window positions and the edge snapping all place
// windows. A platform the member named in QT_QPA_PLATFORM is always respected.

#include <functional>
#include <optional>
#include <string>

namespace kv {

struct DisplayPlatformChoice {
    std::string platform;  // the Qt platform plugin to ask for; empty: Qt's own choice
    std::string notice;    // to say once on standard error; empty: nothing to say
};

// `env` looks up an environment variable (nothing when it is unset).
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

DisplayPlatformChoice ChooseDisplayPlatform(const EnvironmentLookup& env);

// The lookup over this process's environment.
std::optional<std::string> ProcessEnvironment(const char* name);

}  // namespace kv
