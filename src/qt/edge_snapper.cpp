#include "qt/edge_snapper.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

#include "core/service/window_snap.h"

namespace kv {

EdgeSnapper::EdgeSnapper(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
}

bool EdgeSnapper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Move && !snapping_ && window_->isVisible() &&
        window_->screen() != nullptr) {
        const QRect frame = window_->frameGeometry();
        const QRect area = window_->screen()->availableGeometry();
        const Point to = SnapToEdges({frame.x(), frame.y(), frame.width(), frame.height()},
                                     {area.x(), area.y(), area.width(), area.height()});
        if (to.x != frame.x() || to.y != frame.y()) {
            snapping_ = true;
            window_->move(to.x, to.y);
            snapping_ = false;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kv
