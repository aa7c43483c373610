#include "core/posix/ini_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "core/base/cp949.h"
#include "support/temp_config_home.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::TempConfigHome;

constexpr auto kOption = RegistrySection::Option;
constexpr auto kKey = RegistrySection::Key;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

void put(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class IniRegistryTest : public ::testing::Test {
protected:
    fs::path folder() const { return home.root() / "Kestrovane"; }
    fs::path file() const { return folder() / "Kestrovane.ini"; }

    TempConfigHome home;
};

TEST_F(IniRegistryTest, TheFileSitsUnderXdgConfigHome) {
    auto registry = IniRegistry::openDefault();
    EXPECT_EQ(fs::path(registry->path()), file());
    EXPECT_EQ(registry->origin(), IniRegistry::Origin::NoFile);
    EXPECT_FALSE(registry->read(kOption, "Top"));
    EXPECT_FALSE(fs::exists(folder())) << "reading creates nothing";
}

TEST_F(IniRegistryTest, LaysOutSectionsAsQSettingsDoesInUtf8) {
    IniRegistry registry(file().string());
    registry.write(kKey, "PID", "77");
    registry.write(kKey, "PATH", "/opt/k/kestrovane");
    registry.write(kOption, "Userid", "abcd");
    registry.write(kOption, "AlramFile", cp949("벨소리 1.wav"));
    registry.write(kOption, "Password", "");
    ASSERT_TRUE(registry.commit());

    EXPECT_EQ(slurp(file()),
              "[General]\n"
              "PATH=/opt/k/kestrovane\n"
              "PID=77\n"
              "\n"
              "[Option]\n"
              "AlramFile=\xEB\xB2\xA8\xEC\x86\x8C\xEB\xA6\xAC 1.wav\n"
              "Password=\n"
              "Userid=abcd\n");

    IniRegistry again(file().string());
    EXPECT_EQ(again.origin(), IniRegistry::Origin::FileRead);
    EXPECT_EQ(again.read(kOption, "AlramFile"), cp949("벨소리 1.wav"));
    EXPECT_EQ(again.read(kOption, "Password"), "");
    EXPECT_EQ(again.read(kKey, "PID"), "77");
    EXPECT_FALSE(again.read(kOption, "PID")) << "the sections are apart";
    EXPECT_FALSE(again.read(kKey, "Userid"));
}

TEST_F(IniRegistryTest, TextsThatNeedEscapingRoundTrip) {
    const std::string texts[] = {"a;b",
                                 "x,y",
                                 "k=v",
                                 " lead",
                                 "trail ",
                                 "\"q\"",
                                 "back\\slash",
                                 "@at",
                                 "@@two",
                                 "tab\there",
                                 "line\nbreak",
                                 "\x01"
                                 "1",
                                 cp949("한글;,=@")};
    IniRegistry registry(file().string());
    for (std::size_t n = 0; n < std::size(texts); ++n)
        registry.write(kOption, "V" + std::to_string(n), texts[n]);
    ASSERT_TRUE(registry.commit());
    IniRegistry again(file().string());
    for (std::size_t n = 0; n < std::size(texts); ++n)
        EXPECT_EQ(again.read(kOption, "V" + std::to_string(n)), texts[n]) << n;
}

TEST_F(IniRegistryTest, RemoveAndMissingValues) {
    IniRegistry registry(file().string());
    registry.write(kKey, "HWND", "/run/sock");
    registry.write(kKey, "PATH", "/p");
    registry.remove(kKey, "HWND");
    registry.remove(kKey, "NeverThere");
    registry.remove(kOption, "NeverThere");
    ASSERT_TRUE(registry.commit());
    EXPECT_EQ(slurp(file()), "[General]\nPATH=/p\n");
    EXPECT_FALSE(IniRegistry(file().string()).read(kKey, "HWND"));
}

TEST_F(IniRegistryTest, FileAndFolderArePrivateWhateverTheUmask) {
    const mode_t old = ::umask(0);
    IniRegistry registry(file().string());
    registry.write(kOption, "Userid", "abc");
    const bool committed = registry.commit();
    ::umask(old);
    ASSERT_TRUE(committed);
    EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(folder()).permissions(), fs::perms::owner_all);

    // An existing file with a wider mode is replaced by a private one.
    fs::permissions(file(), fs::perms::all);
    registry.write(kOption, "Userid", "abcd");
    ASSERT_TRUE(registry.commit());
    EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(IniRegistryTest, CommitReplacesTheFileAtomically) {
    IniRegistry registry(file().string());
    registry.write(kOption, "Top", "1");
    ASSERT_TRUE(registry.commit());
    // A second name for the old file: an in-place rewrite would change what it shows.
    const fs::path oldCopy = home.root() / "old.ini";
    fs::create_hard_link(file(), oldCopy);
    const std::string before = slurp(file());

    registry.write(kOption, "Top", "2");
    ASSERT_TRUE(registry.commit());
    EXPECT_EQ(slurp(oldCopy), before);
    EXPECT_EQ(slurp(file()), "[Option]\nTop=2\n");
    EXPECT_EQ(TempConfigHome::listing(folder()), std::set<std::string>{"Kestrovane.ini"})
        << "no temporary file is left";
}

TEST_F(IniRegistryTest, CommitWithoutChangesLeavesTheFileAlone) {
    IniRegistry registry(file().string());
    registry.write(kOption, "Top", "1");
    ASSERT_TRUE(registry.commit());
    const auto inode = [&] {
        struct stat info {};
        ::stat(file().c_str(), &info);
        return info.st_ino;
    };
    const auto first = inode();
    const fs::path pin = home.root() / "pin";  // keeps the inode from being reused
    fs::create_hard_link(file(), pin);
    registry.write(kOption, "Top", "1");
    ASSERT_TRUE(registry.commit());
    EXPECT_EQ(inode(), first);
    registry.write(kOption, "Top", "3");
    ASSERT_TRUE(registry.commit());
    EXPECT_NE(inode(), first);
}

TEST_F(IniRegistryTest, DamagedFilesGiveNothingAndAreReplacedAtTheNextCommit) {
    std::mt19937 random(11);
    std::string binary(4096, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    binary += "\n[Option]\nTop=5\n";
    const std::string damaged[] = {
        binary,
        "[Option]\nTop=5\nUserid=\xC0\xAF\n",     // not UTF-8
        "[Option]\nTop=5\nAlramFile=\xEB\xB2\n",  // UTF-8 cut inside a character
        std::string("[Option]\nTop=5\n\0\n", 17),
        std::string(IniRegistry::kMaxFileBytes + 1, 'x'),
    };
    for (const std::string& bytes : damaged) {
        put(file(), bytes);
        IniRegistry registry(file().string());
        EXPECT_EQ(registry.origin(), IniRegistry::Origin::FileDiscarded);
        EXPECT_FALSE(registry.read(kOption, "Top"));
        // Replaced even when nothing was written meanwhile.
        ASSERT_TRUE(registry.commit());
        EXPECT_EQ(slurp(file()), "");
        registry.write(kOption, "Left", "9");
        ASSERT_TRUE(registry.commit());
        EXPECT_EQ(slurp(file()), "[Option]\nLeft=9\n");
    }
}

TEST_F(IniRegistryTest, ATruncatedFileKeepsItsCompleteLinesOnly) {
    put(file(), "[Option]\nLeft=9\nUserid=abcdef\nTop=25");
    IniRegistry registry(file().string());
    EXPECT_EQ(registry.origin(), IniRegistry::Origin::FileRead);
    EXPECT_EQ(registry.read(kOption, "Left"), "9");
    EXPECT_EQ(registry.read(kOption, "Userid"), "abcdef");
    EXPECT_FALSE(registry.read(kOption, "Top")) << "the cut line may hold a cut value";

    put(file(), "[Opt");
    EXPECT_FALSE(IniRegistry(file().string()).read(kOption, "Top"));
}

TEST_F(IniRegistryTest, ValuesThatAreNotCp949TextAreMissing) {
    put(file(),
        "[Option]\n"
        "Emoji=\xF0\x9F\x98\x80\n"
        "List=a,b\n"
        "Invalid=@Invalid()\n"
        "Rect=@Rect(1 2 3 4)\n"
        "Open=\"never closed\n"
        "Fine=\"a,b\"\n");
    IniRegistry registry(file().string());
    for (const char* name : {"Emoji", "List", "Invalid", "Rect", "Open"})
        EXPECT_FALSE(registry.read(kOption, name)) << name;
    EXPECT_EQ(registry.read(kOption, "Fine"), "a,b");
}

TEST_F(IniRegistryTest, OtherEntriesSurviveARewrite) {
    put(file(),
        "; written by hand\r\n"
        "[General]\r\n"
        "PATH=/p\r\n"
        "[Window]\r\n"
        "geometry=@ByteArray(xyz)\r\n"
        "[Option]\r\n"
        "Other = \"kept, as is\"\r\n");
    IniRegistry registry(file().string());
    registry.write(kOption, "Top", "1");
    ASSERT_TRUE(registry.commit());
    EXPECT_EQ(slurp(file()),
              "[General]\n"
              "PATH=/p\n"
              "\n"
              "[Option]\n"
              "Other=\"kept, as is\"\n"
              "Top=1\n"
              "\n"
              "[Window]\n"
              "geometry=@ByteArray(xyz)\n");
}

TEST_F(IniRegistryTest, UnusablePlacesFailTheCommitWithoutHarm) {
    // The file's name taken by a folder: unreadable, and it cannot be replaced.
    fs::create_directories(file() / "inside");
    IniRegistry blocked(file().string());
    EXPECT_EQ(blocked.origin(), IniRegistry::Origin::FileDiscarded);
    blocked.write(kOption, "Top", "1");
    EXPECT_FALSE(blocked.commit());
    EXPECT_EQ(TempConfigHome::listing(folder()), std::set<std::string>{"Kestrovane.ini"})
        << "the temporary file is removed";
    EXPECT_EQ(blocked.read(kOption, "Top"), "1") << "the value stays for a later commit";

    // The folder's name taken by a file.
    const fs::path elsewhere = home.root() / "plain";
    put(elsewhere, "x");
    IniRegistry underFile((elsewhere / "Kestrovane.ini").string());
    underFile.write(kOption, "Top", "1");
    EXPECT_FALSE(underFile.commit());

    IniRegistry nowhere("");
    nowhere.write(kOption, "Top", "1");
    EXPECT_FALSE(nowhere.commit());
}

TEST_F(IniRegistryTest, UnreadableFileOrFolderWithoutPrivileges) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permission bits do not bind the superuser";
    put(file(), "[Option]\nTop=5\n");
    fs::permissions(file(), fs::perms::none);
    IniRegistry unreadable(file().string());
    EXPECT_EQ(unreadable.origin(), IniRegistry::Origin::FileDiscarded);
    EXPECT_FALSE(unreadable.read(kOption, "Top"));
    ASSERT_TRUE(unreadable.commit()) << "the folder is writable, so the file is replaced";
    EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::permissions(folder(), fs::perms::none);
    IniRegistry locked(file().string());
    locked.write(kOption, "Top", "6");
    EXPECT_FALSE(locked.commit());
    fs::permissions(folder(), fs::perms::owner_all);
}

}  // namespace
}  // namespace kv
