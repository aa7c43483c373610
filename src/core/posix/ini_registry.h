#pragma once

// Registry over an INI file in QSettings' IniFormat: the key itself is the section "General",
// the section "Option" is "[Option]"; texts are UTF-8 in the file and CP949 at the port.
//
// The file is read once, when the object is made. A file that cannot be read, is not UTF-8 text
// or is oversized gives an empty store, and the next commit() replaces it. commit() writes the
// whole file atomically with mode 0600 (see writeFileAtomically), so the file on disk is always
// either the old or the new one, and never readable by others. Not thread-safe.

#include <memory>
#include <optional>
#include <string>

#include "core/ports/registry.h"
#include "core/posix/ini_format.h"

namespace kv {

class IniRegistry final : public Registry {
public:
    enum class Origin { NoFile, FileRead, FileDiscarded };

    // `path` empty means there is nowhere to keep the file: reads give nothing, commits fail.
    explicit IniRegistry(std::string path);

    // The file $XDG_CONFIG_HOME/Kestrovane/Kestrovane.ini (~/.config when unset).
    static std::unique_ptr<IniRegistry> openDefault();

    std::optional<std::string> read(RegistrySection section, std::string_view name) const override;
    void write(RegistrySection section, std::string_view name, std::string_view value) override;
    void remove(RegistrySection section, std::string_view name) override;
    bool commit() override;

    const std::string& path() const { return path_; }
    Origin origin() const { return origin_; }

    // A settings file is a few hundred bytes; anything beyond this is not one.
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

private:
    std::string path_;
    IniDocument document_;
    Origin origin_ = Origin::NoFile;
    // Whether the file differs from document_; commit() writes only then.
    bool dirty_ = false;
};

}  // namespace kv
