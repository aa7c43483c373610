#pragma once

// A separator drawn along its bottom edge, as the dialogs put one above their buttons.

#include <QPainter>
#include <QWidget>

namespace kv {

class BottomLine : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, height() - 2, width() - 1, height() - 2);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
};

}  // namespace kv
