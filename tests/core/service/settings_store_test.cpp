#include "core/service/settings_store.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

#include "core/base/cp949.h"
#include "core/crypto/dcpcrypt.h"
#include "support/fake_autorun.h"
#include "support/fake_media_player.h"
#include "support/fake_registry.h"

namespace kv {

void PrintTo(const WindowBounds& b, std::ostream* os) {
    *os << "{top " << b.Top << ", left " << b.Left << ", " << b.Width << " x " << b.Height << "}";
}

void PrintTo(const Settings& s, std::ostream* os) {
    *os << "{autorun " << s.FAutorun << ", autologin " << s.FAutoLogin << ", savepw "
        << s.FSavePassword << ", userid '" << s.FUserid << "', password '" << s.FPassword
        << "', alram " << s.FAlram << ", file '" << s.FAlramFile << "', repeat " << s.FAlramrepeat
        << ", bounds ";
    PrintTo(s.MainBounds, os);
    *os << "}";
}

namespace {

using test::FakeAutoRun;
using test::FakeMediaPlayer;
using test::FakeRegistry;
namespace key = settings_key;

constexpr auto kOption = RegistrySection::Option;
constexpr auto kKey = RegistrySection::Key;

class SettingsStoreTest : public ::testing::Test {
protected:
    InstanceInfo Instance() const {
        return {"/opt/kestrovane/bin/kestrovane", "/run/user/1000/kestrovane-copydata.sock", 4242};
    }
    SettingsStore Store(MediaPlayer* player) {
        return SettingsStore(registry, autoRun, player, Instance(), "http://bell.example:8080");
    }
    Settings Load() {
        Settings s;
        // Start from values that no load leaves in place, so that every field is seen to be set.
        s.FAutorun = !key::Autorun.fallback;
        s.FUserid = "stale";
        s.FAlramFile = "stale.wav";
        s.MainBounds = {-1, -1, -1, -1};
        Store(&player).LoadSettings(s);
        return s;
    }
    void PresetCredentials(std::string_view userid, std::string_view password) {
        registry.preset(kOption, key::Userid, PC1Encrypt(key::UseridKey, userid));
        registry.preset(kOption, key::Password, PC1Encrypt(key::PasswordKey, password));
    }

    FakeRegistry registry;
    FakeAutoRun autoRun;
    FakeMediaPlayer player;
};

TEST_F(SettingsStoreTest, FirstRunGivesTheDefaultsAndPublishesTheInstance) {
    const Settings s = Load();
    EXPECT_TRUE(s.FAutorun);
    EXPECT_FALSE(s.FAutoLogin);
    EXPECT_FALSE(s.FSavePassword);
    EXPECT_EQ(s.FUserid, "");
    EXPECT_EQ(s.FPassword, "");
    EXPECT_TRUE(s.FAlram);
    EXPECT_EQ(s.FAlramFile, "Alarm.wav");
    EXPECT_TRUE(s.FAlramrepeat);
    EXPECT_EQ(s.MainBounds, (WindowBounds{200, 400, 281, 435}));
    EXPECT_EQ(s, Settings{});
    // Loading writes nothing: the settings go out only at exit.
    EXPECT_TRUE(registry.stored.empty());

    // Published in the key itself, and already written out for outside programs.
    EXPECT_TRUE(Store(&player).PublishInstance());
    EXPECT_EQ(registry.storedValue(kKey, "PATH"), "/opt/kestrovane/bin/kestrovane");
    EXPECT_EQ(registry.storedValue(kKey, "HWND"), "/run/user/1000/kestrovane-copydata.sock");
    EXPECT_EQ(registry.storedValue(kKey, "PID"), "4242");
    EXPECT_EQ(registry.stored.size(), 3u);
    // Neither touches the auto-run entry.
    EXPECT_EQ(autoRun.sets + autoRun.clears, 0);
}

TEST_F(SettingsStoreTest, LoadSetsUpTheAlarmPlayer) {
    Load();
    EXPECT_EQ(player.calls, (std::vector<std::string>{"autoStart", "url", "playCount"}));
    EXPECT_FALSE(player.autoStart);
    EXPECT_EQ(player.url, "http://bell.example:8080/bell/Alarm.wav");
    EXPECT_EQ(player.playCount, 100);
    EXPECT_EQ(player.plays, 0);

    FakeMediaPlayer once;
    registry.preset(kOption, "Alramrepeat", "0");
    registry.preset(kOption, "AlramFile", cp949("띵동.wav"));
    Settings s;
    Store(&once).LoadSettings(s);
    EXPECT_EQ(once.playCount, 1);
    EXPECT_EQ(once.url, "http://bell.example:8080/bell/" + cp949("띵동.wav"));
}

TEST_F(SettingsStoreTest, AFailingOrMissingPlayerDoesNotStopTheLoad) {
    registry.preset(kOption, "Top", "123");
    player.failing = true;
    Settings s = Load();
    EXPECT_EQ(s.MainBounds.Top, 123);

    Settings without;
    Store(nullptr).LoadSettings(without);
    EXPECT_EQ(without, s);
}

TEST_F(SettingsStoreTest, BlankCredentialsTurnAutoLoginAndSavePasswordOff) {
    struct Case {
        const char* userid;
        const char* password;
        bool kept;
    };
    const Case cases[] = {
        {"demo", "secret", true}, {"demo", "", false},      {"demo", "   ", false},
        {"", "secret", false},    {" \t", "secret", false}, {" demo ", " x ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("userid '") + c.userid + "' password '" + c.password + "'");
        registry = FakeRegistry();
        registry.preset(kOption, "AutoLogin", "1");
        registry.preset(kOption, "SavePassword", "1");
        PresetCredentials(c.userid, c.password);
        const Settings s = Load();
        EXPECT_EQ(s.FAutoLogin, c.kept);
        EXPECT_EQ(s.FSavePassword, c.kept);
        // The fields keep what was stored, blanks and all.
        EXPECT_EQ(s.FUserid, c.userid);
        EXPECT_EQ(s.FPassword, c.password);
    }
}

TEST_F(SettingsStoreTest, NumbersThatAreNotIntegersGiveTheirDefaults) {
    for (const char* bad : {"abc", "", " ", "12x", "1.5", "0x10", "99999999999", "--3"}) {
        SCOPED_TRACE(bad);
        registry = FakeRegistry();
        for (const char* name : {"Top", "Left", "Width", "Height"})
            registry.preset(kOption, name, bad);
        EXPECT_EQ(Load().MainBounds, (WindowBounds{200, 400, 281, 435}));
    }
    registry = FakeRegistry();
    registry.preset(kOption, "Top", "-15");
    registry.preset(kOption, "Left", "  30");
    registry.preset(kOption, "Width", "+500");
    registry.preset(kOption, "Height", "0");
    EXPECT_EQ(Load().MainBounds, (WindowBounds{-15, 30, 500, 0}));
}

TEST_F(SettingsStoreTest, BooleansAreIntegersAndAnythingButZeroIsTrue) {
    struct Case {
        const char* text;
        bool expected;  // for a flag whose default is false, and one whose default is true
        bool expectedWhenDefaultTrue;
    };
    const Case cases[] = {
        {"0", false, false}, {"1", true, true},    {"2", true, true},
        {"-1", true, true},  {"00", false, false}, {"true", false, true},
        {"", false, true},   {"yes", false, true}, {" 1", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        registry = FakeRegistry();
        PresetCredentials("demo", "secret");
        registry.preset(kOption, "AutoLogin", c.text);
        registry.preset(kOption, "SavePassword", c.text);
        registry.preset(kOption, "Autorun", c.text);
        registry.preset(kOption, "Alram", c.text);
        registry.preset(kOption, "Alramrepeat", c.text);
        const Settings s = Load();
        EXPECT_EQ(s.FAutoLogin, c.expected);
        EXPECT_EQ(s.FSavePassword, c.expected);
        EXPECT_EQ(s.FAutorun, c.expectedWhenDefaultTrue);
        EXPECT_EQ(s.FAlram, c.expectedWhenDefaultTrue);
        EXPECT_EQ(s.FAlramrepeat, c.expectedWhenDefaultTrue);
    }
}

TEST_F(SettingsStoreTest, SaveWritesEveryValueInItsEncoding) {
    Settings s = Load();
    s.FAutorun = false;
    s.FAutoLogin = true;
    s.FSavePassword = true;
    s.FUserid = "demo";
    s.FPassword = "secret";
    s.FAlram = false;
    s.FAlramFile = cp949("새 알림.wav");
    s.FAlramrepeat = false;
    s.MainBounds = {10, -20, 300, 500};
    ASSERT_TRUE(Store(&player).SaveSettings(s));

    auto stored = [&](const char* name) { return registry.storedValue(kOption, name); };
    EXPECT_EQ(stored("Autorun"), "0");
    EXPECT_EQ(stored("AutoLogin"), "1");
    EXPECT_EQ(stored("SavePassword"), "1");
    EXPECT_EQ(stored("Userid"), PC1Encrypt("qzvhetwmrbnxopl", "demo"));
    EXPECT_EQ(stored("Password"), PC1Encrypt("ygcwpfiamsoetjh", "secret"));
    EXPECT_NE(stored("Userid"), PC1Encrypt("ygcwpfiamsoetjh", "demo"));
    EXPECT_EQ(stored("Alram"), "0");
    EXPECT_EQ(stored("AlramFile"), cp949("새 알림.wav"));
    EXPECT_EQ(stored("Alramrepeat"), "0");
    EXPECT_EQ(stored("Top"), "10");
    EXPECT_EQ(stored("Left"), "-20");
    EXPECT_EQ(stored("Width"), "300");
    EXPECT_EQ(stored("Height"), "500");

    // And the next run reads back what this one saved.
    EXPECT_EQ(Load(), s);
}

TEST_F(SettingsStoreTest, PasswordIsWrittenEmptyWhenNotSavedButTheUseridStillEnciphered) {
    PresetCredentials("demo", "secret");
    registry.preset(kOption, "SavePassword", "1");
    Settings s = Load();
    ASSERT_TRUE(s.FSavePassword);
    s.FSavePassword = false;
    Store(&player).SaveSettings(s);
    EXPECT_EQ(registry.storedValue(kOption, "Password"), "");
    EXPECT_EQ(registry.storedValue(kOption, "Userid"), PC1Encrypt(key::UseridKey, "demo"));
    EXPECT_EQ(registry.storedValue(kOption, "SavePassword"), "0");

    // An empty user id is written too, as the cipher text of nothing.
    s.FUserid.clear();
    Store(&player).SaveSettings(s);
    EXPECT_EQ(registry.storedValue(kOption, "Userid"), "");
}

TEST_F(SettingsStoreTest, SaveRemovesHwndAndPidButKeepsPath) {
    Settings s = Load();
    ASSERT_TRUE(Store(&player).PublishInstance());
    ASSERT_TRUE(registry.storedValue(kKey, "HWND"));
    ASSERT_TRUE(Store(&player).SaveSettings(s));
    EXPECT_FALSE(registry.storedValue(kKey, "HWND"));
    EXPECT_FALSE(registry.storedValue(kKey, "PID"));
    EXPECT_EQ(registry.storedValue(kKey, "PATH"), "/opt/kestrovane/bin/kestrovane");
}

TEST_F(SettingsStoreTest, TheRunEntryFollowsAutorunOnlyAtSave) {
    autoRun.entry = "/old/place/kestrovane";
    registry.preset(kOption, "Autorun", "0");
    Settings s = Load();
    EXPECT_FALSE(s.FAutorun);
    EXPECT_EQ(autoRun.entry, "/old/place/kestrovane") << "loading must not touch the entry";

    // Turned off during the run: the entry stays until the program ends.
    SettingsStore store = Store(&player);
    ASSERT_TRUE(store.SaveSettings(s));
    EXPECT_EQ(autoRun.entry, std::nullopt);
    EXPECT_EQ(autoRun.clears, 1);
    EXPECT_EQ(autoRun.sets, 0);

    s.FAutorun = true;
    ASSERT_TRUE(store.SaveSettings(s));
    EXPECT_EQ(autoRun.entry, "/opt/kestrovane/bin/kestrovane");
    EXPECT_EQ(registry.storedValue(kOption, "Autorun"), "1");
}

TEST_F(SettingsStoreTest, SaveReportsWhatCouldNotBeWritten) {
    Settings s = Load();
    registry.failCommits = true;
    EXPECT_FALSE(Store(&player).SaveSettings(s));
    registry.failCommits = false;
    autoRun.fail = true;
    EXPECT_FALSE(Store(&player).SaveSettings(s)) << "the auto-run entry failed";
    // The key itself was still written.
    EXPECT_FALSE(registry.storedValue(kKey, "PID"));
    EXPECT_FALSE(Store(&player).SetAutoRun());
    EXPECT_FALSE(Store(&player).ClearAutoRun());

    registry.failCommits = true;
    EXPECT_FALSE(Store(&player).PublishInstance());
}

TEST_F(SettingsStoreTest, KoreanCredentialsRoundTripThroughTheCipher) {
    Settings s = Load();
    s.FUserid = cp949("홍길동abc");
    s.FPassword = cp949("비밀 번호!");
    s.FSavePassword = true;
    s.FAutoLogin = true;
    Store(&player).SaveSettings(s);

    const std::string cipher = *registry.storedValue(kOption, "Userid");
    EXPECT_EQ(cipher.size(), 2 * s.FUserid.size());
    EXPECT_EQ(cipher.find_first_not_of("abcdefghijklmnop"), std::string::npos);

    const Settings back = Load();
    EXPECT_EQ(back.FUserid, cp949("홍길동abc"));
    EXPECT_EQ(back.FPassword, cp949("비밀 번호!"));
    EXPECT_TRUE(back.FAutoLogin);
}

TEST_F(SettingsStoreTest, CipherTextOutsideTheLettersLoadsAsWhateverItDecodesTo) {
    std::mt19937 random(7);
    std::vector<std::string> texts = {"zz",
                                      "A",
                                      "!!~~",
                                      "a",
                                      std::string(513, 'z'),
                                      std::string(2000, 'p'),
                                      std::string("\xff\x80\x01", 3),
                                      cp949("한글")};
    for (int n = 0; n < 50; ++n) {
        std::string junk(random() % 700, '\0');
        for (char& c : junk)
            c = static_cast<char>(random() % 255 + 1);
        texts.push_back(junk);
    }
    for (const std::string& text : texts) {
        registry = FakeRegistry();
        registry.preset(kOption, "Userid", text);
        registry.preset(kOption, "Password", text);
        const Settings s = Load();
        EXPECT_EQ(s.FUserid, PC1Decrypt(key::UseridKey, text));
        EXPECT_EQ(s.FPassword, PC1Decrypt(key::PasswordKey, text));
        EXPECT_LE(s.FUserid.size(), 256u);
    }
}

TEST(ChatBoundsTest, DefaultsRoundTripAndBadValues) {
    FakeRegistry registry;
    EXPECT_EQ(ReadChatBounds(registry), (WindowBounds{210, 410, 280, 400}));

    ASSERT_TRUE(WriteChatBounds(registry, {1, 2, 300, 350}));
    EXPECT_EQ(registry.storedValue(kOption, "CTop"), "1");
    EXPECT_EQ(registry.storedValue(kOption, "CLeft"), "2");
    EXPECT_EQ(registry.storedValue(kOption, "CWidth"), "300");
    EXPECT_EQ(registry.storedValue(kOption, "CHeight"), "350");
    EXPECT_EQ(ReadChatBounds(registry), (WindowBounds{1, 2, 300, 350}));

    registry.preset(kOption, "CWidth", "wide");
    EXPECT_EQ(ReadChatBounds(registry), (WindowBounds{1, 2, 280, 350}));

    registry.failCommits = true;
    EXPECT_FALSE(WriteChatBounds(registry, {5, 5, 5, 5}));
}

TEST(BellUrlTest, JoinsTheWebRootAndTheFile) {
    EXPECT_EQ(BellURL("http://127.0.0.1:8080", "Alarm.wav"),
              "http://127.0.0.1:8080/bell/Alarm.wav");
    EXPECT_EQ(BellURL("http://h", ""), "http://h/bell/");
}

}  // namespace
}  // namespace kv
