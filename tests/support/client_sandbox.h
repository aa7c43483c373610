#pragma once

// A private home for runs of the real program: its configuration and runtime folders under a
// temporary folder (removed at the end), settings prepared as a member who chose automatic
// sign-in has them, and the program started offscreen against a given chat server.

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "core/posix/ini_registry.h"
#include "support/child_process.h"

namespace kv::test {

class ClientSandbox {
public:
    explicit ClientSandbox(const std::string& name)
        : root(std::filesystem::temp_directory_path() /
               ("kv-" + name + "-" + std::to_string(::getpid()))) {
        namespace fs = std::filesystem;
        fs::create_directories(root / "config" / "Kestrovane");
        fs::create_directories(root / "runtime");
        fs::permissions(root / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    }
    ~ClientSandbox() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    ClientSandbox(const ClientSandbox&) = delete;
    ClientSandbox& operator=(const ClientSandbox&) = delete;

    // Writes the settings with the demo settings tool; its exit code (0 on success).
    int PrepareAutoLogin(const std::string& settingsTool, const std::string& id,
                         const std::string& password) {
        ChildProcess tool(settingsTool, {(root / "config").string(), id, password}, {},
                          (root / "settings.log").string());
        return tool.waitForExit(std::chrono::seconds(10));
    }

    // The program with "/noau", offscreen, signing in at `serverAddress` ("host:port").
    std::unique_ptr<ChildProcess> StartClient(const std::string& program,
                                              const std::string& serverAddress,
                                              const std::string& logName) {
        return std::make_unique<ChildProcess>(program, std::vector<std::string>{"/noau"},
                                              std::map<std::string, std::string>{
                                                  {"QT_QPA_PLATFORM", "offscreen"},
                                                  {"XDG_CONFIG_HOME", (root / "config").string()},
                                                  {"XDG_RUNTIME_DIR", (root / "runtime").string()},
                                                  {"KESTROVANE_SERVER", serverAddress},
                                              },
                                              (root / logName).string());
    }

    std::filesystem::path SettingsFile() const {
        return root / "config" / "Kestrovane" / "Kestrovane.ini";
    }

    std::optional<std::string> Stored(RegistrySection section, const char* name) const {
        IniRegistry ini(SettingsFile().string());
        return ini.read(section, name);
    }

    // Waits until the running `client` has published itself in the settings file (once its
    // main window has been drawn).
    bool Published(ChildProcess& client) const {
        const std::string pid = std::to_string(client.pid());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline && client.running()) {
            if (Stored(RegistrySection::Key, "PID") == pid)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    const std::filesystem::path root;
};

}  // namespace kv::test
