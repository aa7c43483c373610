#include "core/posix/atomic_file.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "core/posix/ini_format.h"
#include "core/posix/ini_registry.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kv-atomic-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    static void Touch(const fs::path& path) { std::ofstream(path) << "partial"; }

    // The id of a process that has ended.
    static pid_t EndedProcess() {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        ::waitpid(child, nullptr, 0);
        return child;
    }

    fs::path dir;
};

TEST_F(AtomicFileTest, AWriteRemovesOnlyTheTemporariesOfEndedWriters) {
    const std::string file = (dir / "Kestrovane.ini").string();
    const std::string ended = std::to_string(EndedProcess());
    const std::string running = std::to_string(::getppid());
    Touch(dir / ("Kestrovane.ini.tmp-" + ended + "-a1b2c3"));
    Touch(dir / ("Kestrovane.ini.tmp-" + running + "-d4e5f6"));  // a write in progress
    Touch(dir / ("Kestrovane.ini.tmp-" + ended));                // not a name it gives
    Touch(dir / ("Other.ini.tmp-" + ended + "-a1b2c3"));         // another file's
    Touch(dir / "Kestrovane.ini.bak");

    writeFileAtomically(file, "[General]\nA=1\n", 0600);
    EXPECT_EQ(Names(),
              (std::set<std::string>{"Kestrovane.ini", "Kestrovane.ini.tmp-" + running + "-d4e5f6",
                                     "Kestrovane.ini.tmp-" + ended,
                                     "Other.ini.tmp-" + ended + "-a1b2c3", "Kestrovane.ini.bak"}));
    EXPECT_EQ(removeStaleTemporaries(file), 0u);
}

// A writer killed at random moments, many times over: the file is always one complete write
// and the killed writers' temporary files never pile up.
TEST_F(AtomicFileTest, KilledWritersLeaveOneCompleteFileAndNoPileOfTemporaries) {
    const std::string file = (dir / "Kestrovane.ini").string();
    const char* keys[] = {"Userid", "Password", "Top", "Left", "Width", "Height"};
    {
        IniRegistry first(file);
        for (const char* key : keys)
            first.write(RegistrySection::Option, key, "0");
        ASSERT_TRUE(first.commit());
    }
    std::mt19937 random(std::random_device{}());
    const auto budget = std::chrono::steady_clock::now() + 20s;
    int kills = 0;
    for (; kills < 300 && std::chrono::steady_clock::now() < budget; ++kills) {
        const pid_t writer = ::fork();
        if (writer == 0) {
            // Each round writes one generation into every value, as a save does.
            for (int generation = 1;; ++generation) {
                IniRegistry registry(file);
                for (const char* key : keys)
                    registry.write(RegistrySection::Option, key, std::to_string(generation));
                registry.commit();
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);

        const FileContents contents = readSmallFile(file, 1 << 20);
        ASSERT_EQ(contents.result, FileRead::Read) << "kill " << kills;
        const std::optional<IniDocument> document = parseIni(contents.bytes);
        ASSERT_TRUE(document.has_value()) << "kill " << kills;
        const IniSection& option = document->at("Option");
        ASSERT_EQ(option.size(), std::size(keys)) << contents.bytes;
        for (const char* key : keys)
            ASSERT_EQ(option.at(key), option.at("Userid")) << "kill " << kills << "\n"
                                                           << contents.bytes;
        ASSERT_LE(Names().size(), 2u) << "kill " << kills;  // the file, and one left by the kill
    }
    EXPECT_GE(kills, 50);
    IniRegistry last(file);
    last.write(RegistrySection::Option, "Userid", "last");
    ASSERT_TRUE(last.commit());
    EXPECT_EQ(Names(), std::set<std::string>{"Kestrovane.ini"});
}

}  // namespace
}  // namespace kv
