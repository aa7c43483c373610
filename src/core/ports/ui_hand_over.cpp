#include "core/ports/ui_hand_over.h"

namespace kv {

UiHandOver::UiHandOver(std::function<void()> wake)
    : wake_(std::move(wake)), uiThread_(std::this_thread::get_id()) {}

void UiHandOver::bindToCurrentThread() {
    std::lock_guard lock(mutex_);
    uiThread_ = std::this_thread::get_id();
}

bool UiHandOver::isUiThread() const {
    std::lock_guard lock(mutex_);
    return uiThread_ == std::this_thread::get_id();
}

bool UiHandOver::runAndWait(const std::function<void()>& fn) {
    if (isUiThread()) {
        {
            std::lock_guard lock(mutex_);
            if (closed_)
                return false;
        }
        fn();
        return true;
    }
    auto task = std::make_shared<Task>();
    task->fn = &fn;
    std::unique_lock lock(mutex_);
    if (closed_)
        return false;
    queue_.push_back(task);
    changed_.notify_all();
    if (wake_)
        wake_();
    // A task that has started is waited for even through shutdown: it may still use what the
    // caller's frame holds.
    changed_.wait(lock,
                  [&] { return task->stage == Stage::Done || task->stage == Stage::Dropped; });
    return task->stage == Stage::Done;
}

int UiHandOver::drain() {
    int ran = 0;
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty())
                return ran;
            task = std::move(queue_.front());
            queue_.pop_front();
            task->stage = Stage::Running;
        }
        (*task->fn)();
        ++ran;
        std::lock_guard lock(mutex_);
        task->stage = Stage::Done;
        changed_.notify_all();
    }
}

void UiHandOver::shutdown() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto& task : queue_)
        task->stage = Stage::Dropped;
    queue_.clear();
    changed_.notify_all();
}

bool UiHandOver::waitForWork(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return !queue_.empty() || closed_; });
}

}  // namespace kv
