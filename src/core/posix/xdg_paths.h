#pragma once

// Where the program's files go under the XDG base directory rules. Pure functions of the
// environment values, so that tests can drive them; a null or empty value counts as unset.

#include <optional>
#include <string>

namespace kv {

// $XDG_CONFIG_HOME when it is an absolute path (the rules say a relative one is ignored), else
// $HOME/.config; nothing when neither is usable.
std::optional<std::string> xdgConfigHome(const char* xdgConfigHomeEnv, const char* homeEnv);

// <config home>/Kestrovane/Kestrovane.ini
std::optional<std::string> settingsFilePath(const char* xdgConfigHomeEnv, const char* homeEnv);

// <config home>/autostart/Kestrovane.desktop
std::optional<std::string> autostartFilePath(const char* xdgConfigHomeEnv, const char* homeEnv);

// The same two paths from this process's environment; HOME falls back to the user database.
std::optional<std::string> currentSettingsFilePath();
std::optional<std::string> currentAutostartFilePath();

}  // namespace kv
