#include "core/posix/xdg_autorun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/base/cp949.h"
#include "core/posix/atomic_file.h"
#include "core/posix/xdg_paths.h"

namespace kv {

XdgAutoRun::XdgAutoRun(std::string entryPath) : entryPath_(std::move(entryPath)) {}

std::unique_ptr<XdgAutoRun> XdgAutoRun::openDefault() {
    return std::make_unique<XdgAutoRun>(currentAutostartFilePath().value_or(std::string()));
}

bool XdgAutoRun::set(std::string_view programPath) {
    if (entryPath_.empty() || programPath.empty())
        return false;
    try {
        writeFileAtomically(entryPath_, desktopEntryText(cp949ToUtf8(programPath)),
                            S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool XdgAutoRun::clear() {
    if (entryPath_.empty())
        return false;
    return ::unlink(entryPath_.c_str()) == 0 || errno == ENOENT;
}

std::string desktopExecValue(std::string_view path) {
    // Characters that make the desktop entry rules require a quoted argument.
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string word;
    if (path.find_first_of(kReserved) == std::string_view::npos) {
        word = path;
    } else {
        word = '"';
        for (const char c : path) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                word += '\\';
            word += c;
        }
        word += '"';
    }
    // Field codes begin with "%"; a literal one is doubled. Then the escapes of every string
    // value, which a reader undoes before it splits the command line.
    std::string value;
    for (const char c : word) {
        switch (c) {
            case '%': value += "%%"; break;
            case '\\': value += "\\\\"; break;
            case '\n': value += "\\n"; break;
            case '\t': value += "\\t"; break;
            case '\r': value += "\\r"; break;
            default: value += c;
        }
    }
    return value;
}

std::string desktopEntryText(std::string_view programPathUtf8) {
    std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Version=1.0\n"
        // Desktop entries are UTF-8 throughout.
        "Name=케스트로바네\n"
        "Name[en]=Kestrovane\n"
        "Exec=";
    text += desktopExecValue(programPathUtf8);
    text +=
        "\n"
        // The menu entry's icon, from the desktop's icon theme.
        "Icon=kestrovane\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n";
    return text;
}

}  // namespace kv
