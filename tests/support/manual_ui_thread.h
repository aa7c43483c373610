#pragma once

// UiThread for tests without Qt: the test's own thread is the user-interface thread and runs
// handed-in work whenever the test pumps.

#include <chrono>
#include <functional>

#include "core/ports/ui_hand_over.h"
#include "core/ports/ui_thread.h"

namespace kv::test {

class ManualUiThread final : public UiThread {
public:
    bool runAndWait(const std::function<void()>& fn) override { return handOver_.runAndWait(fn); }
    void processPending() override { handOver_.drain(); }
    bool isUiThread() const override { return handOver_.isUiThread(); }

    int pump() { return handOver_.drain(); }
    void shutdown() { handOver_.shutdown(); }
    bool waitForWork(std::chrono::milliseconds bound) { return handOver_.waitForWork(bound); }

    // Pumps until `done` holds or the bound passes; returns whether it holds.
    bool pumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds bound = std::chrono::seconds(5)) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        for (;;) {
            pump();
            if (done())
                return true;
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline)
                return false;
            handOver_.waitForWork(std::min<std::chrono::milliseconds>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                std::chrono::milliseconds(10)));
        }
    }

private:
    UiHandOver handOver_;
};

}  // namespace kv::test
