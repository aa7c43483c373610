#pragma once

// The queue behind UiThread adapters: other threads hand in work and wait; the user-interface
// thread runs it when its adapter drains the queue. Shutting down releases every waiter whose
// work has not started, so no thread is left hanging on a user interface that is gone.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kv {

class UiHandOver {
public:
    // `wake` runs, under the queue's lock, each time work is queued: the adapter's way of
    // getting its thread to call drain(). It must not block.
    explicit UiHandOver(std::function<void()> wake = {});

    // The calling thread becomes the user-interface thread.
    void bindToCurrentThread();
    bool isUiThread() const;

    // Runs fn on the user-interface thread (at once when called there) and waits until it has
    // returned. False, without running it, after shutdown().
    bool runAndWait(const std::function<void()>& fn);

    // Runs everything queued so far; on the user-interface thread. Returns how many ran.
    int drain();

    // Work handed in from now on, and work queued but not started, is refused.
    void shutdown();

    // Blocks until work is queued or the bound passes; for tests that drive the queue.
    bool waitForWork(std::chrono::milliseconds bound);

private:
    enum class Stage { Queued, Running, Done, Dropped };
    struct Task {
        const std::function<void()>* fn;
        Stage stage = Stage::Queued;
    };

    std::function<void()> wake_;
    std::thread::id uiThread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Task>> queue_;
    bool closed_ = false;
};

}  // namespace kv
