#pragma once

#include <QObject>

#include "core/ports/notification_area.h"

namespace kv {

// The notification area as Qt sees it. Changes are reported where the window system tells Qt
// about them (the X11 tray selection); elsewhere Available() is still asked afresh each time.
class QtNotificationArea final : public QObject, public NotificationArea {
    Q_OBJECT
public:
    explicit QtNotificationArea(QObject* parent = nullptr);

    bool Available() const override;

private slots:
    void trayWindowChanged();
};

}  // namespace kv
