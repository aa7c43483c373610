#pragma once

#include <memory>

#include "core/ports/ui_hand_over.h"
#include "core/ports/ui_thread.h"

class QObject;

namespace kv {

// UiThread on Qt's event loop: work handed in from another thread is run by a queued call to
// a small receiver object on the user-interface thread. The receiver is a child of `parent`;
// when it is destroyed (with its parent, or by shutdown()) the hand-over is shut down and
// waiting threads are released.
class QtUiThread final : public UiThread, public std::enable_shared_from_this<QtUiThread> {
public:
    // Call on the user-interface thread.
    static std::shared_ptr<QtUiThread> create(QObject* parent = nullptr);
    ~QtUiThread() override;

    bool runAndWait(const std::function<void()>& fn) override;
    void processPending() override;
    bool isUiThread() const override;

    // Refuses further work; on the user-interface thread.
    void shutdown();

private:
    QtUiThread();
    class Receiver;
    void postDrain();

    UiHandOver handOver_;
    Receiver* receiver_ = nullptr;  // lives on the user-interface thread
};

}  // namespace kv
