#include "app/logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kv {

QPixmap KestrovaneMark(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient fill(0, 0, 0, s);
    fill.setColorAt(0, QColor(0x3a, 0x8d, 0xf0));
    fill.setColorAt(1, QColor(0x14, 0x4f, 0xb8));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.22, s * 0.22);

    // Speech bubble with a tail at the lower left.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(s * 0.16, s * 0.2, s * 0.68, s * 0.46), s * 0.14, s * 0.14);
    QPainterPath tail;
    tail.moveTo(s * 0.28, s * 0.6);
    tail.lineTo(s * 0.22, s * 0.82);
    tail.lineTo(s * 0.46, s * 0.64);
    tail.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(bubble.united(tail));

    // Three dots of a message being typed.
    p.setBrush(QColor(0x1e, 0x64, 0xd2));
    const qreal r = s * 0.055;
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(s * (0.34 + 0.16 * i), s * 0.43), r, r);
    return pixmap;
}

QPixmap KestrovaneLogo(int height) {
    const int mark = height * 3 / 4;
    QFont font(QStringLiteral("Noto Sans CJK KR"));
    font.setPixelSize(height * 2 / 5);
    font.setBold(true);
    const QString name = QStringLiteral("Kestrovane");
    const int textWidth = QFontMetrics(font).horizontalAdvance(name);
    QPixmap pixmap(mark + 8 + textWidth + 4, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(0, (height - mark) / 2, KestrovaneMark(mark));
    p.setFont(font);
    p.setPen(QColor(0x14, 0x4f, 0xb8));
    p.drawText(QRect(mark + 8, 0, textWidth + 4, height), Qt::AlignVCenter | Qt::AlignLeft, name);
    return pixmap;
}

QIcon KestrovaneIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(KestrovaneMark(size));
    return icon;
}

}  // namespace kv
