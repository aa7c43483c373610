#pragma once

#include <QObject>

class QWidget;

namespace kv {

// Makes a top-level window snap to the edges of its screen's work area when it is moved within
// ten pixels of one. A child of the window; it watches the window's moves.
class EdgeSnapper : public QObject {
public:
    explicit EdgeSnapper(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    bool snapping_ = false;
};

}  // namespace kv
