#pragma once

// The application's style: the desktop's own, except that the icons of the menu and tool
// bars' extension buttons are read when first drawn rather than when the bar is made.

#include <QProxyStyle>

namespace kv {

// Qt's styles read the extension button's icon as each menu bar is made, and reading a picture
// whose format must be found loads every image-format plugin and the libraries they link: the
// start paid for a button that shows only when the window is too narrow for its menus. Here
// the icon is asked of the style underneath the first time it is drawn or measured.
class DeferredIconStyle final : public QProxyStyle {
public:
    // Wraps `base` (taking it over), normally the style the application chose for the desktop.
    explicit DeferredIconStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace kv
