#include "qt/logo.h"

#include <QImageReader>

namespace kv {

namespace {

// A PNG of the program's resources. Read as PNG, format not detected: detection loads every
// image format plugin (and the libraries they link) to ask each of them first, which costs
// every start.
QImage ReadPng(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

}  // namespace

QPixmap KestrovaneLogo(int height) {
    // Rendered at build time from its drawing: laying out its text at run time would load a
    // font face of its own at every start.
    return QPixmap::fromImage(ReadPng(QStringLiteral(":/logo/kestrovane-logo-%1.png").arg(height)));
}

QIcon KestrovaneIcon() {
    // The same bitmaps that the menu entry and the tray show, rendered from one drawing at
    // build time; each size is drawn for itself rather than scaled from a neighbour. Sizes up
    // to 48 px only: on X a window icon is sent whole, every size, to the window manager when
    // the window maps, and it is decoded at every start; the larger ones (the menu's and the
    // task switchers', from the icon theme through the desktop file) would make every start
    // slower and larger for nothing a title or task bar shows.
    // Read once: the application, the main window, the tray and the logo share it. Kept for
    // the life of the process, so it is never freed after the application object.
    static const QIcon* const icon = [] {
        auto* made = new QIcon;
        for (int size : {16, 22, 24, 32, 48}) {
            const QImage image =
                ReadPng(QStringLiteral(":/icons/%1x%1/apps/kestrovane.png").arg(size));
            if (!image.isNull())
                made->addPixmap(QPixmap::fromImage(image));
        }
        return made;
    }();
    return *icon;
}

}  // namespace kv
