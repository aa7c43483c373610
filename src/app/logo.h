#pragma once

#include <QIcon>
#include <QPixmap>

namespace kv {

// The program's mark, drawn in code: a blue rounded square with a white speech bubble
// holding a phone's signal arcs.
QPixmap KestrovaneMark(int size);

// The mark with the name beside it, for the main window's logo panel.
QPixmap KestrovaneLogo(int height);

QIcon KestrovaneIcon();

}  // namespace kv
