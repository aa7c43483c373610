#pragma once

// Snapping a moved window to the edges of the work area.

#include "core/base/geometry.h"

namespace kv {

// Where a window whose frame is `frame` goes when moved: an edge that comes within `distance`
// pixels of the same edge of `area` (from either side) lies on it; otherwise it stays.
Point SnapToEdges(const Rect& frame, const Rect& area, int distance = 10);

}  // namespace kv
