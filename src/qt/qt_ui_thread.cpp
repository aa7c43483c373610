#include "qt/qt_ui_thread.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

namespace kv {

class QtUiThread::Receiver : public QObject {
public:
    Receiver(std::weak_ptr<QtUiThread> adapter, QObject* parent)
        : QObject(parent), adapter_(std::move(adapter)) {}
    ~Receiver() override {
        if (auto adapter = adapter_.lock()) {
            // Refuse work first: once the hand-over is closed nothing posts to us any more.
            adapter->handOver_.shutdown();
            adapter->receiver_ = nullptr;
        }
    }
    void drain() {
        if (auto adapter = adapter_.lock())
            adapter->handOver_.drain();
    }

private:
    std::weak_ptr<QtUiThread> adapter_;
};

QtUiThread::QtUiThread() : handOver_([this] { postDrain(); }) {}

std::shared_ptr<QtUiThread> QtUiThread::create(QObject* parent) {
    std::shared_ptr<QtUiThread> adapter(new QtUiThread());
    adapter->receiver_ = new Receiver(adapter, parent);
    return adapter;
}

QtUiThread::~QtUiThread() {
    // Only reached once no thread holds the adapter; the receiver belongs to its parent or was
    // deleted by shutdown().
    handOver_.shutdown();
}

// Runs under the hand-over's lock, which shutdown() also takes, so the receiver cannot be
// deleted between the test and the post.
void QtUiThread::postDrain() {
    if (receiver_ == nullptr)
        return;
    QMetaObject::invokeMethod(
        receiver_, [r = receiver_] { r->drain(); }, Qt::QueuedConnection);
}

bool QtUiThread::runAndWait(const std::function<void()>& fn) {
    return handOver_.runAndWait(fn);
}

void QtUiThread::processPending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

bool QtUiThread::isUiThread() const {
    return handOver_.isUiThread();
}

void QtUiThread::shutdown() {
    handOver_.shutdown();
    delete receiver_;  // its destructor clears receiver_
}

}  // namespace kv
