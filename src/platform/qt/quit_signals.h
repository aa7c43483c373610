#pragma once

#include <QObject>

class QSocketNotifier;

namespace kv {

// Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread, so that the program
// can end as its exit command does instead of dying mid-write. One per process.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void quitRequested(int signal);

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kv
