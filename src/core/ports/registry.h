#pragma once

// Port: the program's settings key, as the settings store and the chat windows use it. Values
// live either in the key itself or in its section "Option"; every value is a text.
//
// Texts at this port are CP949 bytes, as everywhere in the logic; an adapter that keeps them in
// another encoding converts at its edge. Changes stay in memory until commit().

#include <optional>
#include <string>
#include <string_view>

namespace kv {

enum class RegistrySection {
    Key,     // the key itself ("PATH", "HWND", "PID")
    Option,  // the section "Option" (everything else)
};

class Registry {
public:
    virtual ~Registry() = default;

    // The value, or nothing when it is missing (or held in a form that is not a text).
    virtual std::optional<std::string> read(RegistrySection section,
                                            std::string_view name) const = 0;
    virtual void write(RegistrySection section, std::string_view name, std::string_view value) = 0;
    // Harmless when the value is missing.
    virtual void remove(RegistrySection section, std::string_view name) = 0;

    // Writes every value out, all or nothing. Returns false when that failed; the values stay in
    // memory and a later commit() tries again.
    virtual bool commit() = 0;
};

}  // namespace kv
