#include "app/logo.h"

#include <QPainter>

namespace kv {

QPixmap KestrovaneMark(int size) {
    return KestrovaneIcon().pixmap(size, size);
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
    // The same bitmaps that the menu entry and the tray show, rendered from one drawing at
    // build time; each size is drawn for itself rather than scaled from a neighbour. Sizes up
    // to 64 px only: on X a window icon is sent whole, every size, to the window manager when
    // the window maps, and the 128 and 256 px ones (the menu's, from the icon theme) would make
    // every start slower and larger for nothing a title or task bar shows.
    // Read once: the application, the main window, the tray and the logo share it. Kept for
    // the life of the process, so it is never freed after the application object.
    static const QIcon* const icon = [] {
        auto* made = new QIcon;
        for (int size : {16, 22, 24, 32, 48, 64})
            made->addFile(QStringLiteral(":/icons/%1x%1/apps/kestrovane.png").arg(size),
                          QSize(size, size));
        return made;
    }();
    return *icon;
}

}  // namespace kv
