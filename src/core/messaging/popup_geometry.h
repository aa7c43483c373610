#pragma once

// The popup notifier's maths: where the task bar is, whether another popup fits, where it goes,
// how the stack grows and how a popup slides in and out. Plain values, no windows, so that every
// rule is tested without a screen.
//
// Rectangles are in screen pixels with exclusive right and bottom edges, as the work area is
// reported: a popup whose right edge is 16 pixels from the work area's right has
// wa.right - rect.right == 16.

#include <cstdint>
#include <ostream>

namespace kv {

struct PopupRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static PopupRect fromSize(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PopupRect&) const = default;
};
std::ostream& operator<<(std::ostream& os, const PopupRect& r);

struct PopupColor {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const PopupColor&) const = default;
};
std::ostream& operator<<(std::ostream& os, const PopupColor& c);

// Task-bar edges, as the notifier numbers them.
inline constexpr int kEdgeNone = -1;
inline constexpr int kEdgeLeft = 0;
inline constexpr int kEdgeTop = 1;
inline constexpr int kEdgeRight = 2;
inline constexpr int kEdgeBottom = 3;

// The edge the task bar sits on: the side on which the work area is inset from the screen.
// Where several sides are inset (a panel and a dock), the widest inset wins; on a tie bottom
// comes before top, right and left. No inset at all: kEdgeNone.
int TaskbarEdge(const PopupRect& screen, const PopupRect& workArea);

// The sizes and offsets of a notifier that the maths needs.
struct PopupMetrics {
    int width = 148;
    int height = 121;
    int startX = 16;      // PopupStartX
    int startY = 2;       // PopupStartY
    int marge = 2;        // PopupMarge
    bool cascade = true;  // msnCascadePopups
};

// Whether a popup at `stackOffset` still lies inside the work area. The stack always grows
// vertically (see PopupPlacement), so it is measured against the work area's height whatever the
// edge; with no task bar the popups stack as over a bottom one.
bool PopupFits(const PopupRect& workArea, int stackOffset, const PopupMetrics& m);

// The full-size rectangle of a popup placed at `stackOffset`. Left, right and bottom task bars
// put it at the work area's bottom, a top one at its top; the stack grows away from that side.
// Without a task bar it goes where a bottom one would put it.
PopupRect PopupPlacement(int edge, const PopupRect& workArea, int stackOffset,
                         const PopupMetrics& m);

// Whether popups on this edge slide; without a task bar there is no edge to slide out of.
bool PopupSlides(int edge);

// The window's rectangle when the slide-in starts: one pixel wide or high, on the task bar's
// side of the full rectangle. Unchanged without a task bar.
PopupRect SlideStart(int edge, const PopupRect& full);

struct SlideStep {
    PopupRect rect;
    bool done = false;  // slide-in: full size reached; slide-out: the popup closes
};

// One 25 ms slide-in tick of `speed` pixels. The last tick snaps to the full size, the moving
// edge realigned to the work area as it is now; `ownOffset` is the stack offset the popup was
// placed at.
SlideStep SlideInStep(int edge, const PopupRect& current, const PopupRect& workArea, int ownOffset,
                      int speed, const PopupMetrics& m);

// One slide-out tick. `done` means the popup closes now; the rectangle is then left as it was.
SlideStep SlideOutStep(int edge, const PopupRect& current, int speed);

// The notifier's stacking state: how many of its popups are open, how far the next one is moved
// away from the task bar, and the edge seen last.
class PopupStack {
public:
    // Starts showing one more popup on `edge`: false when it does not fit. On true the popup's
    // rectangle and own offset are given; the count and the offset for the next one are raised.
    // The offset goes back to 0 only when a popup is shown while none is open, or when the task
    // bar moved to another edge.
    struct Placement {
        PopupRect rect;
        int ownOffset = 0;
    };
    bool show(int edge, const PopupRect& workArea, const PopupMetrics& m, Placement& out);
    void popupClosed();

    int openCount() const { return openCount_; }
    int stackOffset() const { return stackOffset_; }
    int lastEdge() const { return lastEdge_; }

private:
    int openCount_ = 0;
    int stackOffset_ = 0;
    int lastEdge_ = 0;
};

// n / d rounded to the nearest integer, halves to even; d > 0.
std::int64_t RoundHalfEven(std::int64_t n, std::int64_t d);

// The colour of gradient row (or column) `pos` of `extent`: each channel c1 + pos*(c2-c1)/extent,
// rounded to nearest.
PopupColor BlendColor(const PopupColor& c1, const PopupColor& c2, int pos, int extent);

// The text label's box inside the border panel: 15 pixels narrower than the panel, centred.
struct TextBox {
    int left = 0;
    int top = 0;
    int width = 0;
};
inline constexpr int kTextInset = 15;
int CenterTextWidth(int panelWidth);
TextBox CenterText(int panelWidth, int panelHeight, int labelWidth, int labelHeight);

}  // namespace kv
