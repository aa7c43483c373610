#pragma once

#include <QIcon>
#include <QPixmap>

namespace kv {

// The program's mark (a blue rounded square with a white speech bubble) with its name beside
// it, for the main window's logo panel (`height` 40) and the about box (44), the two heights
// rendered with the program.
QPixmap KestrovaneLogo(int height);

// The mark at the sizes of the desktop's icon theme: the one icon of the menu entry, the tray
// and every window.
QIcon KestrovaneIcon();

}  // namespace kv
