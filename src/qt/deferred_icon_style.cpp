#include "qt/deferred_icon_style.h"

#include <QIconEngine>
#include <QPointer>

namespace kv {

namespace {

// An icon that asks the style for itself the first time it is drawn or measured.
class DeferredIconEngine final : public QIconEngine {
public:
    DeferredIconEngine(QStyle* style, QStyle::StandardPixmap which)
        : FStyle(style), FWhich(which) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        Real().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Real().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Real().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return Real().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Real().availableSizes(mode, state);
    }
    // Asked while bars are laid out: answered without reading (the styles have these icons).
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    QIcon& Real() {
        if (!FRead) {
            FRead = true;
            if (FStyle)
                FIcon = FStyle->standardIcon(FWhich);
        }
        return FIcon;
    }

    QPointer<QStyle> FStyle;
    QStyle::StandardPixmap FWhich;
    bool FRead = false;
    QIcon FIcon;
};

}  // namespace

DeferredIconStyle::DeferredIconStyle(QStyle* base) : QProxyStyle(base) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                      const QWidget* widget) const {
    if (icon == SP_ToolBarHorizontalExtensionButton || icon == SP_ToolBarVerticalExtensionButton)
        return QIcon(new DeferredIconEngine(baseStyle(), icon));
    return QProxyStyle::standardIcon(icon, option, widget);
}

}  // namespace kv
