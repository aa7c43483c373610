#include "qt/qt_notification_area.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace kv {

QtNotificationArea::QtNotificationArea(QObject* parent) : QObject(parent) {
    // The X11 platform announces a tray that appears or goes away through a signal of its
    // native interface, whose class is not public: it is reached by the signal's name alone.
    // It starts watching at the first Available() (not here: the question costs the start).
    auto* native = reinterpret_cast<QObject*>(QGuiApplication::platformNativeInterface());
    if (native && native->metaObject()->indexOfSignal("systemTrayWindowChanged(QScreen*)") >= 0)
        connect(native, SIGNAL(systemTrayWindowChanged(QScreen*)), this, SLOT(trayWindowChanged()));
}

bool QtNotificationArea::Available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtNotificationArea::trayWindowChanged() {
    if (OnChanged)
        OnChanged();
}

}  // namespace kv
