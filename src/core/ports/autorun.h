#pragma once

// Port: the entry that starts the program when the member's desktop session starts.

#include <string_view>

namespace kv {

class AutoRun {
public:
    virtual ~AutoRun() = default;

    // Points the entry at the program file `programPath` (CP949, the full path, no arguments).
    // Returns false when the entry could not be written; an existing entry is then left as it
    // was.
    virtual bool set(std::string_view programPath) = 0;

    // Removes the entry; true also when there was none.
    virtual bool clear() = 0;
};

}  // namespace kv
