// The settings file as the program finds it at start: the INI reader, the values' decoding and
// the settings store's reading of every value, the enciphered user id and password included.

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "core/posix/ini_format.h"
#include "core/posix/ini_registry.h"
#include "core/service/settings_store.h"
#include "fuzz/fuzz_check.h"
#include "support/fake_autorun.h"

namespace {

// Reads through the file's registry; what the store writes back stays in memory.
class ReadOnlyRegistry final : public kv::Registry {
public:
    explicit ReadOnlyRegistry(const kv::Registry& file) : file_(file) {}
    std::optional<std::string> read(kv::RegistrySection section,
                                    std::string_view name) const override {
        return file_.read(section, name);
    }
    void write(kv::RegistrySection, std::string_view, std::string_view) override {}
    void remove(kv::RegistrySection, std::string_view) override {}
    bool commit() override { return true; }

private:
    const kv::Registry& file_;
};

// The file the inputs are written to, removed when the run ends.
struct InputFile {
    InputFile() {
        // In memory where there is such a folder: the file is rewritten for every input.
        const char* dir = std::getenv("TMPDIR");
        std::string folder = dir && *dir ? dir : "/tmp";
        if (::access("/dev/shm", W_OK) == 0)
            folder = "/dev/shm";
        path = folder + "/kestrovane-settings-fuzz-" + std::to_string(::getpid()) + ".ini";
    }
    ~InputFile() { ::unlink(path.c_str()); }
    std::string path;
};

const std::string& filePath() {
    static const InputFile file;
    return file.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kv;
    const std::string_view bytes = fuzz::bytes(data, size);

    if (const std::optional<IniDocument> document = parseIni(bytes)) {
        // A rewrite keeps every entry as it was, the ones this program does not know included.
        const std::string rewritten = formatIni(*document);
        const std::optional<IniDocument> again = parseIni(rewritten);
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(*again == *document);
        for (const auto& [section, keys] : *document)
            for (const auto& [key, raw] : keys)
                if (const std::optional<std::string> text = decodeIniValue(raw))
                    FUZZ_CHECK(decodeIniValue(encodeIniValue(*text)) == text);
    }

    {
        std::ofstream out(filePath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    IniRegistry file(filePath());
    ReadOnlyRegistry registry(file);
    test::FakeAutoRun autoRun;
    SettingsStore store(registry, autoRun, nullptr, {"/opt/kestrovane/kestrovane", "/run/x", 1},
                        "http://127.0.0.1:8080");
    Settings settings;
    store.LoadSettings(settings);
    ReadChatBounds(registry);
    // Whatever was stored, the fields hold what the next save can write again.
    FUZZ_CHECK(store.SaveSettings(settings));
    return 0;
}
