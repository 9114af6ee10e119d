// View geometry and the zoom table.
#include "render/layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "gif/gif.h"

// In the global namespace, where argument-dependent lookup finds them.
static bool operator==(const ViewRect& a, const ViewRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

static std::ostream& operator<<(std::ostream& out, const ViewRect& r) {
    return out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}

namespace {

ViewState viewWithPicture(uint32_t w, uint32_t h) {
    ViewState view = {};
    view.scaledWidth = w;
    view.scaledHeight = h;
    return view;
}

struct LayoutCase {
    const char* name;
    uint32_t clientWidth, clientHeight, pictureWidth, pictureHeight;
    int32_t originX, originY;
    ViewRect top, bottom, left, right;
};

TEST(Layout, PlacesPictureAndMargins) {
    const LayoutCase cases[] = {
        {"exact fit: no margins", 10, 8, 10, 8, 0, 0, {0, 0, 10, 0}, {0, 8, 10, 8}, {0, 0, 0, 8}, {10, 0, 10, 8}},
        {"odd free space: right and bottom wider by one",
         11,
         9,
         4,
         4,
         3,
         2,
         {0, 0, 11, 2},
         {0, 6, 11, 9},
         {0, 2, 3, 6},
         {7, 2, 11, 6}},
        {"overhang truncates toward zero: -5/2 is -2",
         10,
         6,
         15,
         9,
         -2,
         -1,
         {0, 0, 10, 0},
         {0, 6, 10, 6},
         {0, 0, 0, 6},
         {10, 0, 10, 6}},
        {"one pixel wider than the client starts at 0",
         10,
         10,
         11,
         4,
         0,
         3,
         {0, 0, 10, 3},
         {0, 7, 10, 10},
         {0, 3, 0, 7},
         {10, 3, 10, 7}},
        {"zero picture: top and bottom cover the client",
         10,
         7,
         0,
         0,
         5,
         3,
         {0, 0, 10, 3},
         {0, 3, 10, 7},
         {0, 3, 5, 3},
         {5, 3, 10, 3}},
        {"minimised: empty client", 0, 0, 5, 5, -2, -2, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"overhang on one axis only",
         3,
         100,
         8,
         10,
         -2,
         45,
         {0, 0, 3, 45},
         {0, 55, 3, 100},
         {0, 45, 0, 55},
         {3, 45, 3, 55}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        ViewState view = viewWithPicture(c.pictureWidth, c.pictureHeight);
        layoutView(&view, c.clientWidth, c.clientHeight);
        EXPECT_EQ(view.originX, c.originX);
        EXPECT_EQ(view.originY, c.originY);
        EXPECT_EQ(view.topMargin, c.top);
        EXPECT_EQ(view.bottomMargin, c.bottom);
        EXPECT_EQ(view.leftMargin, c.left);
        EXPECT_EQ(view.rightMargin, c.right);
    }
}

// Adds 1 to every client pixel that r covers (clipped to the client).
void cover(std::vector<int>* grid, int32_t width, int32_t height, ViewRect r) {
    for (int32_t y = r.top < 0 ? 0 : r.top; y < r.bottom && y < height; ++y) {
        for (int32_t x = r.left < 0 ? 0 : r.left; x < r.right && x < width; ++x) (*grid)[y * width + x] += 1;
    }
}

// Over every small combination: the picture and the four margins tile the
// client area exactly, no margin reaches outside it, and an overhanging
// picture sticks out by half the excess (rounded down) on the left or top.
TEST(Layout, PictureAndMarginsTileTheClientArea) {
    for (int32_t W = 0; W <= 7; ++W) {
        for (int32_t H = 0; H <= 7; ++H) {
            for (int32_t w = 0; w <= 9; ++w) {
                for (int32_t h = 0; h <= 9; ++h) {
                    ViewState view = viewWithPicture(w, h);
                    layoutView(&view, W, H);
                    std::vector<int> grid(W * H, 0);
                    ViewRect picture = {view.originX, view.originY, view.originX + w, view.originY + h};
                    const ViewRect margins[] = {view.topMargin, view.bottomMargin, view.leftMargin, view.rightMargin};
                    cover(&grid, W, H, picture);
                    for (const ViewRect& m : margins) {
                        cover(&grid, W, H, m);
                        ASSERT_TRUE(m.left >= 0 && m.top >= 0 && m.left <= m.right && m.top <= m.bottom &&
                                    m.right <= W && m.bottom <= H)
                            << "margin " << m << " client " << W << "x" << H << " picture " << w << "x" << h;
                    }
                    for (int count : grid) {
                        ASSERT_EQ(count, 1) << "client " << W << "x" << H << " picture " << w << "x" << h;
                    }
                    if (w > W) {
                        ASSERT_EQ(view.originX, -((w - W) / 2));
                    }
                    if (h > H) {
                        ASSERT_EQ(view.originY, -((h - H) / 2));
                    }
                }
            }
        }
    }
}

TEST(Layout, MarginsToFillFollowTheSignOfTheOrigin) {
    struct Case {
        const char* name;
        uint32_t W, H, w, h;
        int count;
        const char* order;  // l, r, t, b
    } cases[] = {
        {"free space on both axes", 11, 9, 4, 4, 4, "lrtb"},
        {"free space left and right only", 20, 8, 10, 8, 2, "lr"},
        {"free space above and below only", 10, 20, 10, 8, 2, "tb"},
        {"one free column: origin 0, strip left unpainted", 11, 8, 10, 8, 0, ""},
        {"overhang on both axes", 5, 5, 9, 9, 0, ""},
        {"exact fit", 10, 8, 10, 8, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ViewState view = viewWithPicture(c.w, c.h);
        layoutView(&view, c.W, c.H);
        ViewRect out[4] = {};
        ASSERT_EQ(marginsToFill(&view, out), c.count);
        for (int i = 0; i < c.count; ++i) {
            char which = c.order[i];
            const ViewRect& want = which == 'l'   ? view.leftMargin
                                   : which == 'r' ? view.rightMargin
                                   : which == 't' ? view.topMargin
                                                  : view.bottomMargin;
            EXPECT_EQ(out[i], want) << "position " << i;
        }
    }
}

TEST(Zoom, ScaledSidesOfEveryLevel) {
    struct Case {
        uint32_t side;
        uint32_t want[zoomLevels];
    } cases[] = {
        {5, {20, 10, 7, 6, 5, 4, 2, 1}},  // 75% of 5 is 4, not 3
        {1, {4, 2, 1, 1, 1, 1, 0, 0}},    // 50% of one pixel is nothing
        {3, {12, 6, 4, 3, 3, 3, 1, 0}},   // 25% of fewer than 4 pixels is nothing
        {0, {0, 0, 0, 0, 0, 0, 0, 0}},
        // Logical shifts: an arithmetic shift would keep the top bit set.
        {0xFFFFFFFFu,
         {0xFFFFFFFCu, 0xFFFFFFFEu, 0x7FFFFFFEu, 0x3FFFFFFEu, 0xFFFFFFFFu, 0xC0000000u, 0x7FFFFFFFu, 0x3FFFFFFFu}},
    };
    for (const Case& c : cases) {
        for (uint32_t level = 0; level < zoomLevels; ++level) {
            EXPECT_EQ(zoomedSide(c.side, level), c.want[level]) << "side " << c.side << " level " << level;
        }
    }
}

TEST(Zoom, StepsStopAtTheEndsAndResetGoesTo100Percent) {
    struct Case {
        uint32_t from;
        int32_t step;
        uint32_t want;
        int repaint;
    } cases[] = {
        {4, -1, 3, 1}, {1, -1, 0, 1}, {0, -1, 0, 0},  // 400% is the end
        {4, +1, 5, 1}, {6, +1, 7, 1}, {7, +1, 7, 0},  // 25% is the end
        {0, 0, 4, 0},  {7, 0, 4, 0},  {4, 0, 4, 0},   // a reset never repaints
    };
    for (const Case& c : cases) {
        uint32_t index = c.from;
        EXPECT_EQ(stepZoomIndex(&index, c.step), c.repaint) << "from " << c.from << " step " << c.step;
        EXPECT_EQ(index, c.want) << "from " << c.from << " step " << c.step;
    }
}

TEST(Zoom, ApplyScalesEachSideOnItsOwn) {
    Animation animation = {};
    animation.width = 5;
    animation.height = 3;
    ViewState view = {};
    view.animation = &animation;
    applyZoom(&view, 5);
    EXPECT_EQ(view.scaledWidth, 4u);
    EXPECT_EQ(view.scaledHeight, 3u);
    applyZoom(&view, 7);
    EXPECT_EQ(view.scaledWidth, 1u);
    EXPECT_EQ(view.scaledHeight, 0u);
    applyZoom(&view, 0);
    EXPECT_EQ(view.scaledWidth, 20u);
    EXPECT_EQ(view.scaledHeight, 12u);
}

TEST(Relayout, OnlyFastPlaybackLeavesThePictureToTheWorker) {
    struct Case {
        uint32_t frameCount;
        int32_t playing;
        uint32_t delayMs;
        int marginsOnly;
    } cases[] = {
        {2, 1, 50, 1}, {2, 1, 0, 1}, {12, 1, 20, 1}, {2, 1, 51, 0},  // slow frames: repaint now
        {2, 0, 20, 0},                                               // paused
        {1, 1, 20, 0},                                               // one frame: no worker redraws it
    };
    for (const Case& c : cases) {
        Animation animation = {};
        animation.frameCount = c.frameCount;
        ViewState view = {};
        view.animation = &animation;
        view.playing = c.playing;
        view.currentDelayMs = c.delayMs;
        EXPECT_EQ(relayoutFillsMarginsOnly(&view), c.marginsOnly)
            << "frames " << c.frameCount << " playing " << c.playing << " delay " << c.delayMs;
    }
}

}  // namespace
