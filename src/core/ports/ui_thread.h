#pragma once

// Port: the hand-over of work to the user-interface thread.

#include <functional>

namespace kv {

class UiThread {
public:
    virtual ~UiThread() = default;

    // Runs `fn` on the user-interface thread and waits until it has returned; runs it at once
    // when called there. Returns false, without running it, once the user-interface side is
    // shutting down, so that a waiting thread is released rather than left hanging.
    // `fn` must not throw.
    virtual bool runAndWait(const std::function<void()>& fn) = 0;

    // Lets pending window events run; called by blocking work on the user-interface thread.
    virtual void processPending() = 0;

    virtual bool isUiThread() const = 0;
};

}  // namespace kv
