// The live-raster budget, and files built to exhaust it: huge canvases,
// huge frame counts, frames larger than the budget. What must hold: the
// load fails cleanly or keeps the frames that fit, no raster outlives its
// document, and nothing asks for memory the budget refuses. A raster that
// cannot be made, by the budget or by the system, stops the load and keeps
// what came before it; the file's images are still counted.
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
        failRasterAllocation(0);
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

// A width x height screen with frames, and the trailer.
Bytes animationOf(uint16_t width, uint16_t height, const std::vector<FrameRecipe>& frames) {
    Bytes gif = screen(width, height);
    for (const FrameRecipe& frame : frames) putFrame(&gif, frame);
    putTrailer(&gif);
    return gif;
}

// count white pixels, the i-th at (i, 0): each frame draws one more.
std::vector<FrameRecipe> pixelRow(uint16_t count) {
    std::vector<FrameRecipe> frames;
    for (uint16_t i = 0; i < count; ++i) frames.push_back(frameAt(i, 0, 1, 1, {1}));
    return frames;
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
        {"largest GIF side under the modelled player's budget", modelledPlayerBudget(0), 65535, 65535, 0},
        {"1 GiB raster under the modelled player's budget", modelledPlayerBudget(0), 16384, 16384, 1},
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

// ---- the budget of a load ----------------------------------------------------

TEST(RasterBudgetModel, SmallerOfAddressSpaceAndCommitLessReserveAndFile) {
    const uint64_t mib = 1ull << 20, gib = 1ull << 30;
    struct ModelCase {
        const char* name;
        MemoryFigures figures;
        uint64_t want;
    };
    const ModelCase cases[] = {
        {"32-bit process on 64-bit Windows", {4 * gib - 40 * mib, 12 * gib, 0}, 4 * gib - 40 * mib - 256 * mib},
        {"the file's bytes come off", {4 * gib, 12 * gib, 5 * mib}, 4 * gib - 256 * mib - 5 * mib},
        {"little left to commit", {4 * gib, gib, 0}, gib - 256 * mib},
        {"64-bit build gets no more than 4 GiB", {128 * 1024 * gib, 20 * gib, 0}, 4 * gib - 256 * mib},
        {"reserve and file take it all", {200 * mib, 12 * gib, 100 * mib}, 0},
    };
    for (const ModelCase& c : cases) {
        RasterBudget budget = rasterBudgetFor(c.figures);
        EXPECT_EQ(budget.bytes, c.want) << c.name;
        EXPECT_EQ(budget.count, rasterPictureLimit) << c.name;
    }
    EXPECT_EQ(modelledPlayerBudget(0).bytes, 4 * gib - 256 * mib);
}

// frames full-canvas frames, frame i with its column i white; 10 ms each,
// the last 1 s, so that the whole plays at its delays (1,090 ms in all for
// 10 frames) where a part of it alone would be set to 100 ms a frame.
Bytes recording(uint16_t width, uint16_t height, uint32_t frames) {
    std::vector<FrameRecipe> recipes;
    for (uint32_t i = 0; i < frames; ++i) {
        std::vector<uint8_t> indices((size_t)width * height, 0);
        for (uint32_t y = 0; y < height; ++y) indices[y * width + i % width] = 1;
        recipes.push_back(frameAt(0, 0, width, height, indices));
        recipes.back().hasControl = true;
        recipes.back().control = {0, (uint16_t)(i + 1 == frames ? 100 : 1), -1};
    }
    return animationOf(width, height, recipes);
}

void expectColumnFrames(const Animation& animation, uint32_t width, uint32_t height) {
    for (uint32_t i = 0; i < animation.frameCount; ++i) {
        std::vector<uint32_t> picture = framePixels(animation, i);
        ASSERT_EQ(picture.size(), (size_t)width * height);
        for (uint32_t x = 0; x < width; ++x) {
            EXPECT_EQ(picture[(height - 1) * width + x], x == i ? 0xFFFFFFu : 0u) << "frame " << i << " column " << x;
        }
    }
}

// A recording in small: ten frames of 10 x 4. Whatever stops the load, by
// the budget or by the system, the frames before it are kept with the
// delays they have in the whole file, and the file's images are counted.
// Full-canvas frames are their own pictures, so compositing makes none and
// keeps them all.
TEST_F(RasterBudgetTest, LoadCutByMemoryKeepsTheFramesBeforeAndCountsTheFile) {
    struct CutCase {
        const char* name;
        uint64_t budgetBytes;
        uint32_t failAllocation;  // 0: none
        uint32_t wantFrames;
    };
    const uint32_t canvas = 10 * 4 * 4;
    const CutCase cases[] = {
        {"uncut", 1 << 20, 0, 10},
        {"budget for six frames", 6 * canvas, 0, 6},
        {"the system fails frame 0", 1 << 20, 1, 0},
        {"the system fails frame 1", 1 << 20, 2, 1},
        {"the system fails frame 9", 1 << 20, 10, 9},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        setRasterBudgetLimit({c.budgetBytes, 1000});
        failRasterAllocation(c.failAllocation);
        ParsedGif parsed(recording(10, 4, 10));
        EXPECT_RESULT(parsed.result, c.wantFrames == 0 ? loadFailed : loadComplete);
        ASSERT_EQ(parsed.animation.frameCount, c.wantFrames);
        if (c.wantFrames == 0) continue;
        EXPECT_EQ(parsed.animation.imagesInFile, 10u);
        for (uint32_t i = 0; i < c.wantFrames; ++i) {
            EXPECT_EQ(parsed.animation.frames[i].delayMs, i == 9 ? 1000u : 10u) << "frame " << i;
        }
        EXPECT_EQ(composeFrames(&parsed.animation, background), 1);
        ASSERT_EQ(parsed.animation.frameCount, c.wantFrames);
        expectColumnFrames(parsed.animation, 10, 4);
    }
}

TEST_F(RasterBudgetTest, NoImageLoadsWithNoFramesWhateverTheScreen) {
    Bytes gif = screen(20000, 20000);
    putComment(&gif, {"no picture"});
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_RESULT_LOADED(parsed);
    EXPECT_EQ(composeFrames(&parsed.animation, background), 1) << "no picture for no frames";
    EXPECT_EQ(parsed.animation.frameCount, 0u);
    EXPECT_EQ(rasterBudgetInUse().count, 0u);
}

// ---- decode-time refusals -----------------------------------------------------

TEST_F(RasterBudgetTest, HugeFrameCountOnOnePixelScreenStopsAtThePictureLimit) {
    // 200,000 frames of one pixel: far past the GDI objects a process may own.
    const uint32_t frames = 200000;
    ParsedGif parsed(withTinyFrames(screen(1, 1), frames));
    EXPECT_RESULT(parsed.result, loadComplete) << "the result of the last frame kept";
    EXPECT_EQ(parsed.animation.frameCount, rasterPictureLimit);
    EXPECT_EQ(parsed.animation.imagesInFile, frames);
    EXPECT_EQ(composeFrames(&parsed.animation, background), 1);
    EXPECT_EQ(parsed.animation.frameCount, rasterPictureLimit) << "each frame is its own picture";
}

TEST_F(RasterBudgetTest, FrameLargerThanTheBudgetStopsTheLoadWithoutAllocating) {
    // 20000 x 20000 is 1.6 GB of pixels; the data behind it is one pixel.
    setRasterBudgetLimit({1ull << 30, rasterPictureLimit});
    const FrameRecipe small = frameAt(0, 0, 10, 10, std::vector<uint8_t>(100, 1));
    Bytes gif = screen(100, 100);
    putFrame(&gif, small);
    putFrame(&gif, frameAt(0, 0, 20000, 20000, {1}));
    // The images behind are counted across extensions of any label and shape.
    putPlainText(&gif, "a caption");
    putExtension(&gif, 0xCE, {{'n', 0x2C, 0x21}});
    putExtension(&gif, 0xFF, {{'S', 'H', 'O', 'R', 'T', 'I', 'D', '9', '!'}, {0, 0, 0}});
    putFrame(&gif, small);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    EXPECT_EQ(parsed.animation.frameCount, 1u) << "nothing behind the refused frame";
    EXPECT_EQ(parsed.animation.imagesInFile, 3u);
    EXPECT_EQ(rasterBudgetInUse().count, 1u) << "only the first frame's raster";
}

TEST_F(RasterBudgetTest, RefusedFirstFrameLeavesTheLoadFailedWhateverCameBefore) {
    struct FrontCase {
        const char* name;
        void (*put)(Bytes*);
    };
    const FrontCase cases[] = {
        {"nothing", [](Bytes*) {}},
        {"a graphic control", [](Bytes* gif) { putGraphicControl(gif, {0, 10, -1}); }},
        {"a loop block and a comment",
         [](Bytes* gif) {
             putNetscapeLoop(gif, 0);
             putComment(gif, {"made by hand"});
         }},
    };
    for (const FrontCase& c : cases) {
        Bytes gif = screen(100, 100);
        c.put(&gif);
        putFrame(&gif, frameAt(0, 0, 65535, 65535, {1}));
        putFrame(&gif, frameAt(0, 0, 10, 10, std::vector<uint8_t>(100, 1)));
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, loadFailed) << " with " << c.name << " in front";
        EXPECT_EQ(parsed.animation.frameCount, 0u) << c.name;
    }
}

TEST_F(RasterBudgetTest, RefusedSecondRasterOfInterlacedFrameIsNotLeaked) {
    setRasterBudgetLimit({1 << 20, 1});
    FrameRecipe frame = frameAt(0, 0, 4, 4, std::vector<uint8_t>(16, 1));
    frame.interlaced = true;
    const Bytes gif = animationOf(4, 4, {frame});
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
    // A 100 x 100 canvas is 40000 bytes. Room for the 20 own rasters and
    // five composed frames: the sixth does not fit, and the 4-byte frames
    // behind it that give way cannot make room for it.
    const uint32_t canvas = 100 * 100 * 4;
    setRasterBudgetLimit({20 * 4 + 5 * canvas, 1000});
    ParsedGif parsed(animationOf(100, 100, pixelRow(20)));
    ASSERT_RESULT_LOADED(parsed);
    ASSERT_EQ(parsed.animation.frameCount, 20u);

    EXPECT_EQ(composeFrames(&parsed.animation, background), 1);
    ASSERT_EQ(parsed.animation.frameCount, 5u);
    EXPECT_EQ(parsed.animation.imagesInFile, 20u);
    for (uint32_t i = 0; i < 5; ++i) {
        std::vector<uint32_t> picture = rasterCopy(parsed.animation.frames[i].bitmap, 100, 100);
        ASSERT_EQ(picture.size(), 10000u) << "frame " << i;
        // Frame i has drawn the white pixels 0..i of the top row.
        for (uint32_t x = 0; x < 7; ++x) {
            EXPECT_EQ(picture[x], x <= i ? 0xFFFFFFu : background) << "frame " << i << " pixel " << x;
        }
    }
    EXPECT_EQ(rasterBudgetInUse().count, 5u) << "the dropped frames are released";
}

// The loader fills the budget before compositing runs: the last frames give
// way to the pictures of the first.
TEST_F(RasterBudgetTest, FramesNotYetComposedGiveWayToPictures) {
    setRasterBudgetLimit({5ull << 20, rasterPictureLimit});
    std::vector<FrameRecipe> frames;
    for (uint32_t i = 0; i < 6; ++i) frames.push_back(frameAt(0, 0, 590, 590, std::vector<uint8_t>(590 * 590, i & 1)));
    ParsedGif parsed(animationOf(600, 600, frames));
    ASSERT_RESULT_LOADED(parsed);
    ASSERT_EQ(parsed.animation.frameCount, 3u);
    EXPECT_EQ(composeFrames(&parsed.animation, background), 1);
    EXPECT_EQ(parsed.animation.frameCount, 2u);
    EXPECT_EQ(parsed.animation.imagesInFile, 6u);
    const std::vector<uint32_t> second = rasterCopy(parsed.animation.frames[1].bitmap, 600, 600);
    EXPECT_EQ(second[0], 0xFFFFFFu);
    EXPECT_EQ(second[599], background);
}

TEST_F(RasterBudgetTest, PictureTheSystemCannotMakeCostsTheLastFrame) {
    ParsedGif parsed(animationOf(10, 10, pixelRow(4)));
    ASSERT_EQ(parsed.animation.frameCount, 4u);
    failRasterAllocation(2);  // the second picture
    EXPECT_EQ(composeFrames(&parsed.animation, background), 1);
    ASSERT_EQ(parsed.animation.frameCount, 3u);
    EXPECT_EQ(parsed.animation.imagesInFile, 4u);
    EXPECT_EQ(rasterCopy(parsed.animation.frames[2].bitmap, 10, 10)[2], 0xFFFFFFu) << "drawn over frames 0 and 1";
}

TEST_F(RasterBudgetTest, FramesThatChangeNothingShareThePictureBefore) {
    // 0, 1: white at (0, 0), the second changes nothing; 2: black at (1, 0),
    // disposal 2; 3: white at (0, 0) again, which changes nothing of picture
    // 2 but the disposal of frame 2 does: (1, 0) is background again.
    const FrameRecipe white = frameAt(0, 0, 1, 1, {1});
    FrameRecipe disposed = frameAt(1, 0, 1, 1, {0});
    disposed.hasControl = true;
    disposed.control = {2, 0, -1};
    ParsedGif parsed(animationOf(4, 1, {white, white, disposed, white}));
    ASSERT_RESULT_LOADED(parsed);
    ASSERT_EQ(composeFrames(&parsed.animation, background), 1);
    ASSERT_EQ(parsed.animation.frameCount, 4u);
    const FrameRecord* frames = parsed.animation.frames;
    EXPECT_EQ(frames[1].bitmap, frames[0].bitmap);
    EXPECT_NE(frames[2].bitmap, frames[1].bitmap);
    const std::vector<uint32_t> disposedAgain = {0xFFFFFF, background, background, background};
    EXPECT_EQ(rasterCopy(frames[3].bitmap, 4, 1), disposedAgain);
    EXPECT_EQ(rasterBudgetInUse().count, 3u) << "three pictures for four frames";
}

// Room for one picture beside the frame's own raster is all a one-frame
// file needs: no work canvas, no restore copy.
TEST_F(RasterBudgetTest, OneFrameNeedsRoomForItsPictureOnly) {
    struct OneFrameCase {
        const char* name;
        FrameRecipe frame;
        uint32_t disposal;
        uint64_t budget;
    };
    const uint32_t canvas = 10 * 10 * 4;
    FrameRecipe keyed = frameAt(0, 0, 10, 10, std::vector<uint8_t>(100, 1));
    keyed.hasControl = true;
    keyed.control = {0, 0, 1};
    const OneFrameCase cases[] = {
        {"a small frame", frameAt(2, 2, 1, 1, {1}), 0, 4 + canvas},
        {"a small frame with disposal 3", frameAt(2, 2, 1, 1, {1}), 3, 4 + canvas},
        {"a full-canvas keyed frame over nothing", keyed, 0, canvas},
    };
    for (const OneFrameCase& c : cases) {
        setRasterBudgetLimit({c.budget, rasterPictureLimit});
        FrameRecipe frame = c.frame;
        frame.hasControl = true;
        frame.control.disposal = c.disposal;
        ParsedGif parsed(animationOf(10, 10, {frame}));
        ASSERT_RESULT_LOADED(parsed);
        EXPECT_EQ(composeFrames(&parsed.animation, background), 1) << c.name;
        ASSERT_EQ(parsed.animation.frameCount, 1u) << c.name;
        EXPECT_EQ(rasterCopy(parsed.animation.frames[0].bitmap, 10, 10)[0], background) << c.name;
    }
}

}  // namespace
