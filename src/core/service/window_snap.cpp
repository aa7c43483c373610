#include "core/service/window_snap.h"

#include <cstdlib>

namespace kv {

namespace {
// The new start of a span [start, start + size) snapped to [low, high).
int snapSpan(int start, int size, int low, int high, int distance) {
    if (std::abs(start - low) <= distance)
        return low;
    if (std::abs(start + size - high) <= distance)
        return high - size;
    return start;
}
}  // namespace

Point SnapToEdges(const Rect& frame, const Rect& area, int distance) {
    return {snapSpan(frame.left, frame.width, area.left, area.right(), distance),
            snapSpan(frame.top, frame.height, area.top, area.bottom(), distance)};
}

}  // namespace kv
