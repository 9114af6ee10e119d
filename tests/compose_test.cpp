// Compositing as pixel operations: the fill, the keyed draw and the frame
// sequence with its disposal methods, on animations built by hand.
//
// Pictures are written as strings, one letter per pixel and rows separated
// by '/': '.' is the window background, k w r g b y are black, white, red,
// green, blue and yellow.
#include "render/compose.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif/gif.h"
#include "tests/decoder_support.h"

namespace {

const uint32_t background = 0xABABAB;

uint32_t colourOf(char letter) {
    switch (letter) {
        case '.':
            return background;
        case 'k':
            return 0x000000;
        case 'w':
            return 0xFFFFFF;
        case 'r':
            return 0xFF0000;
        case 'g':
            return 0x00FF00;
        case 'b':
            return 0x0000FF;
        case 'y':
            return 0xFFFF00;
        default:
            return 0x123456;  // an unknown letter shows as a mismatch
    }
}

char letterOf(uint32_t pixel) {
    for (char letter : std::string(".kwrgby")) {
        if (colourOf(letter) == pixel) return letter;
    }
    return '?';
}

std::vector<uint32_t> picture(const std::string& rows) {
    std::vector<uint32_t> pixels;
    for (char letter : rows) {
        if (letter != '/') pixels.push_back(colourOf(letter));
    }
    return pixels;
}

std::string lettersOf(const std::vector<uint32_t>& pixels, uint32_t width) {
    std::string text;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i > 0 && i % width == 0) text += '/';
        text += letterOf(pixels[i]);
    }
    return text;
}

// COLORREF keys as the loader stores them.
const uint32_t noKey = 0;
const uint32_t blackKey = keyMarker;
const uint32_t blueKey = keyMarker | 0xFF0000;
const uint32_t redKey = keyMarker | 0x0000FF;

// ---- fillPixels -------------------------------------------------------------

struct FillCase {
    const char* name;
    uint32_t left, top, width, height;
    const char* want;  // 4 x 3 canvas of 'k' filled with 'r'
};

const FillCase fillCases[] = {
    {"inside", 1, 1, 2, 1, "kkkk/krrk/kkkk"},
    {"whole canvas", 0, 0, 4, 3, "rrrr/rrrr/rrrr"},
    {"past the right and bottom edges", 2, 1, 5, 5, "kkkk/kkrr/kkrr"},
    {"starting right of the canvas", 4, 0, 2, 2, "kkkk/kkkk/kkkk"},
    {"starting below the canvas", 0, 3, 2, 2, "kkkk/kkkk/kkkk"},
    {"zero width", 1, 1, 0, 2, "kkkk/kkkk/kkkk"},
    {"sizes that wrap 32 bits", 3, 2, 0xFFFFFFFF, 0xFFFFFFFF, "kkkk/kkkk/kkkr"},
    {"far away", 0xFFFFFFF0, 0xFFFFFFF0, 0x20, 0x20, "kkkk/kkkk/kkkk"},
};

TEST(FillPixels, ClipsToTheCanvas) {
    for (const FillCase& c : fillCases) {
        std::vector<uint32_t> canvas = picture("kkkk/kkkk/kkkk");
        fillPixels(canvas.data(), 4, 3, c.left, c.top, c.width, c.height, colourOf('r'));
        EXPECT_EQ(lettersOf(canvas, 4), c.want) << c.name;
    }
}

// ---- drawFramePixels --------------------------------------------------------

struct DrawCase {
    const char* name;
    const char* frame;
    uint32_t frameWidth, frameHeight, left, top, key;
    const char* want;  // drawn onto a 4 x 3 canvas of 'y'
};

const DrawCase drawCases[] = {
    {"no key copies every pixel, black too", "kr/bk", 2, 2, 1, 0, noKey, "ykry/ybky/yyyy"},
    {"black key skips black pixels", "kr/bk", 2, 2, 1, 0, blackKey, "yyry/ybyy/yyyy"},
    {"blue key skips blue only", "kr/bw", 2, 2, 0, 1, blueKey, "yyyy/kryy/ywyy"},
    {"red key skips red only", "rb/br", 2, 2, 0, 0, redKey, "ybyy/byyy/yyyy"},
    {"clipped right and bottom", "rgb/wkr/bbb", 3, 3, 2, 1, noKey, "yyyy/yyrg/yywk"},
    {"clipped with the key", "rgb/wkr/bbb", 3, 3, 2, 1, blackKey, "yyyy/yyrg/yywy"},
    {"wholly right of the canvas", "rr/rr", 2, 2, 4, 0, noKey, "yyyy/yyyy/yyyy"},
    {"wholly below the canvas", "rr/rr", 2, 2, 0, 3, noKey, "yyyy/yyyy/yyyy"},
    {"frame larger than the canvas", "rgbwk/kwbgr/rrrrr/bbbbb", 5, 4, 0, 0, noKey, "rgbw/kwbg/rrrr"},
};

TEST(DrawFramePixels, KeyAndClipping) {
    for (const DrawCase& c : drawCases) {
        std::vector<uint32_t> canvas = picture("yyyy/yyyy/yyyy");
        std::vector<uint32_t> frame = picture(c.frame);
        ASSERT_EQ(frame.size(), (size_t)c.frameWidth * c.frameHeight) << c.name;
        drawFramePixels(canvas.data(), 4, 3, frame.data(), c.left, c.top, c.frameWidth, c.frameHeight, c.key);
        EXPECT_EQ(lettersOf(canvas, 4), c.want) << c.name;
    }
}

// The key compares red, green and blue; the top byte of a pixel is not colour.
TEST(DrawFramePixels, KeyIgnoresTheTopByte) {
    std::vector<uint32_t> canvas = picture("yy");
    const uint32_t frame[2] = {0xFF000000, 0x00FF0000};
    drawFramePixels(canvas.data(), 2, 1, frame, 0, 0, 2, 1, blackKey);
    EXPECT_EQ(canvas[0], colourOf('y'));
    EXPECT_EQ(canvas[1], colourOf('r'));
}

// ---- composeFrames ----------------------------------------------------------

struct HandFrame {
    uint32_t left, top, width, height;
    uint32_t disposal;
    uint32_t key;
    const char* pixels;
};

// An Animation holding each frame's own raster, as the loader leaves it.
struct HandAnimation {
    HandAnimation(uint32_t width, uint32_t height, const std::vector<HandFrame>& frames) : animation() {
        allocateFrameTable(&animation);
        animation.width = width;
        animation.height = height;
        for (const HandFrame& f : frames) {
            FrameRecord& record = animation.frames[animation.frameCount++];
            record.left = f.left;
            record.top = f.top;
            record.width = f.width;
            record.height = f.height;
            record.disposal = f.disposal;
            record.transparencyKey = f.key;
            if (f.disposal == 3) animation.hasRestorePrevious = 1;
            uint32_t* pixels = nullptr;
            record.bitmap = makeRaster(f.width, f.height, &pixels);
            std::vector<uint32_t> source = picture(f.pixels);
            std::copy(source.begin(), source.end(), pixels);
        }
    }
    ~HandAnimation() { freeAnimation(&animation); }
    std::string composed(uint32_t i) const {
        return lettersOf(rasterCopy(animation.frames[i].bitmap, animation.width, animation.height), animation.width);
    }
    Animation animation;
};

struct ComposeCase {
    const char* name;
    uint32_t width, height;
    std::vector<HandFrame> frames;
    std::vector<const char*> want;  // the stored picture of each frame
};

const ComposeCase composeCases[] = {
    {"frame 0 lies on the background, its keyed pixels show it", 3, 2, {{1, 0, 2, 1, 0, blackKey, "kr"}}, {"..r/..."}},
    {"disposal 2 fills the frame's rectangle with the background, not with black",
     3,
     2,
     {{0, 0, 2, 2, 2, noKey, "rr/rr"}, {2, 1, 1, 1, 0, noKey, "g"}},
     {"rr./rr.", ".../..g"}},
    {"disposal 2 then a keyed frame shows the background through it",
     2,
     1,
     {{0, 0, 2, 1, 2, noKey, "rr"}, {0, 0, 2, 1, 0, blackKey, "kg"}},
     {"rr", ".g"}},
    {"disposal 3: the next frame is drawn on the canvas from before",
     3,
     1,
     {{0, 0, 3, 1, 1, noKey, "rrr"}, {1, 0, 1, 1, 3, noKey, "g"}, {2, 0, 1, 1, 0, noKey, "b"}},
     {"rrr", "rgr", "rrb"}},
    {"disposal 3 keeps the fill made for a disposal-2 frame before it",
     3,
     1,
     {{0, 0, 2, 1, 2, noKey, "rr"}, {2, 0, 1, 1, 3, noKey, "g"}, {0, 0, 1, 1, 0, blackKey, "k"}},
     {"rr.", "..g", "..."}},
    {"two disposal-3 frames in a row are both drawn on the same canvas",
     3,
     1,
     {{0, 0, 3, 1, 0, noKey, "www"},
      {0, 0, 1, 1, 3, noKey, "r"},
      {1, 0, 1, 1, 3, noKey, "g"},
      {2, 0, 1, 1, 0, noKey, "b"}},
     {"www", "rww", "wgw", "wwb"}},
    {"disposal 2 is clipped like the frame itself",
     2,
     2,
     {{1, 1, 3, 3, 2, noKey, "rrr/rrr/rrr"}, {0, 0, 1, 1, 0, noKey, "g"}},
     {"../.r", "g./.."}},
    {"frames reaching outside the canvas are clipped",
     2,
     2,
     {{1, 0, 2, 3, 0, noKey, "rg/bw/kk"}, {0, 1, 1, 1, 0, noKey, "y"}},
     {".r/.b", ".r/yb"}},
    // A frame at (0, 0) of the canvas's size is its own picture, and the
    // canvas is carried to the next frame by reference; these cases follow
    // that path through keys, fills and disposal 3.
    {"a full-canvas frame 0 with a key shows the background", 2, 1, {{0, 0, 2, 1, 0, blackKey, "kr"}}, {".r"}},
    {"full-canvas frames carry the canvas to a smaller frame",
     3,
     1,
     {{0, 0, 3, 1, 0, noKey, "rgb"}, {0, 0, 3, 1, 1, noKey, "gbr"}, {1, 0, 1, 1, 0, noKey, "y"}},
     {"rgb", "gbr", "gyr"}},
    {"a full-canvas keyed frame shows a disposal-2 fill and the canvas beside it",
     4,
     2,
     {{0, 0, 4, 2, 0, noKey, "rrrr/gggg"}, {1, 0, 2, 1, 2, noKey, "yy"}, {0, 0, 4, 2, 0, blackKey, "kkkk/kbkk"}},
     {"rrrr/gggg", "ryyr/gggg", "r..r/gbgg"}},
    {"a full-canvas frame with disposal 3 leaves the canvas from before",
     2,
     1,
     {{0, 0, 1, 1, 0, noKey, "r"}, {0, 0, 2, 1, 3, noKey, "gg"}, {1, 0, 1, 1, 0, noKey, "b"}},
     {"r.", "gg", "rb"}},
    {"disposal 3 on a full-canvas keyed frame keeps the fill before it",
     2,
     1,
     {{0, 0, 2, 1, 2, noKey, "rr"}, {0, 0, 2, 1, 3, blackKey, "kg"}, {0, 0, 2, 1, 0, blackKey, "kk"}},
     {"rr", ".g", ".."}},
    {"keyed rows longer than four pixels, with a rest",
     6,
     1,
     {{0, 0, 6, 1, 0, noKey, "rgbyrg"}, {0, 0, 6, 1, 0, blackKey, "kwkwkw"}, {1, 0, 5, 1, 0, blackKey, "kkykk"}},
     {"rgbyrg", "rwbwrw", "rwbyrw"}},
};

TEST(ComposeFrames, Sequences) {
    for (const ComposeCase& c : composeCases) {
        HandAnimation hand(c.width, c.height, c.frames);
        ASSERT_EQ(composeFrames(&hand.animation, background), 1) << c.name;
        ASSERT_EQ(hand.animation.frameCount, c.want.size()) << c.name;
        for (uint32_t i = 0; i < c.want.size(); ++i) {
            EXPECT_EQ(hand.composed(i), c.want[i]) << c.name << ", frame " << i;
        }
    }
}

// 0, 1 and 4 to 7 all leave the frame in place; 2 and 3 on the last frame
// change no stored picture, so frame 0 looks the same on every pass.
TEST(ComposeFrames, DisposalsThatLeaveTheFrameAndDisposalOfTheLastFrame) {
    const char* const want[] = {"rr.", "rrg"};
    for (uint32_t disposal = 0; disposal < 8; ++disposal) {
        const bool leaves = disposal != 2 && disposal != 3;
        HandAnimation hand(3, 1,
                           {{0, 0, 2, 1, leaves ? disposal : 0, noKey, "rr"}, {2, 0, 1, 1, disposal, noKey, "g"}});
        ASSERT_EQ(composeFrames(&hand.animation, background), 1);
        EXPECT_EQ(hand.composed(0), want[0]) << "disposal " << disposal;
        EXPECT_EQ(hand.composed(1), want[1]) << "disposal " << disposal;
    }
}

TEST(ComposeFrames, NoFramesComposesNothing) {
    HandAnimation hand(3, 2, {});
    EXPECT_EQ(composeFrames(&hand.animation, background), 1);
    EXPECT_EQ(hand.animation.frameCount, 0u);
}

// Every stored picture is canvas-sized, whatever the frame's own size:
// composing the same frames again from the composed rasters changes nothing.
TEST(ComposeFrames, StoredPicturesAreCanvasSized) {
    HandAnimation hand(4, 3,
                       {{3, 2, 1, 1, 0, noKey, "r"}, {0, 0, 6, 5, 0, blackKey, "kkkkkk/kkkkkk/kkkkkk/kkkkkk/kkkkkk"}});
    ASSERT_EQ(composeFrames(&hand.animation, background), 1);
    EXPECT_EQ(hand.composed(0), "..../..../...r");
    EXPECT_EQ(hand.composed(1), "..../..../...r");
}

// When not even the first picture can be made, nothing is kept and the caller
// learns that the load failed.
TEST(ComposeFrames, CanvasThatCannotBeMadeFailsAndReleasesFrames) {
    HandAnimation hand(65535, 65535, {{0, 0, 1, 1, 0, noKey, "r"}});
    EXPECT_EQ(composeFrames(&hand.animation, background), 0);
    EXPECT_EQ(hand.animation.frameCount, 0u);
    EXPECT_EQ(hand.animation.frames[0].bitmap, nullptr);
}

}  // namespace
