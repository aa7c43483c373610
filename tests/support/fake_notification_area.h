#pragma once

#include "core/ports/notification_area.h"

namespace kv::test {

// A notification area that is there until a test takes it away.
class FakeNotificationArea final : public NotificationArea {
public:
    bool available = true;

    bool Available() const override { return available; }

    // The desktop's tray appears or goes away while the program runs.
    void Set(bool on) {
        available = on;
        if (OnChanged)
            OnChanged();
    }
};

}  // namespace kv::test
