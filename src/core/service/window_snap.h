#pragma once

// Snapping a moved window to the edges of the work area.

namespace kv {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const Rect&) const = default;
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Where a window whose frame is `frame` goes when moved: an edge that comes within `distance`
// pixels of the same edge of `area` (from either side) lies on it; otherwise it stays.
Point SnapToEdges(const Rect& frame, const Rect& area, int distance = 10);

}  // namespace kv
