// kestrovane-demo-settings CONFIG_HOME USER PASSWORD
// Writes the client's settings file below CONFIG_HOME so that the next start signs in as USER
// by itself (automatic sign-in with the password saved). For the demo and for trying things.

#include <cstdio>
#include <filesystem>

#include "core/base/cp949.h"
#include "core/crypto/dcpcrypt.h"
#include "core/posix/ini_registry.h"
#include "core/service/settings_store.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s CONFIG_HOME USER PASSWORD\n", argv[0]);
        return 2;
    }
    const auto dir = std::filesystem::path(argv[1]) / "Kestrovane";
    std::filesystem::create_directories(dir);
    const auto id = kv::utf8ToCp949(argv[2]);
    const auto password = kv::utf8ToCp949(argv[3]);
    if (!id || !password) {
        std::fprintf(stderr, "user and password must be CP949 text\n");
        return 2;
    }
    kv::IniRegistry ini((dir / "Kestrovane.ini").string());
    ini.write(kv::RegistrySection::Option, "AutoLogin", "1");
    ini.write(kv::RegistrySection::Option, "SavePassword", "1");
    ini.write(kv::RegistrySection::Option, "Autorun", "0");
    ini.write(kv::RegistrySection::Option, "Userid",
              kv::PC1Encrypt(kv::settings_key::UseridKey, *id));
    ini.write(kv::RegistrySection::Option, "Password",
              kv::PC1Encrypt(kv::settings_key::PasswordKey, *password));
    if (!ini.commit()) {
        std::fprintf(stderr, "cannot write %s\n", (dir / "Kestrovane.ini").c_str());
        return 1;
    }
    return 0;
}
