#include "core/posix/ini_registry.h"

#include <sys/stat.h>

#include <system_error>

#include "core/base/cp949.h"
#include "core/posix/atomic_file.h"
#include "core/posix/xdg_paths.h"

namespace kv {
namespace {

std::string sectionName(RegistrySection section) {
    return section == RegistrySection::Key ? std::string(kIniGeneralSection) : "Option";
}

}  // namespace

IniRegistry::IniRegistry(std::string path) : path_(std::move(path)) {
    if (path_.empty())
        return;
    FileContents file = readSmallFile(path_, kMaxFileBytes);
    if (file.result == FileRead::Missing)
        return;
    std::optional<IniDocument> parsed;
    if (file.result == FileRead::Read)
        parsed = parseIni(file.bytes);
    if (parsed) {
        document_ = std::move(*parsed);
        origin_ = Origin::FileRead;
    } else {
        origin_ = Origin::FileDiscarded;
        dirty_ = true;
    }
}

std::unique_ptr<IniRegistry> IniRegistry::openDefault() {
    return std::make_unique<IniRegistry>(currentSettingsFilePath().value_or(std::string()));
}

std::optional<std::string> IniRegistry::read(RegistrySection section, std::string_view name) const {
    const auto sectionIt = document_.find(sectionName(section));
    if (sectionIt == document_.end())
        return std::nullopt;
    const auto it = sectionIt->second.find(std::string(name));
    if (it == sectionIt->second.end())
        return std::nullopt;
    const auto text = decodeIniValue(it->second);
    if (!text)
        return std::nullopt;
    // A character that CP949 cannot hold makes the value unusable to the logic.
    return utf8ToCp949(*text);
}

void IniRegistry::write(RegistrySection section, std::string_view name, std::string_view value) {
    std::string raw = encodeIniValue(cp949ToUtf8(value));
    IniSection& keys = document_[sectionName(section)];
    const auto it = keys.find(std::string(name));
    if (it != keys.end() && it->second == raw)
        return;
    keys[std::string(name)] = std::move(raw);
    dirty_ = true;
}

void IniRegistry::remove(RegistrySection section, std::string_view name) {
    const auto sectionIt = document_.find(sectionName(section));
    if (sectionIt == document_.end())
        return;
    if (sectionIt->second.erase(std::string(name)) > 0)
        dirty_ = true;
    if (sectionIt->second.empty())
        document_.erase(sectionIt);
}

bool IniRegistry::commit() {
    if (!dirty_)
        return true;
    if (path_.empty())
        return false;
    try {
        writeFileAtomically(path_, formatIni(document_), S_IRUSR | S_IWUSR);
    } catch (const std::system_error&) {
        return false;
    }
    dirty_ = false;
    return true;
}

}  // namespace kv
