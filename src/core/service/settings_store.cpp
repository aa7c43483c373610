#include "core/service/settings_store.h"

#include "core/base/errors.h"
#include "core/base/text.h"
#include "core/crypto/dcpcrypt.h"

namespace kv {
namespace {

using settings_key::Flag;
using settings_key::Number;

constexpr auto kOption = RegistrySection::Option;
constexpr auto kKey = RegistrySection::Key;

// A missing value, or one whose text is not an integer, gives the default.
int readNumber(const Registry& registry, const Number& key) {
    const auto text = registry.read(kOption, key.name);
    if (!text)
        return key.fallback;
    try {
        return strToInt(*text);
    } catch (const ConvertError&) {
        return key.fallback;
    }
}

// Any integer other than 0 is true.
bool readFlag(const Registry& registry, const Flag& key) {
    return readNumber(registry, Number{key.name, key.fallback ? 1 : 0}) != 0;
}

std::string readText(const Registry& registry, const char* name, std::string_view fallback) {
    return registry.read(kOption, name).value_or(std::string(fallback));
}

void writeFlag(Registry& registry, const Flag& key, bool value) {
    registry.write(kOption, key.name, value ? "1" : "0");
}

void writeNumber(Registry& registry, const Number& key, int value) {
    registry.write(kOption, key.name, std::to_string(value));
}

bool isBlank(std::string_view text) {
    return trimBytes(text).empty();
}

}  // namespace

std::string BellURL(std::string_view serviceWebRoot, std::string_view alramFile) {
    std::string url(serviceWebRoot);
    url += "/bell/";
    url += alramFile;
    return url;
}

void SetUpAlarmPlayer(MediaPlayer& player, std::string_view serviceWebRoot,
                      std::string_view alramFile, bool alramRepeat) {
    // The player is optional: without one the program runs on, only silent.
    try {
        player.setAutoStart(false);
        player.setUrl(BellURL(serviceWebRoot, alramFile));
        player.setPlayCount(alramRepeat ? settings_key::AlramRepeatCount : 1);
    } catch (...) {
    }
}

SettingsStore::SettingsStore(Registry& registry, AutoRun& autoRun, MediaPlayer* player,
                             InstanceInfo instance, std::string serviceWebRoot)
    : registry_(registry),
      autoRun_(autoRun),
      player_(player),
      instance_(std::move(instance)),
      serviceWebRoot_(std::move(serviceWebRoot)) {}

void SettingsStore::LoadSettings(Settings& s) {
    namespace key = settings_key;
    s.FAutorun = readFlag(registry_, key::Autorun);
    s.FAutoLogin = readFlag(registry_, key::AutoLogin);
    s.FSavePassword = readFlag(registry_, key::SavePassword);
    s.FUserid = PC1Decrypt(key::UseridKey, readText(registry_, key::Userid, ""));
    s.FPassword = PC1Decrypt(key::PasswordKey, readText(registry_, key::Password, ""));
    // Signing in needs both; the fields keep what was stored, blanks included.
    if (isBlank(s.FUserid) || isBlank(s.FPassword)) {
        s.FAutoLogin = false;
        s.FSavePassword = false;
    }
    s.FAlram = readFlag(registry_, key::Alram);
    s.FAlramFile = readText(registry_, key::AlramFile, key::AlramFileDefault);
    s.FAlramrepeat = readFlag(registry_, key::Alramrepeat);

    if (player_ != nullptr)
        SetUpAlarmPlayer(*player_, serviceWebRoot_, s.FAlramFile, s.FAlramrepeat);

    s.MainBounds.Top = readNumber(registry_, key::Top);
    s.MainBounds.Left = readNumber(registry_, key::Left);
    s.MainBounds.Width = readNumber(registry_, key::Width);
    s.MainBounds.Height = readNumber(registry_, key::Height);
}

bool SettingsStore::PublishInstance() {
    namespace key = settings_key;
    registry_.write(kKey, key::PATH, instance_.ProgramPath);
    registry_.write(kKey, key::HWND, instance_.WindowHandle);
    registry_.write(kKey, key::PID, std::to_string(instance_.ProcessId));
    return registry_.commit();
}

bool SettingsStore::SaveSettings(const Settings& s) {
    namespace key = settings_key;
    writeFlag(registry_, key::Autorun, s.FAutorun);
    const bool autoRunWritten = s.FAutorun ? SetAutoRun() : ClearAutoRun();
    writeFlag(registry_, key::AutoLogin, s.FAutoLogin);
    writeFlag(registry_, key::SavePassword, s.FSavePassword);
    registry_.write(kOption, key::Userid, PC1Encrypt(key::UseridKey, s.FUserid));
    registry_.write(kOption, key::Password,
                    s.FSavePassword ? PC1Encrypt(key::PasswordKey, s.FPassword) : std::string());
    writeFlag(registry_, key::Alram, s.FAlram);
    registry_.write(kOption, key::AlramFile, s.FAlramFile);
    writeFlag(registry_, key::Alramrepeat, s.FAlramrepeat);
    writeNumber(registry_, key::Top, s.MainBounds.Top);
    writeNumber(registry_, key::Left, s.MainBounds.Left);
    writeNumber(registry_, key::Width, s.MainBounds.Width);
    writeNumber(registry_, key::Height, s.MainBounds.Height);
    registry_.remove(kKey, key::HWND);
    registry_.remove(kKey, key::PID);
    const bool keyWritten = registry_.commit();
    return keyWritten && autoRunWritten;
}

bool SettingsStore::SetAutoRun() {
    return autoRun_.set(instance_.ProgramPath);
}

bool SettingsStore::ClearAutoRun() {
    return autoRun_.clear();
}

WindowBounds ReadChatBounds(const Registry& registry) {
    namespace key = settings_key;
    return {readNumber(registry, key::CTop), readNumber(registry, key::CLeft),
            readNumber(registry, key::CWidth), readNumber(registry, key::CHeight)};
}

bool WriteChatBounds(Registry& registry, const WindowBounds& bounds) {
    namespace key = settings_key;
    writeNumber(registry, key::CTop, bounds.Top);
    writeNumber(registry, key::CLeft, bounds.Left);
    writeNumber(registry, key::CWidth, bounds.Width);
    writeNumber(registry, key::CHeight, bounds.Height);
    return registry.commit();
}

}  // namespace kv
