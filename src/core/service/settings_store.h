#pragma once

// The settings store: the member's settings, kept between runs in the program's settings key
// (Registry), the auto-run entry, the publication of the running instance and the set-up of the
// alarm player. Every text is CP949.
//
// The settings are read once, by LoadSettings when the main window is created, and written back
// once, by SaveSettings as the last step of destroying it; between the two they change only in
// memory, apart from the instance that PublishInstance publishes. Everything here runs on the
// user-interface thread.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/ports/autorun.h"
#include "core/ports/media_player.h"
#include "core/ports/registry.h"

namespace kv {

struct WindowBounds {
    int Top = 0;
    int Left = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const WindowBounds&) const = default;
};

// Every stored value, declared once with its name and default. All live in the section
// "Option" but for the instance values, which are in the key itself.
namespace settings_key {

struct Flag {
    const char* name;
    bool fallback;
};
struct Number {
    const char* name;
    int fallback;
};

inline constexpr Flag Autorun{"Autorun", true};
inline constexpr Flag AutoLogin{"AutoLogin", false};
inline constexpr Flag SavePassword{"SavePassword", false};
inline constexpr const char* Userid = "Userid";
inline constexpr const char* Password = "Password";
inline constexpr Flag Alram{"Alram", true};
inline constexpr const char* AlramFile = "AlramFile";
inline constexpr const char* AlramFileDefault = "Alarm.wav";
inline constexpr Flag Alramrepeat{"Alramrepeat", true};
inline constexpr Number Top{"Top", 200};
inline constexpr Number Left{"Left", 400};
inline constexpr Number Width{"Width", 281};
inline constexpr Number Height{"Height", 435};
inline constexpr Number CTop{"CTop", 210};
inline constexpr Number CLeft{"CLeft", 410};
inline constexpr Number CWidth{"CWidth", 280};
inline constexpr Number CHeight{"CHeight", 400};
// In the key itself; written while an instance runs, never read by the store.
inline constexpr const char* PATH = "PATH";
inline constexpr const char* HWND = "HWND";
inline constexpr const char* PID = "PID";

// The cipher keys of the stored user id and password.
inline constexpr std::string_view UseridKey = "qzvhetwmrbnxopl";
inline constexpr std::string_view PasswordKey = "ygcwpfiamsoetjh";

// How often the alarm sound plays when it repeats.
inline constexpr int AlramRepeatCount = 100;

}  // namespace settings_key

// The main window's settings fields, with the values a first run starts from.
struct Settings {
    bool FAutorun = settings_key::Autorun.fallback;
    bool FAutoLogin = settings_key::AutoLogin.fallback;
    bool FSavePassword = settings_key::SavePassword.fallback;
    std::string FUserid;
    std::string FPassword;
    bool FAlram = settings_key::Alram.fallback;
    std::string FAlramFile = settings_key::AlramFileDefault;
    bool FAlramrepeat = settings_key::Alramrepeat.fallback;
    // The main window's position and size: set by LoadSettings, to be filled with the window's
    // current bounds before SaveSettings.
    WindowBounds MainBounds{settings_key::Top.fallback, settings_key::Left.fallback,
                            settings_key::Width.fallback, settings_key::Height.fallback};

    bool operator==(const Settings&) const = default;
};

// What the running instance publishes in the key itself for outside programs.
struct InstanceInfo {
    std::string ProgramPath;   // full path of the program file
    std::string WindowHandle;  // where the main window receives copy-data (its socket's path)
    std::int64_t ProcessId = 0;
};

// The address of the alarm sound: the service web root, "/bell/" and the file name.
std::string BellURL(std::string_view serviceWebRoot, std::string_view alramFile);

class SettingsStore {
public:
    // `player` may be null (no alarm player); the others must outlive the store.
    SettingsStore(Registry& registry, AutoRun& autoRun, MediaPlayer* player, InstanceInfo instance,
                  std::string serviceWebRoot);

    // Fills `s` from the key and sets up the alarm player (its failures are ignored). Writes
    // nothing.
    void LoadSettings(Settings& s);

    // Publishes PATH, HWND and PID, committing them at once so that outside programs find the
    // running instance. Returns whether that commit succeeded. The main window does this once
    // it is on the screen: the commit waits for the disk, which the first picture need not.
    bool PublishInstance();

    // Writes the fields and s.MainBounds, sets or clears the auto-run entry after s.FAutorun and
    // removes HWND and PID (PATH stays). Returns whether the key and the entry were written.
    bool SaveSettings(const Settings& s);

    // The auto-run entry pointing at the program file / removed.
    bool SetAutoRun();
    bool ClearAutoRun();

private:
    Registry& registry_;
    AutoRun& autoRun_;
    MediaPlayer* player_;
    InstanceInfo instance_;
    std::string serviceWebRoot_;
};

// Sets up the player for the alarm sound: no automatic start, the sound's address, 100 plays
// when it repeats, else one. Whatever the player throws is ignored.
void SetUpAlarmPlayer(MediaPlayer& player, std::string_view serviceWebRoot,
                      std::string_view alramFile, bool alramRepeat);

// The chat window's position and size ("CTop", "CLeft", "CWidth", "CHeight"), defaults for the
// missing or unreadable ones. WriteChatBounds commits at once: the chat windows write when they
// are activated and closed, not at exit.
WindowBounds ReadChatBounds(const Registry& registry);
bool WriteChatBounds(Registry& registry, const WindowBounds& bounds);

}  // namespace kv
