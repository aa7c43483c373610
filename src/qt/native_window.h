#pragma once

// A window of the program's as the platform names it, for the ports that take one.

#include "core/ports/web_browser.h"

class QWidget;

namespace kv {

// The id of the top-level window `widget` is in, once that window exists on the screen's
// side; 0 before that and for no widget.
NativeWindowId NativeWindowOf(const QWidget* widget);

}  // namespace kv
