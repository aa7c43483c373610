#pragma once

#include <QObject>

class QSocketNotifier;

namespace kv {

// Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread, so that the program
// can end as its exit command does instead of dying mid-write. One per process. Made before
// anything is written, so that no signal from then on ends the program unprepared; one that
// comes before a receiver is connected is remembered (requested()).
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // Whether a signal has come so far.
    bool requested() const { return requested_; }

signals:
    void quitRequested(int signal);

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
    bool requested_ = false;
};

}  // namespace kv
