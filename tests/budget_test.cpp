// The live-raster budget, and files built to exhaust it: huge canvases,
// huge frame counts, frames larger than the budget. What must hold: the
// load fails cleanly or keeps the frames that fit, no raster outlives its
// document, and nothing asks for memory the budget refuses.
#include <gtest/gtest.h>

#include <vector>

#include "gif/gif.h"
#include "gif/raster_budget.h"
#include "render/compose.h"
#include "tests/decoder_support.h"
#include "tools/gif_writer.h"

namespace {

const Colours blackWhite = {0x000000, 0xFFFFFF};
const uint32_t background = 0xABABAB;

#define EXPECT_RESULT(have, want) \
    EXPECT_EQ(have, want) << "have " << describeResult(have) << ", want " << describeResult(want)
#define ASSERT_RESULT_LOADED(parsed) \
    ASSERT_NE((parsed).result, loadFailed) << "have " << describeResult((parsed).result)

// Every test starts and ends with no raster counted, under the limits it
// sets; the default limits come back afterwards.
class RasterBudgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = rasterBudgetLimit();
        ASSERT_EQ(rasterBudgetInUse().count, 0u) << "a raster outlived an earlier test";
    }
    void TearDown() override {
        EXPECT_EQ(rasterBudgetInUse().count, 0u) << "rasters still counted";
        EXPECT_EQ(rasterBudgetInUse().bytes, 0u) << "raster bytes still counted";
        setRasterBudgetLimit(saved);
    }
    RasterBudget saved;
};

// A screen of width x height with a black and white global table.
Bytes screen(uint16_t width, uint16_t height) {
    Bytes gif;
    beginGif(&gif, width, height, blackWhite);
    return gif;
}

// count frames of 1 x 1 white pixel at (0, 0), and the trailer.
Bytes withTinyFrames(Bytes gif, uint32_t count) {
    Bytes frame;
    putFrame(&frame, frameAt(0, 0, 1, 1, {1}));
    for (uint32_t i = 0; i < count; ++i) gif.insert(gif.end(), frame.begin(), frame.end());
    putTrailer(&gif);
    return gif;
}

// ---- accounting ---------------------------------------------------------------

TEST_F(RasterBudgetTest, ReserveCountsAgainstBothLimits) {
    struct ReserveCase {
        const char* name;
        RasterBudget limit;
        uint32_t width;
        uint32_t height;
        int want;
    };
    const ReserveCase cases[] = {
        {"zero width", {1000, 10}, 0, 5, 0},
        {"zero height", {1000, 10}, 5, 0, 0},
        {"exactly the byte limit", {400, 10}, 10, 10, 1},
        {"one pixel past the byte limit", {400, 10}, 101, 1, 0},
        {"no rasters allowed", {400, 0}, 1, 1, 0},
        {"largest GIF side under the default limit", {defaultRasterBudgetBytes, defaultRasterBudgetCount},
         65535, 65535, 0},
        {"1 GiB raster under the default limit", {defaultRasterBudgetBytes, defaultRasterBudgetCount}, 16384,
         16384, 1},
    };
    for (const ReserveCase& c : cases) {
        setRasterBudgetLimit(c.limit);
        EXPECT_EQ(reserveRaster(c.width, c.height), c.want) << c.name;
        if (c.want) returnRaster(c.width, c.height);
    }
}

TEST_F(RasterBudgetTest, ReturnedRasterMakesRoomAgain) {
    setRasterBudgetLimit({1000, 2});
    ASSERT_EQ(reserveRaster(10, 10), 1);                   // 400 bytes
    ASSERT_EQ(reserveRaster(10, 10), 1);                   // 800 bytes, 2 rasters
    EXPECT_EQ(reserveRaster(1, 1), 0) << "third raster";  // count limit
    returnRaster(10, 10);
    EXPECT_EQ(reserveRaster(10, 16), 0) << "640 bytes beside 400";
    ASSERT_EQ(reserveRaster(10, 15), 1) << "600 bytes beside 400 fill the budget exactly";
    EXPECT_EQ(rasterBudgetInUse().bytes, 1000u);
    EXPECT_EQ(rasterBudgetInUse().count, 2u);
    returnRaster(10, 15);
    returnRaster(10, 10);
}

TEST_F(RasterBudgetTest, LoweredLimitRefusesUntilUseFallsBelowIt) {
    setRasterBudgetLimit({1000, 10});
    ASSERT_EQ(reserveRaster(10, 20), 1);  // 800 bytes
    setRasterBudgetLimit({400, 10});
    EXPECT_EQ(reserveRaster(1, 1), 0) << "use above the new limit must not wrap into room";
    returnRaster(10, 20);
    EXPECT_EQ(reserveRaster(10, 10), 1);
    returnRaster(10, 10);
}

TEST_F(RasterBudgetTest, MakeRasterIsRefusedPastTheCountAndCountsRelease) {
    setRasterBudgetLimit({1 << 20, 3});
    std::vector<Raster> made;
    for (int i = 0; i < 3; ++i) {
        uint32_t* pixels = nullptr;
        made.push_back(makeRaster(4, 4, &pixels));
        ASSERT_NE(made.back(), nullptr) << "raster " << i;
    }
    uint32_t* pixels = nullptr;
    EXPECT_EQ(makeRaster(1, 1, &pixels), nullptr);
    EXPECT_EQ(pixels, nullptr) << "a refused raster hands out no memory";
    releaseRaster(made.back());
    made.pop_back();
    Raster again = makeRaster(1, 1, &pixels);
    EXPECT_NE(again, nullptr);
    releaseRaster(again);
    for (Raster r : made) releaseRaster(r);
}

// ---- decode-time refusals -----------------------------------------------------

TEST_F(RasterBudgetTest, HugeFrameCountOnOnePixelScreenStopsAtTheCountLimit) {
    // 200,000 frames of one pixel: far past the GDI objects a process may own.
    const uint32_t frames = 200000;
    ParsedGif parsed(withTinyFrames(screen(1, 1), frames));
    EXPECT_RESULT(parsed.result, loadFailed);
    EXPECT_EQ(parsed.animation.frameCount, defaultRasterBudgetCount)
        << "the frames before the refused raster stay counted for the caller to free";
}

TEST_F(RasterBudgetTest, FrameLargerThanTheBudgetFailsWithoutAllocating) {
    // 20000 x 20000 is 1.6 GB of pixels; the data behind it is one pixel.
    Bytes gif = screen(100, 100);
    putFrame(&gif, frameAt(0, 0, 10, 10, std::vector<uint8_t>(100, 1)));
    putFrame(&gif, frameAt(0, 0, 20000, 20000, {1}));
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadFailed);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
    EXPECT_EQ(rasterBudgetInUse().count, 1u) << "only the first frame's raster";
}

TEST_F(RasterBudgetTest, RefusedSecondRasterOfInterlacedFrameIsNotLeaked) {
    setRasterBudgetLimit({1 << 20, 1});
    Bytes gif = screen(4, 4);
    FrameSpec frame = frameAt(0, 0, 4, 4, std::vector<uint8_t>(16, 1));
    frame.interlaced = true;
    putFrame(&gif, frame);
    putTrailer(&gif);
    {
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, loadFailed);
        EXPECT_EQ(parsed.animation.frameCount, 0u);
        EXPECT_EQ(rasterBudgetInUse().count, 0u) << "the first raster of the uncounted frame";
    }
}

// ---- composition under the budget -------------------------------------------

TEST_F(RasterBudgetTest, HugeCanvasWithTinyFramesFailsAndReleasesEverything) {
    // 65535 x 65535 is 16 GiB per composed frame; each frame's own raster is
    // one pixel and decodes fine.
    ParsedGif parsed(withTinyFrames(screen(65535, 65535), 2000));
    ASSERT_RESULT_LOADED(parsed);
    EXPECT_EQ(parsed.animation.frameCount, 2000u);
    EXPECT_EQ(composeFrames(&parsed.animation, background), 0);
    EXPECT_EQ(parsed.animation.frameCount, 0u);
    EXPECT_EQ(rasterBudgetInUse().count, 0u) << "own rasters released with the failed composition";
}

TEST_F(RasterBudgetTest, CompositionKeepsTheFramesThatFit) {
    // A 100 x 100 canvas is 40000 bytes. Room for the 20 own rasters, the
    // work canvas and five composed frames: the sixth does not fit.
    const uint32_t canvas = 100 * 100 * 4;
    setRasterBudgetLimit({20 * 4 + canvas + 5 * canvas, 1000});
    Bytes gif = screen(100, 100);
    for (uint16_t i = 0; i < 20; ++i) putFrame(&gif, frameAt(i, 0, 1, 1, {1}));
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_RESULT_LOADED(parsed);
    ASSERT_EQ(parsed.animation.frameCount, 20u);

    EXPECT_EQ(composeFrames(&parsed.animation, background), 1);
    ASSERT_EQ(parsed.animation.frameCount, 5u);
    for (uint32_t i = 0; i < 5; ++i) {
        std::vector<uint32_t> picture = rasterCopy(parsed.animation.frames[i].bitmap, 100, 100);
        ASSERT_EQ(picture.size(), 10000u) << "frame " << i;
        // Frame i has drawn the white pixels 0..i of the top row.
        for (uint32_t x = 0; x < 7; ++x) {
            EXPECT_EQ(picture[x], x <= i ? 0xFFFFFFu : background) << "frame " << i << " pixel " << x;
        }
    }
    EXPECT_EQ(rasterBudgetInUse().count, 5u) << "the work canvas and the dropped frames are released";
}

TEST_F(RasterBudgetTest, NoRoomForTheRestoreCopyFailsTheComposition) {
    const uint32_t canvas = 10 * 10 * 4;
    setRasterBudgetLimit({4 + canvas + canvas / 2, 1000});
    Bytes gif = screen(10, 10);
    FrameSpec frame = frameAt(0, 0, 1, 1, {1});
    frame.hasControl = true;
    frame.control = {3, 0, -1};  // restore to previous: needs the restore copy
    putFrame(&gif, frame);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_RESULT_LOADED(parsed);
    ASSERT_EQ(parsed.animation.hasRestorePrevious, 1u);
    EXPECT_EQ(composeFrames(&parsed.animation, background), 0);
    EXPECT_EQ(parsed.animation.frameCount, 0u);
}

}  // namespace
