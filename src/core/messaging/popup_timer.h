#pragma once

// The window timers of a popup, behind an interface so that tests drive the slides tick by tick.

#include <functional>
#include <memory>

namespace kv {

class PopupTimer {
public:
    virtual ~PopupTimer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    // Enabling an enabled timer leaves it running; enabling starts a fresh interval.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;

    // Raised on the user-interface thread at every interval while enabled.
    std::function<void()> OnTimer;
};

using PopupTimerFactory = std::function<std::unique_ptr<PopupTimer>()>;

// A timer that fires only when told to: screenshots, benchmarks and tests step the slides with
// it, one tick at a time.
class SteppedPopupTimer final : public PopupTimer {
public:
    void setInterval(int milliseconds) override { interval_ = milliseconds; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool enabled() const override { return enabled_; }

    // Fires once if enabled; false when it is off.
    static bool fire(PopupTimer& timer) {
        if (!timer.enabled() || !timer.OnTimer)
            return false;
        timer.OnTimer();
        return true;
    }

private:
    int interval_ = 1000;
    bool enabled_ = false;
};

}  // namespace kv
