#include "ui/contacts/status_images.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace kv {

namespace {

// Drawn on images, which unlike pixmaps may outlive the application object as statics.
QImage blank() {
    QImage image(kStatusImageSize, kStatusImageSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage drawGroup() {
    QImage pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 1, 0, 15);
    fill.setColorAt(0, QColor(0x5a, 0x9b, 0xf0));
    fill.setColorAt(1, QColor(0x1d, 0x5c, 0xc4));
    p.setPen(QPen(QColor(0x17, 0x4a, 0x9e), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
    QPen chevron(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(chevron);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(4.5, 6.5), QPointF(8, 10), QPointF(11.5, 6.5)}));
    p.end();
    return pm;
}

QImage drawBuddy() {
    QImage pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // Body.
    p.setPen(QPen(QColor(0x22, 0x22, 0x22), 1));
    p.setBrush(QColor(0x4a, 0x4a, 0x4a));
    p.drawRoundedRect(QRectF(3.5, 0.5, 9, 15), 2, 2);
    // Screen.
    QLinearGradient screen(0, 3, 0, 10);
    screen.setColorAt(0, QColor(0x7c, 0xc4, 0xff));
    screen.setColorAt(1, QColor(0x1e, 0x6f, 0xd9));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawRect(QRectF(5, 3, 6, 7));
    // Earpiece and key.
    p.setBrush(QColor(0xb0, 0xb0, 0xb0));
    p.drawRect(QRectF(6.5, 1.5, 3, 0.8));
    p.drawEllipse(QPointF(8, 12.6), 1.2, 1.2);
    p.end();
    return pm;
}

}  // namespace

QPixmap StatusImage(int index) {
    static const QImage group = drawGroup();
    static const QImage buddy = drawBuddy();
    return QPixmap::fromImage(index == 0 ? group : buddy);
}

QIcon StatusIcon(int index) {
    const QPixmap pm = StatusImage(index);
    QIcon icon;
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Selected})
        icon.addPixmap(pm, mode);
    return icon;
}

}  // namespace kv
