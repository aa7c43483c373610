#pragma once

// AutoRun as an XDG autostart entry: $XDG_CONFIG_HOME/autostart/Kestrovane.desktop, which
// desktop sessions run at log-in. Written atomically; clearing deletes it.

#include <memory>
#include <string>
#include <string_view>

#include "core/ports/autorun.h"

namespace kv {

class XdgAutoRun final : public AutoRun {
public:
    // `entryPath` empty means there is nowhere to put the entry: set() and clear() fail.
    explicit XdgAutoRun(std::string entryPath);

    // The entry under this process's XDG_CONFIG_HOME (or ~/.config).
    static std::unique_ptr<XdgAutoRun> openDefault();

    bool set(std::string_view programPath) override;
    bool clear() override;

    const std::string& entryPath() const { return entryPath_; }

private:
    std::string entryPath_;
};

// The desktop entry that starts `programPathUtf8` with no arguments.
std::string desktopEntryText(std::string_view programPathUtf8);

// `path` as the program word of an Exec key: quoted and escaped where the desktop entry rules
// require it, and with the escapes of a string value applied.
std::string desktopExecValue(std::string_view path);

}  // namespace kv
