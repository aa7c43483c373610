#pragma once

// Whether the desktop offers a notification area (tray). Plain GNOME offers none, and a
// panel that holds one can end or restart while the program runs, so callers ask each time.

#include <functional>

namespace kv {

class NotificationArea {
public:
    virtual ~NotificationArea() = default;

    virtual bool Available() const = 0;

    // Called on the user-interface thread when the desktop's notification area goes away or
    // comes back, once Available() has been asked; may stay uncalled where the desktop does
    // not tell.
    std::function<void()> OnChanged;
};

}  // namespace kv
