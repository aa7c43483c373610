#pragma once

// imStatus: the contact tree's two 16 x 16 images, drawn in code. Index 0 is a group (a
// rounded blue square bearing a white chevron), index 1 a partner (a mobile phone with a blue
// screen). Needs a QGuiApplication.

#include <QIcon>
#include <QPixmap>

namespace kv {

inline constexpr int kStatusImageSize = 16;

QPixmap StatusImage(int index);
// The same picture in every mode, so that a selected node shows its image untinted.
QIcon StatusIcon(int index);

}  // namespace kv
