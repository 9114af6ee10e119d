// The player against giflib plus a plain reference compositor, on GIFs
// written by the test writer: hand-made recipes for each compositing rule,
// then a few hundred random animations.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/differential_check.h"
#include "tools/gif_writer.h"

namespace {

const uint32_t white = 0xFFFFFF, red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, black = 0x000000, yellow = 0xFFFF00;

std::vector<uint8_t> filled(size_t count, uint8_t index) {
    return std::vector<uint8_t>(count, index);
}

FrameRecipe controlled(FrameRecipe frame, uint32_t disposal, uint16_t delayCs, int32_t transparentIndex) {
    frame.hasControl = true;
    frame.control = {disposal, delayCs, transparentIndex};
    return frame;
}

// A white frame over the whole 6 x 4 screen, then one 2 x 2 frame per
// disposal code, each partly over the one before.
Bytes everyDisposalCode() {
    Bytes gif;
    beginGif(&gif, 6, 4, {white, red, green, blue, black, yellow});
    putFrame(&gif, frameAt(0, 0, 6, 4, filled(24, 0)));
    for (uint32_t disposal = 0; disposal < 8; ++disposal) {
        const uint8_t colour = (uint8_t)(1 + disposal % 5);
        FrameRecipe frame = frameAt((uint16_t)(disposal % 5), (uint16_t)(disposal % 3), 2, 2, {colour, 4, 4, colour});
        putFrame(&gif, controlled(frame, disposal, 5, disposal % 2 ? 4 : -1));
    }
    putTrailer(&gif);
    return gif;
}

Bytes blackKey() {
    Bytes gif;
    beginGif(&gif, 4, 2, {black, red, green, blue});
    putFrame(&gif, frameAt(0, 0, 4, 2, filled(8, 1)));
    putFrame(&gif, controlled(frameAt(0, 0, 4, 2, {0, 2, 0, 2, 2, 0, 2, 0}), 0, 5, 0));
    putFrame(&gif, controlled(frameAt(1, 0, 2, 2, {0, 3, 3, 0}), 2, 5, -1));  // black without a key
    putFrame(&gif, frameAt(0, 1, 1, 1, {3}));
    putTrailer(&gif);
    return gif;
}

// Entries 1 and 2 are both black; 2 is transparent, so it moves to a colour
// of its own, and the move stays in the global table for later frames.
Bytes keyCollidingWithAnotherEntry() {
    Bytes gif;
    beginGif(&gif, 4, 2, {red, black, black, green});
    putFrame(&gif, frameAt(0, 0, 4, 2, filled(8, 3)));
    putFrame(&gif, controlled(frameAt(0, 0, 4, 2, {1, 2, 1, 2, 2, 2, 1, 1}), 1, 5, 2));
    putFrame(&gif, frameAt(0, 0, 2, 1, {2, 1}));
    FrameRecipe local = frameAt(2, 0, 2, 2, {0, 1, 2, 3});
    local.localColours = {green, green, 0x000001, 0x000002};
    putFrame(&gif, controlled(local, 0, 5, 1));
    putTrailer(&gif);
    return gif;
}

Bytes framesOutsideTheCanvas() {
    Bytes gif;
    beginGif(&gif, 8, 6, {white, red, green, blue});
    putFrame(&gif, frameAt(0, 0, 8, 6, filled(48, 0)));
    putFrame(&gif, controlled(frameAt(6, 4, 5, 5, filled(25, 1)), 2, 5, -1));
    putFrame(&gif, controlled(frameAt(7, 0, 3, 8, filled(24, 2)), 3, 5, -1));
    putFrame(&gif, controlled(frameAt(20, 20, 2, 2, filled(4, 3)), 2, 5, -1));  // wholly outside
    putFrame(&gif, controlled(frameAt(0, 3, 12, 2, filled(24, 3)), 0, 5, 0));
    putFrame(&gif, frameAt(5, 5, 1, 1, {1}));
    putTrailer(&gif);
    return gif;
}

Bytes localTables() {
    Bytes gif;
    beginGif(&gif, 5, 3, {white, red});
    FrameRecipe first = frameAt(0, 0, 5, 3, {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6});
    first.localColours = {black, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666, 0x777777};
    putFrame(&gif, first);
    FrameRecipe colliding = frameAt(1, 1, 3, 2, {0, 1, 2, 2, 1, 0});
    colliding.localColours = {blue, blue, yellow, 0x000001};
    putFrame(&gif, controlled(colliding, 0, 5, 0));
    putFrame(&gif, frameAt(0, 0, 2, 1, {1, 0}));               // global again
    FrameRecipe shortTable = frameAt(3, 0, 2, 2, {0, 1, 2, 3});  // 2 and 3 past the table: black
    shortTable.localColours = {green, yellow};
    putFrame(&gif, controlled(shortTable, 0, 5, 3));
    putTrailer(&gif);
    return gif;
}

Bytes twoRestorePreviousFramesInARow() {
    Bytes gif;
    beginGif(&gif, 4, 1, {white, red, green, blue});
    putFrame(&gif, controlled(frameAt(0, 0, 4, 1, {0, 0, 1, 1}), 2, 5, -1));
    putFrame(&gif, controlled(frameAt(0, 0, 2, 1, {2, 2}), 3, 5, -1));
    putFrame(&gif, controlled(frameAt(1, 0, 2, 1, {3, 0}), 3, 5, 0));
    putFrame(&gif, frameAt(3, 0, 1, 1, {3}));
    putTrailer(&gif);
    return gif;
}

Bytes disposalOnTheLastFrame(uint32_t disposal) {
    Bytes gif;
    beginGif(&gif, 3, 2, {white, red, green});
    putFrame(&gif, frameAt(0, 0, 3, 2, filled(6, 1)));
    putFrame(&gif, controlled(frameAt(1, 0, 2, 2, filled(4, 2)), disposal, 5, -1));
    putTrailer(&gif);
    return gif;
}

// Long code streams: one clear only, so the codes grow to 12 bits and the
// table fills; and an interlaced frame.
Bytes growingCodesAndInterlace() {
    std::mt19937 random(7);
    std::vector<uint8_t> noise(64 * 48);
    for (uint8_t& index : noise) index = (uint8_t)(random() % 200);
    Colours table;
    for (uint32_t k = 0; k < 256; ++k) table.push_back((k * 0x9E3779B1u) & 0xFFFFFF);
    Bytes gif;
    beginGif(&gif, 64, 48, table);
    FrameRecipe grown = frameAt(0, 0, 64, 48, noise);
    grown.clearMode = clearNever;
    putFrame(&gif, grown);
    FrameRecipe interlaced = frameAt(3, 5, 40, 37, std::vector<uint8_t>(noise.begin(), noise.begin() + 40 * 37));
    interlaced.interlaced = true;
    interlaced.clearMode = clearNever;
    putFrame(&gif, controlled(interlaced, 0, 5, 17));
    putTrailer(&gif);
    return gif;
}

Bytes noGlobalTable() {
    Bytes gif;
    beginGif(&gif, 4, 2, {});
    putFrame(&gif, frameAt(0, 0, 4, 2, {0, 50, 100, 150, 200, 250, 255, 1}));
    putFrame(&gif, controlled(frameAt(0, 0, 3, 1, {7, 0, 7}), 0, 5, 7));
    putTrailer(&gif);
    return gif;
}

// Two controls in front of one image: the disposal and delay of the second,
// the key of the first, which the second (without the flag) keeps.
Bytes twoControlsBeforeOneImage() {
    Bytes gif;
    beginGif(&gif, 4, 2, {red, green, blue, black});
    putFrame(&gif, frameAt(0, 0, 4, 2, filled(8, 0)));
    putGraphicControl(&gif, {2, 5, 1});
    putGraphicControl(&gif, {3, 7, -1});
    putFrame(&gif, frameAt(1, 0, 2, 2, {1, 2, 2, 1}));
    putFrame(&gif, frameAt(0, 1, 1, 1, {3}));
    putTrailer(&gif);
    return gif;
}

// The loop count of the last NETSCAPE block, here behind the first image.
Bytes loopBlocksAroundTheFirstImage() {
    Bytes gif;
    beginGif(&gif, 2, 1, {red, green});
    putNetscapeLoop(&gif, 3);
    putFrame(&gif, frameAt(0, 0, 2, 1, {0, 1}));
    putNetscapeLoop(&gif, 5);
    putFrame(&gif, frameAt(1, 0, 1, 1, {0}));
    putTrailer(&gif);
    return gif;
}

TEST(ComposeConformance, Recipes) {
    expectSameAsGiflib("every disposal code", everyDisposalCode());
    expectSameAsGiflib("black key", blackKey());
    expectSameAsGiflib("key colliding with another entry", keyCollidingWithAnotherEntry());
    expectSameAsGiflib("frames outside the canvas", framesOutsideTheCanvas());
    expectSameAsGiflib("local tables", localTables());
    expectSameAsGiflib("two restore-previous frames in a row", twoRestorePreviousFramesInARow());
    expectSameAsGiflib("disposal 2 on the last frame", disposalOnTheLastFrame(2));
    expectSameAsGiflib("disposal 3 on the last frame", disposalOnTheLastFrame(3));
    expectSameAsGiflib("growing codes and interlace", growingCodesAndInterlace());
    expectSameAsGiflib("no global table", noGlobalTable());
    expectSameAsGiflib("two controls before one image", twoControlsBeforeOneImage());
    expectSameAsGiflib("loop blocks around the first image", loopBlocksAroundTheFirstImage());
}

// ---- random animations ------------------------------------------------------

// Few colours, black and the small values the key move picks among them,
// so that tables often hold the same colour twice.
const uint32_t colourPool[] = {black, 0x000001, 0x000002, white, red, green, blue, 0x808080};

struct Dice {
    std::mt19937 engine;
    uint32_t below(uint32_t n) { return (uint32_t)(engine() % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
};

Colours randomTable(Dice* dice) {
    Colours table(2u << dice->below(3));
    for (uint32_t& colour : table) colour = colourPool[dice->below(8)];
    return table;
}

FrameRecipe randomFrame(Dice* dice, uint32_t canvasWidth, uint32_t canvasHeight, uint32_t tableSize) {
    FrameRecipe frame = frameAt((uint16_t)dice->below(canvasWidth + 3), (uint16_t)dice->below(canvasHeight + 3),
                                (uint16_t)(1 + dice->below(10)), (uint16_t)(1 + dice->below(10)), {});
    if (dice->chance(30)) {
        frame.localColours = randomTable(dice);
        tableSize = (uint32_t)frame.localColours.size();
    }
    // Now and then an index past the table, which shows black.
    for (uint32_t i = 0; i < (uint32_t)frame.width * frame.height; ++i) {
        frame.indices.push_back((uint8_t)dice->below(dice->chance(10) ? 256 : tableSize));
    }
    if (dice->chance(70)) {
        int32_t key = dice->chance(50) ? (int32_t)dice->below(tableSize + 2) : -1;
        frame = controlled(frame, dice->below(8), (uint16_t)dice->below(20), key);
    }
    frame.interlaced = dice->chance(30);
    frame.clearMode = dice->chance(50) ? clearOften : clearNever;
    return frame;
}

Bytes randomAnimation(uint32_t seed) {
    Dice dice = {std::mt19937(seed)};
    const uint32_t width = 1 + dice.below(16), height = 1 + dice.below(16);
    const Colours global = dice.chance(60) ? randomTable(&dice) : Colours();
    const uint32_t tableSize = global.empty() ? 256 : (uint32_t)global.size();
    Bytes gif;
    beginGif(&gif, (uint16_t)width, (uint16_t)height, global);
    const uint32_t frames = 1 + dice.below(6);
    for (uint32_t i = 0; i < frames; ++i) putFrame(&gif, randomFrame(&dice, width, height, tableSize));
    putTrailer(&gif);
    return gif;
}

TEST(ComposeConformance, RandomAnimations) {
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        expectSameAsGiflib("random animation " + std::to_string(seed), randomAnimation(seed));
        if (::testing::Test::HasFailure()) break;  // one seed's report is enough to debug
    }
}

}  // namespace
