#include "core/messaging/popup_geometry.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

const PopupRect kScreen{0, 0, 1920, 1080};
// A 40-pixel task bar on each side in turn.
const PopupRect kWaBottom{0, 0, 1920, 1040};
const PopupRect kWaTop{0, 40, 1920, 1080};
const PopupRect kWaLeft{40, 0, 1920, 1080};
const PopupRect kWaRight{0, 0, 1880, 1080};

// The chat window's notifier.
const PopupMetrics kChat{181, 120, 16, 2, 0, true};

TEST(TaskbarEdge, FollowsTheInsetSideOfTheWorkArea) {
    EXPECT_EQ(TaskbarEdge(kScreen, kWaLeft), kEdgeLeft);
    EXPECT_EQ(TaskbarEdge(kScreen, kWaTop), kEdgeTop);
    EXPECT_EQ(TaskbarEdge(kScreen, kWaRight), kEdgeRight);
    EXPECT_EQ(TaskbarEdge(kScreen, kWaBottom), kEdgeBottom);
    EXPECT_EQ(TaskbarEdge(kScreen, kScreen), kEdgeNone);
}

TEST(TaskbarEdge, WorksOnAScreenAwayFromTheOriginAndPicksTheWidestInset) {
    const PopupRect second{1920, 200, 3200, 1224};
    EXPECT_EQ(TaskbarEdge(second, {1960, 200, 3200, 1224}), kEdgeLeft);
    EXPECT_EQ(TaskbarEdge(second, {1920, 200, 3200, 1184}), kEdgeBottom);
    // A thin top panel and a wide dock at the left: the dock is the task bar.
    EXPECT_EQ(TaskbarEdge(kScreen, {64, 27, 1920, 1080}), kEdgeLeft);
    // Equal panels at top and bottom: bottom.
    EXPECT_EQ(TaskbarEdge(kScreen, {0, 30, 1920, 1050}), kEdgeBottom);
}

TEST(PopupPlacement, FirstPopupSitsInTheWorkAreaCornerOfItsEdge) {
    // Bottom: final top 2 + 120 above the bottom, right edge 16 from the right.
    const PopupRect bottom = PopupPlacement(kEdgeBottom, kWaBottom, 0, kChat);
    EXPECT_EQ(bottom, PopupRect::fromSize(1920 - 16 - 181, 1040 - 2 - 120, 181, 120));
    EXPECT_EQ(kWaBottom.right - bottom.right, 16);
    EXPECT_EQ(kWaBottom.bottom - bottom.top, 122);

    EXPECT_EQ(PopupPlacement(kEdgeRight, kWaRight, 0, kChat),
              PopupRect::fromSize(1880 - 16 - 181, 1080 - 122, 181, 120));
    EXPECT_EQ(PopupPlacement(kEdgeTop, kWaTop, 0, kChat),
              PopupRect::fromSize(1920 - 16 - 181, 40 + 2, 181, 120));
    EXPECT_EQ(PopupPlacement(kEdgeLeft, kWaLeft, 0, kChat),
              PopupRect::fromSize(40 + 16, 1080 - 122, 181, 120));
    // No task bar: where a bottom one would put it.
    EXPECT_EQ(PopupPlacement(kEdgeNone, kScreen, 0, kChat),
              PopupRect::fromSize(1920 - 16 - 181, 1080 - 122, 181, 120));
}

TEST(PopupPlacement, StackOffsetMovesAwayFromTheTaskbar) {
    EXPECT_EQ(PopupPlacement(kEdgeBottom, kWaBottom, 120, kChat).top, 1040 - 122 - 120);
    EXPECT_EQ(PopupPlacement(kEdgeLeft, kWaLeft, 120, kChat).top, 1080 - 122 - 120);
    EXPECT_EQ(PopupPlacement(kEdgeRight, kWaRight, 120, kChat).top, 1080 - 122 - 120);
    EXPECT_EQ(PopupPlacement(kEdgeTop, kWaTop, 120, kChat).top, 42 + 120);
}

TEST(PopupStack, RaisesTheOffsetPerPopupAndResetsOnlyWhenNoneIsOpen) {
    PopupStack stack;
    PopupStack::Placement p;
    ASSERT_TRUE(stack.show(kEdgeBottom, kWaBottom, kChat, p));
    EXPECT_EQ(p.ownOffset, 0);
    EXPECT_EQ(p.rect.top, 1040 - 122);
    ASSERT_TRUE(stack.show(kEdgeBottom, kWaBottom, kChat, p));
    EXPECT_EQ(p.ownOffset, 120);  // 120 + margin 0 higher
    EXPECT_EQ(p.rect.top, 1040 - 122 - 120);
    EXPECT_EQ(stack.openCount(), 2);

    // The first closes: the next still goes higher.
    stack.popupClosed();
    ASSERT_TRUE(stack.show(kEdgeBottom, kWaBottom, kChat, p));
    EXPECT_EQ(p.ownOffset, 240);

    // All closed: back to the bottom.
    stack.popupClosed();
    stack.popupClosed();
    stack.popupClosed();  // never below 0
    EXPECT_EQ(stack.openCount(), 0);
    ASSERT_TRUE(stack.show(kEdgeBottom, kWaBottom, kChat, p));
    EXPECT_EQ(p.ownOffset, 0);
}

TEST(PopupStack, MarginAndCascadeOption) {
    PopupMetrics m = kChat;
    m.marge = 2;
    PopupStack stack;
    PopupStack::Placement p;
    stack.show(kEdgeBottom, kWaBottom, m, p);
    stack.show(kEdgeBottom, kWaBottom, m, p);
    EXPECT_EQ(p.ownOffset, 122);

    m.cascade = false;
    PopupStack flat;
    flat.show(kEdgeBottom, kWaBottom, m, p);
    flat.show(kEdgeBottom, kWaBottom, m, p);
    EXPECT_EQ(p.ownOffset, 0);
    EXPECT_EQ(flat.openCount(), 2);
}

TEST(PopupStack, ANewEdgeResetsCountAndOffset) {
    PopupStack stack;
    PopupStack::Placement p;
    stack.show(kEdgeBottom, kWaBottom, kChat, p);
    stack.show(kEdgeBottom, kWaBottom, kChat, p);
    ASSERT_TRUE(stack.show(kEdgeRight, kWaRight, kChat, p));
    EXPECT_EQ(stack.lastEdge(), kEdgeRight);
    EXPECT_EQ(stack.openCount(), 1);
    EXPECT_EQ(p.ownOffset, 0);
}

TEST(PopupStack, RefusesAPopupThatWouldLeaveTheWorkArea) {
    // 1040 high: offsets 0, 120, ..., 840 fit (840 + 122 <= 1040); 960 does not.
    for (const auto& [edge, wa] : {std::pair{kEdgeBottom, kWaBottom},
                                   {kEdgeTop, kWaTop},
                                   {kEdgeLeft, PopupRect{40, 0, 1920, 1040}},
                                   {kEdgeRight, PopupRect{0, 0, 1880, 1040}}}) {
        SCOPED_TRACE(edge);
        PopupStack stack;
        PopupStack::Placement p;
        for (int i = 0; i < 8; ++i) {
            ASSERT_TRUE(stack.show(edge, wa, kChat, p));
            EXPECT_GE(p.rect.top, wa.top);
            EXPECT_LE(p.rect.bottom, wa.bottom);
        }
        EXPECT_FALSE(stack.show(edge, wa, kChat, p));
        EXPECT_EQ(stack.openCount(), 8);
        EXPECT_EQ(stack.stackOffset(), 960);
    }
}

TEST(PopupStack, SideTaskbarOnAWideScreenStillStopsAtTheTop) {
    // A right task bar on a wide, low screen: the stack is vertical and must end at the top.
    const PopupRect wa{0, 0, 2520, 400};
    PopupStack stack;
    PopupStack::Placement p;
    int shown = 0;
    while (stack.show(kEdgeRight, wa, kChat, p)) {
        EXPECT_GE(p.rect.top, 0);
        ++shown;
    }
    EXPECT_EQ(shown, 3);
}

TEST(PopupStack, OnAScreenBelowAnotherTheWorkAreasOwnHeightCounts) {
    const PopupRect wa{0, 1080, 1920, 1080 + 300};
    PopupStack stack;
    PopupStack::Placement p;
    EXPECT_TRUE(stack.show(kEdgeBottom, wa, kChat, p));
    EXPECT_TRUE(stack.show(kEdgeBottom, wa, kChat, p));
    EXPECT_GE(p.rect.top, wa.top);
    EXPECT_FALSE(stack.show(kEdgeBottom, wa, kChat, p));
}

// Runs the slide-in from its start until done; returns the ticks and checks each step.
int slideIn(int edge, const PopupRect& wa, const PopupRect& full, int speed, const PopupMetrics& m,
            PopupRect& last) {
    PopupRect r = SlideStart(edge, full);
    int ticks = 0;
    for (;;) {
        const SlideStep s = SlideInStep(edge, r, wa, 0, speed, m);
        ++ticks;
        r = s.rect;
        if (s.done)
            break;
        if (ticks > 1000) {
            ADD_FAILURE() << "no end";
            break;
        }
    }
    last = r;
    return ticks;
}

TEST(Slide, BottomEdgeGrowsUpwardsSixPixelsPerTickOverTwentyTicks) {
    const PopupRect full = PopupPlacement(kEdgeBottom, kWaBottom, 0, kChat);
    PopupRect r = SlideStart(kEdgeBottom, full);
    EXPECT_EQ(r, PopupRect::fromSize(full.left, full.bottom, 181, 1));
    for (int tick = 1; tick <= 19; ++tick) {
        const SlideStep s = SlideInStep(kEdgeBottom, r, kWaBottom, 0, 6, kChat);
        ASSERT_FALSE(s.done) << tick;
        EXPECT_EQ(s.rect.height(), 1 + 6 * tick);
        EXPECT_EQ(s.rect.top, r.top - 6);
        EXPECT_EQ(s.rect.bottom, r.bottom);
        r = s.rect;
    }
    const SlideStep last = SlideInStep(kEdgeBottom, r, kWaBottom, 0, 6, kChat);
    EXPECT_TRUE(last.done);
    EXPECT_EQ(last.rect, full);

    int ticks = 0;
    for (SlideStep s{full, false}; !s.done; ++ticks) {
        const SlideStep next = SlideOutStep(kEdgeBottom, s.rect, 6);
        if (!next.done) {
            EXPECT_EQ(next.rect.bottom, full.bottom);
            EXPECT_EQ(next.rect.height(), s.rect.height() - 6);
        }
        s = next;
    }
    EXPECT_EQ(ticks, 20);
}

TEST(Slide, EveryEdgeEndsAtTheFullRectangleAndSlidesOutFromItsSide) {
    for (const auto& [edge, wa] : {std::pair{kEdgeLeft, kWaLeft},
                                   {kEdgeTop, kWaTop},
                                   {kEdgeRight, kWaRight},
                                   {kEdgeBottom, kWaBottom}}) {
        SCOPED_TRACE(edge);
        const PopupRect full = PopupPlacement(edge, wa, 0, kChat);
        const PopupRect start = SlideStart(edge, full);
        const bool horizontal = edge == kEdgeLeft || edge == kEdgeRight;
        EXPECT_EQ(horizontal ? start.width() : start.height(), 1);
        PopupRect last;
        // 181 wide: 30 ticks of 6 in and 31 out; 120 high: 20 each way.
        EXPECT_EQ(slideIn(edge, wa, full, 6, kChat, last), horizontal ? 30 : 20);
        EXPECT_EQ(last, full);

        PopupRect r = full;
        int ticks = 1;
        for (SlideStep s = SlideOutStep(edge, r, 6); !s.done; s = SlideOutStep(edge, r, 6)) {
            // The side facing the task bar stays put.
            const int fixedSide = edge == kEdgeLeft    ? s.rect.left - full.left
                                  : edge == kEdgeTop   ? s.rect.top - full.top
                                  : edge == kEdgeRight ? s.rect.right - full.right
                                                       : s.rect.bottom - full.bottom;
            EXPECT_EQ(fixedSide, 0);
            r = s.rect;
            ++ticks;
        }
        EXPECT_EQ(ticks, horizontal ? 31 : 20);
    }
}

TEST(Slide, LastStepRealignsToTheWorkAreaAndOwnOffset) {
    const PopupRect full = PopupPlacement(kEdgeBottom, kWaBottom, 120, kChat);
    PopupRect r = full;
    r.top = r.bottom - 115;
    // The task bar grew by 10 pixels meanwhile.
    const PopupRect wa{0, 0, 1920, 1030};
    const SlideStep s = SlideInStep(kEdgeBottom, r, wa, 120, 6, kChat);
    EXPECT_TRUE(s.done);
    EXPECT_EQ(s.rect, PopupRect::fromSize(full.left, 1030 - 122 - 120, 181, 120));

    const SlideStep right =
        SlideInStep(kEdgeRight, {1700, 958, 1700 + 178, 1078}, {0, 0, 1870, 1080}, 0, 6, kChat);
    EXPECT_TRUE(right.done);
    EXPECT_EQ(right.rect.right, 1870 - 16);
    EXPECT_EQ(right.rect.width(), 181);
}

TEST(Slide, NoTaskbarMeansNoSlide) {
    const PopupRect full = PopupPlacement(kEdgeNone, kScreen, 0, kChat);
    EXPECT_FALSE(PopupSlides(kEdgeNone));
    EXPECT_EQ(SlideStart(kEdgeNone, full), full);
    EXPECT_TRUE(SlideInStep(kEdgeNone, full, kScreen, 0, 6, kChat).done);
    EXPECT_TRUE(SlideOutStep(kEdgeNone, full, 6).done);
}

TEST(Rounding, HalvesGoToEven) {
    EXPECT_EQ(RoundHalfEven(15, 2), 8);
    EXPECT_EQ(RoundHalfEven(13, 2), 6);
    EXPECT_EQ(RoundHalfEven(14, 2), 7);
    EXPECT_EQ(RoundHalfEven(-15, 2), -8);
    EXPECT_EQ(RoundHalfEven(-13, 2), -6);
    EXPECT_EQ(RoundHalfEven(-7, 3), -2);
    EXPECT_EQ(RoundHalfEven(7, 3), 2);
    EXPECT_EQ(RoundHalfEven(8, 3), 3);
}

TEST(BlendColor, EndRowsAndRounding) {
    const PopupColor c1{153, 204, 255};
    const PopupColor white{255, 255, 255};
    EXPECT_EQ(BlendColor(c1, white, 0, 120), c1);
    // Last row of 120: 153 + 119*102/120 = 254.15, 204 + 119*51/120 = 254.575.
    EXPECT_EQ(BlendColor(c1, white, 119, 120), (PopupColor{254, 255, 255}));
    EXPECT_EQ(BlendColor(c1, white, 120, 120), white);
    // Falling channels round the same way: 255 - 1*255/2 = 127.5 -> 128 (even).
    EXPECT_EQ(BlendColor({255, 0, 0}, {0, 0, 0}, 1, 2), (PopupColor{128, 0, 0}));
    EXPECT_EQ(BlendColor({0, 0, 0}, {255, 0, 0}, 1, 2), (PopupColor{128, 0, 0}));
    EXPECT_EQ(BlendColor({0, 0, 0}, {1, 0, 0}, 1, 2), (PopupColor{0, 0, 0}));
}

TEST(CenterText, LeftIsAlwaysEightAndTopRoundsHalfToEven) {
    EXPECT_EQ(CenterTextWidth(181), 166);
    EXPECT_EQ(CenterText(181, 120, 166, 14).left, 8);
    EXPECT_EQ(CenterText(148, 121, 133, 14).left, 8);
    EXPECT_EQ(CenterText(181, 120, 166, 14).top, 53);
    EXPECT_EQ(CenterText(181, 120, 166, 15).top, 52);  // 52.5
    EXPECT_EQ(CenterText(181, 120, 166, 13).top, 54);  // 53.5
    EXPECT_EQ(CenterText(181, 120, 166, 130).top, -5);
}

}  // namespace
}  // namespace kv
