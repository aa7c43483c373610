#include "core/messaging/popup_geometry.h"

#include <algorithm>
#include <array>

namespace kv {

std::ostream& operator<<(std::ostream& os, const PopupRect& r) {
    return os << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ") "
              << r.width() << "x" << r.height();
}

std::ostream& operator<<(std::ostream& os, const PopupColor& c) {
    return os << "rgb(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

int TaskbarEdge(const PopupRect& screen, const PopupRect& workArea) {
    // In order of preference on a tie.
    const std::array<std::pair<int, int>, 4> insets{{
        {kEdgeBottom, screen.bottom - workArea.bottom},
        {kEdgeTop, workArea.top - screen.top},
        {kEdgeRight, screen.right - workArea.right},
        {kEdgeLeft, workArea.left - screen.left},
    }};
    int edge = kEdgeNone;
    int widest = 0;
    for (const auto& [side, inset] : insets) {
        if (inset > widest) {
            widest = inset;
            edge = side;
        }
    }
    return edge;
}

bool PopupFits(const PopupRect& workArea, int stackOffset, const PopupMetrics& m) {
    return stackOffset + m.height + m.startY <= workArea.height();
}

PopupRect PopupPlacement(int edge, const PopupRect& workArea, int stackOffset,
                         const PopupMetrics& m) {
    switch (edge) {
        case kEdgeLeft:
            return PopupRect::fromSize(workArea.left + m.startX,
                                       workArea.bottom - m.startY - m.height - stackOffset, m.width,
                                       m.height);
        case kEdgeTop:
            return PopupRect::fromSize(workArea.right - m.width - m.startX,
                                       workArea.top + m.startY + stackOffset, m.width, m.height);
        default:  // right, bottom and none
            return PopupRect::fromSize(workArea.right - m.width - m.startX,
                                       workArea.bottom - m.startY - m.height - stackOffset, m.width,
                                       m.height);
    }
}

bool PopupSlides(int edge) {
    return edge >= kEdgeLeft && edge <= kEdgeBottom;
}

PopupRect SlideStart(int edge, const PopupRect& full) {
    PopupRect r = full;
    switch (edge) {
        case kEdgeLeft: r.right = r.left + 1; break;
        case kEdgeTop: r.bottom = r.top + 1; break;
        case kEdgeRight:
            r.left = full.right;
            r.right = r.left + 1;
            break;
        case kEdgeBottom:
            r.top = full.bottom;
            r.bottom = r.top + 1;
            break;
        default: break;
    }
    return r;
}

SlideStep SlideInStep(int edge, const PopupRect& current, const PopupRect& workArea, int ownOffset,
                      int speed, const PopupMetrics& m) {
    PopupRect r = current;
    switch (edge) {
        case kEdgeLeft:
            if (r.width() + speed < m.width) {
                r.right += speed;
                return {r, false};
            }
            r.right = r.left + m.width;
            return {r, true};
        case kEdgeTop:
            if (r.height() + speed < m.height) {
                r.bottom += speed;
                return {r, false};
            }
            r.bottom = r.top + m.height;
            return {r, true};
        case kEdgeRight:
            if (r.width() + speed < m.width) {
                r.left -= speed;
                return {r, false};
            }
            r.left = workArea.right - m.startX - m.width;
            r.right = r.left + m.width;
            return {r, true};
        case kEdgeBottom:
            if (r.height() + speed < m.height) {
                r.top -= speed;
                return {r, false};
            }
            r.top = workArea.bottom - m.startY - m.height - ownOffset;
            r.bottom = r.top + m.height;
            return {r, true};
        default: return {r, true};
    }
}

SlideStep SlideOutStep(int edge, const PopupRect& current, int speed) {
    PopupRect r = current;
    switch (edge) {
        case kEdgeLeft:
            if (r.width() - speed <= 0)
                return {r, true};
            r.right -= speed;
            return {r, false};
        case kEdgeTop:
            if (r.height() - speed <= 0)
                return {r, true};
            r.bottom -= speed;
            return {r, false};
        case kEdgeRight:
            if (r.width() - speed <= 0)
                return {r, true};
            r.left += speed;
            return {r, false};
        case kEdgeBottom:
            if (r.height() - speed <= 0)
                return {r, true};
            r.top += speed;
            return {r, false};
        default: return {r, true};
    }
}

bool PopupStack::show(int edge, const PopupRect& workArea, const PopupMetrics& m, Placement& out) {
    if (edge != lastEdge_) {
        lastEdge_ = edge;
        openCount_ = 0;
    }
    if (openCount_ <= 0)
        stackOffset_ = 0;
    else if (!PopupFits(workArea, stackOffset_, m))
        return false;
    ++openCount_;
    out.rect = PopupPlacement(edge, workArea, stackOffset_, m);
    out.ownOffset = stackOffset_;
    stackOffset_ = m.cascade ? stackOffset_ + m.height + m.marge : 0;
    return true;
}

void PopupStack::popupClosed() {
    openCount_ = std::max(0, openCount_ - 1);
}

std::int64_t RoundHalfEven(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d;
    std::int64_t r = n % d;
    if (r < 0) {  // floor division
        r += d;
        --q;
    }
    const std::int64_t twice = 2 * r;
    if (twice > d || (twice == d && (q % 2 != 0)))
        ++q;
    return q;
}

namespace {
int blendChannel(int c1, int c2, int pos, int extent) {
    // The whole value is rounded, not only the step: with an odd c1 the two differ on halves.
    return static_cast<int>(
        RoundHalfEven(std::int64_t(c1) * extent + std::int64_t(pos) * (c2 - c1), extent));
}
}  // namespace

PopupColor BlendColor(const PopupColor& c1, const PopupColor& c2, int pos, int extent) {
    if (extent <= 0)
        return c1;
    return {blendChannel(c1.red, c2.red, pos, extent),
            blendChannel(c1.green, c2.green, pos, extent),
            blendChannel(c1.blue, c2.blue, pos, extent)};
}

int CenterTextWidth(int panelWidth) {
    return std::max(0, panelWidth - kTextInset);
}

TextBox CenterText(int panelWidth, int panelHeight, int labelWidth, int labelHeight) {
    return {static_cast<int>(RoundHalfEven(panelWidth - labelWidth, 2)),
            static_cast<int>(RoundHalfEven(panelHeight - labelHeight, 2)), labelWidth};
}

}  // namespace kv
