#include <gtest/gtest.h>

#include <map>

#include "core/ports/display_platform.h"

namespace kv {
namespace {

DisplayPlatformChoice Choose(const std::map<std::string, std::string>& vars) {
    return ChooseDisplayPlatform([&vars](const char* name) -> std::optional<std::string> {
        const auto it = vars.find(name);
        if (it == vars.end())
            return std::nullopt;
        return it->second;
    });
}

TEST(DisplayPlatform, DecisionTable) {
    struct Row {
        const char* what;
        std::map<std::string, std::string> vars;
        const char* platform;
        bool notice;
    };
    const Row rows[] = {
        {"Wayland session with XWayland runs on X",
         {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}},
         "xcb",
         false},
        {"a compositor socket alone marks a Wayland session",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":1"}},
         "xcb",
         false},
        {"the session type alone marks one too",
         {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}},
         "xcb",
         false},
        {"pure Wayland stays on Wayland and says so",
         {{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}},
         "wayland",
         true},
        {"an empty DISPLAY is no X display",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}},
         "wayland",
         true},
        {"X session: Qt's own choice", {{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, "", false},
        {"no session at all: Qt's own choice", {}, "", false},
        {"the member's platform is respected",
         {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
         "",
         false},
        {"offscreen is respected",
         {{"QT_QPA_PLATFORM", "offscreen"}, {"DISPLAY", ":0"}},
         "",
         false},
        {"an empty QT_QPA_PLATFORM names nothing",
         {{"QT_QPA_PLATFORM", ""}, {"WAYLAND_DISPLAY", "w"}, {"DISPLAY", ":0"}},
         "xcb",
         false},
    };
    for (const Row& row : rows) {
        const DisplayPlatformChoice choice = Choose(row.vars);
        EXPECT_EQ(choice.platform, row.platform) << row.what;
        EXPECT_EQ(!choice.notice.empty(), row.notice) << row.what;
    }
}

}  // namespace
}  // namespace kv
