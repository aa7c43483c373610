#include "qt/native_window.h"

#include <QWidget>

namespace kv {

NativeWindowId NativeWindowOf(const QWidget* widget) {
    if (!widget)
        return 0;
    const QWidget* top = widget->window();
    // Asking winId() of a window not made yet would make it: a page must not change that.
    return top->windowHandle() ? static_cast<NativeWindowId>(top->winId()) : 0;
}

}  // namespace kv
