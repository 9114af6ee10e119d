// The loader's block walk: result codes, frame records, extensions, palettes
// and the frame table, on GIFs written byte by byte.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "gif/gif.h"
#include "render/compose.h"
#include "tests/decoder_support.h"
#include "tools/gif_writer.h"

namespace {

const Colours blackWhite = {0x000000, 0xFFFFFF};
const Colours fourColours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

// A 2 x 2 frame at (0, 0) using the global table.
void putSmallFrame(Bytes* gif, const std::vector<uint8_t>& indices = {0, 1, 1, 0}) {
    putFrame(gif, frameAt(0, 0, 2, 2, indices));
}

// GIF89a, a 2 x 2 screen with black and white, one frame, the trailer.
Bytes oneFrameGif() {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putSmallFrame(&gif);
    putTrailer(&gif);
    return gif;
}

#define EXPECT_RESULT(have, want) \
    EXPECT_EQ(have, want) << "have " << describeResult(have) << ", want " << describeResult(want)

// ---- signature and screen ---------------------------------------------------

TEST(LoaderSignature, OnlyGif87aAndGif89aLoad) {
    struct SignatureCase {
        const char* signature;
        int wantResult;
    };
    const SignatureCase cases[] = {
        {"GIF89a", loadComplete}, {"GIF87a", loadComplete}, {"gif89a", loadFailed}, {"GIF89A", loadFailed},
        {"Gif87a", loadFailed},   {"GIF88a", loadFailed},   {"GIF90a", loadFailed}, {"GIF8 a", loadFailed},
    };
    for (const SignatureCase& c : cases) {
        Bytes gif;
        putHeader(&gif, c.signature);
        putScreen(&gif, 2, 2, colourTableFlags(0));
        putColourTable(&gif, blackWhite, 0);
        putSmallFrame(&gif);
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, c.wantResult) << " for " << c.signature;
        EXPECT_EQ(parsed.animation.frameCount, c.wantResult == loadComplete ? 1u : 0u) << c.signature;
    }
}

TEST(LoaderSignature, FilesShorterThanSevenBytesFail) {
    const Bytes gif = oneFrameGif();
    for (size_t length = 0; length <= 6; ++length) {
        ParsedGif parsed(Bytes(gif.begin(), gif.begin() + length));
        EXPECT_RESULT(parsed.result, loadFailed) << " for " << length << " bytes";
    }
}

TEST(LoaderScreen, ZeroWidthOrHeightFailsEvenWithValidFrames) {
    for (int side = 0; side < 2; ++side) {
        Bytes gif;
        beginGif(&gif, side == 0 ? 0 : 2, side == 0 ? 2 : 0, blackWhite);
        putSmallFrame(&gif);
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, loadFailed) << (side == 0 ? " width 0" : " height 0");
        EXPECT_EQ(parsed.animation.frameCount, 0u);
    }
}

TEST(LoaderScreen, SizeIsLittleEndianSixteenBit) {
    Bytes gif;
    beginGif(&gif, 0x0102, 0xFFFE, blackWhite);
    putSmallFrame(&gif);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_EQ(parsed.animation.width, 0x0102u);
    EXPECT_EQ(parsed.animation.height, 0xFFFEu);
}

TEST(LoaderScreen, BackgroundKeyMarksAGlobalTable) {
    struct BackgroundCase {
        const char* name;
        Colours table;
        uint8_t backgroundIndex;
        uint32_t wantKey;
    };
    const BackgroundCase cases[] = {
        {"no global table", {}, 1, 0},
        {"entry 1 as COLORREF", {0x000000, 0x112233}, 1, keyMarker | 0x332211},
        {"black entry", {0x000000, 0x112233}, 0, keyMarker},
        {"index past the table finds black", {0x445566, 0x112233}, 9, keyMarker},
    };
    for (const BackgroundCase& c : cases) {
        Bytes gif;
        beginGif(&gif, 2, 2, c.table, c.backgroundIndex);
        putSmallFrame(&gif);
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_EQ(parsed.animation.backgroundKey, c.wantKey) << c.name;
        EXPECT_EQ(parsed.result, loadComplete) << c.name;
    }
}

TEST(LoaderScreen, GlobalTableCutShortFails) {
    Bytes gif;
    putHeader(&gif);
    putScreen(&gif, 2, 2, colourTableFlags(7));  // announces 256 entries
    putColourTable(&gif, blackWhite, 0);         // gives 2
    putSmallFrame(&gif);
    putTrailer(&gif);
    EXPECT_RESULT(ParsedGif(gif).result, loadFailed);
}

TEST(LoaderBlocks, HeaderOnlyIsNotLoaded) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadFailed);
    EXPECT_EQ(parsed.animation.frameCount, 0u);

    Bytes noTrailer;
    beginGif(&noTrailer, 2, 2, blackWhite);
    EXPECT_RESULT(ParsedGif(noTrailer).result, loadFailed);
}

TEST(LoaderBlocks, StrayFirstByteIsNotLoaded) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    gif.push_back(0x00);
    putSmallFrame(&gif);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadFailed);
    EXPECT_EQ(parsed.animation.frameCount, 0u);
}

// ---- comments ---------------------------------------------------------------

TEST(LoaderComment, CommentOnlyFileLoadsWithNoFrames) {
    struct CommentCase {
        const char* name;
        std::vector<std::string> subBlocks;
        int wantResult;
    };
    const CommentCase cases[] = {
        {"one sub-block", {"made by hand"}, loadComplete},
        {"several sub-blocks", {"a", std::string(255, 'b'), "c"}, loadComplete},
        {"empty comment", {}, loadDataEnded},
    };
    for (const CommentCase& c : cases) {
        Bytes gif;
        beginGif(&gif, 2, 2, blackWhite);
        putComment(&gif, c.subBlocks);
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, c.wantResult) << " for " << c.name;
        EXPECT_EQ(parsed.animation.frameCount, 0u) << c.name;
    }
}

TEST(LoaderComment, CommentRunningPastTheEndIsDataEnded) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    const uint8_t comment[] = {0x21, 0xFE, 200, 'x', 'y'};
    gif.insert(gif.end(), comment, comment + sizeof comment);
    EXPECT_RESULT(ParsedGif(gif).result, loadDataEnded);
}

TEST(LoaderComment, FramesAroundCommentsAreKept) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putComment(&gif, {"before"});
    putSmallFrame(&gif);
    putComment(&gif, {"between", ",!"});  // 0x2C and 0x21 inside the text
    putSmallFrame(&gif, {1, 1, 1, 1});
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    ASSERT_EQ(parsed.animation.frameCount, 2u);
    EXPECT_EQ(framePixels(parsed.animation, 1), std::vector<uint32_t>(4, 0xFFFFFF));
}

// ---- application extensions -------------------------------------------------

TEST(LoaderNetscape, LoopCount) {
    struct LoopCase {
        const char* name;
        int loops;  // < 0: no NETSCAPE block
        uint32_t wantLoopCount;
    };
    const LoopCase cases[] = {
        {"no block", -1, 0},          {"loop 0 (forever)", 0, 0},          {"loop 3", 3, 3},
        {"loop 65535", 65535, 65535}, {"loop 258 (both bytes)", 258, 258},
    };
    for (const LoopCase& c : cases) {
        Bytes gif;
        beginGif(&gif, 2, 2, blackWhite);
        if (c.loops >= 0) putNetscapeLoop(&gif, (uint16_t)c.loops);
        putSmallFrame(&gif);
        putSmallFrame(&gif);
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, loadComplete) << " for " << c.name;
        EXPECT_EQ(parsed.animation.loopCount, c.wantLoopCount) << c.name;
        EXPECT_EQ(parsed.animation.frameCount, 2u) << c.name;
    }
}

// NETSCAPE2.0 may carry a buffering sub-block behind the loop sub-block.
TEST(LoaderNetscape, SecondSubBlockKeepsLoopCountAndLaterFrames) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putApplication(&gif, "NETSCAPE", "2.0", {{1, 3, 0}, {2, 0x00, 0x10, 0x00, 0x00}});
    putSmallFrame(&gif);
    putSmallFrame(&gif, {1, 1, 1, 1});
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    EXPECT_EQ(parsed.animation.loopCount, 3u);
    ASSERT_EQ(parsed.animation.frameCount, 2u);
    EXPECT_EQ(framePixels(parsed.animation, 1), std::vector<uint32_t>(4, 0xFFFFFF));
}

// Sub-blocks too short to hold a loop count are passed over like any data;
// the frames behind them are kept and the loop count stays 0.
TEST(LoaderNetscape, SubBlocksWithoutALoopCount) {
    const std::vector<std::vector<Bytes>> cases = {{}, {{1}}, {{1, 5}}, {{1, 5}, {9, 9, 9, 9}}};
    for (size_t i = 0; i < cases.size(); ++i) {
        Bytes gif;
        beginGif(&gif, 2, 2, blackWhite);
        putSmallFrame(&gif);
        putApplication(&gif, "NETSCAPE", "2.0", cases[i]);
        putSmallFrame(&gif, {1, 1, 1, 1});
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, loadComplete) << " for case " << i;
        EXPECT_EQ(parsed.animation.frameCount, 2u) << "case " << i;
        EXPECT_EQ(parsed.animation.loopCount, 0u) << "case " << i;
    }
}

// A longer loop sub-block: the count is still in its first two data bytes
// behind the identifier byte.
TEST(LoaderNetscape, LongerLoopSubBlock) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putApplication(&gif, "NETSCAPE", "2.0", {{1, 7, 0, 0x21, 0x2C}});
    putSmallFrame(&gif);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    EXPECT_EQ(parsed.animation.loopCount, 7u);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
}

TEST(LoaderNetscape, CutShortIsDataEnded) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putSmallFrame(&gif);
    const uint8_t head[] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1};
    gif.insert(gif.end(), head, head + sizeof head);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadDataEnded);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
}

// Other application extensions are passed over by their sub-block lengths,
// so data holding zero bytes (ICC profiles do) or block introducers does not
// throw the walk off.
TEST(LoaderApplication, OtherIdentifiersAreSkippedBySubBlockLengths) {
    struct ApplicationCase {
        const char* name;
        std::vector<Bytes> subBlocks;
    };
    const ApplicationCase cases[] = {
        {"no sub-blocks", {}},
        {"plain data", {{'a', 'b', 'c'}}},
        {"zero bytes inside", {{0, 0, 0, 1, 0}, {0}}},
        {"introducers inside", {{0x2C, 0x21, 0x3B}}},
        {"a full 255-byte sub-block of zeros", {Bytes(255, 0), {9, 0, 9}}},
    };
    for (const ApplicationCase& c : cases) {
        Bytes gif;
        beginGif(&gif, 2, 2, blackWhite);
        putSmallFrame(&gif);
        putApplication(&gif, "ICCRGBG1", "012", c.subBlocks);
        putSmallFrame(&gif, {1, 1, 1, 1});
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, loadComplete) << " for " << c.name;
        EXPECT_EQ(parsed.animation.frameCount, 2u) << c.name;
        EXPECT_EQ(parsed.animation.loopCount, 0u) << c.name;
    }
}

TEST(LoaderApplication, RunningPastTheEndIsDataEnded) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putSmallFrame(&gif);
    putApplication(&gif, "XMP Data", "XMP", {{1, 2, 3}});
    gif.resize(gif.size() - 2);  // cut inside the sub-block
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadDataEnded);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
}

TEST(LoaderApplication, UnreadableHeaderKeepsTheResult) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putSmallFrame(&gif);
    const uint8_t head[] = {0x21, 0xFF, 11, 'N', 'E', 'T'};
    gif.insert(gif.end(), head, head + sizeof head);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
}

// ---- plain text and unknown labels -------------------------------------------

// Plain text and unknown labels are passed over by their lengths and leave
// the result as the block before them left it; the images around them are
// checked against giflib (extension_shapes_test.cpp).
TEST(LoaderBlocks, PlainTextAndUnknownLabelsKeepTheResult) {
    struct KeepCase {
        const char* name;
        void (*putFront)(Bytes*);
        int wantResult;
        uint32_t wantFrames;
    };
    const KeepCase cases[] = {
        {"nothing else: not loaded", [](Bytes*) {}, loadFailed, 0},
        {"behind an empty comment", [](Bytes* gif) { putComment(gif, {}); }, loadDataEnded, 0},
        {"behind an overflow",
         [](Bytes* gif) {
             putFrame(gif, frameAt(0, 0, 2, 2, {1, 1, 1, 1, 1, 1}));
         },
         loadOverflow, 1},
    };
    for (const KeepCase& c : cases) {
        Bytes gif;
        beginGif(&gif, 2, 2, blackWhite);
        c.putFront(&gif);
        putPlainText(&gif, "hello");
        putExtension(&gif, 0x99, {{0x2C, 0x21}});
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, c.wantResult) << " " << c.name;
        EXPECT_EQ(parsed.animation.frameCount, c.wantFrames) << c.name;
    }
}

// ---- graphic control --------------------------------------------------------

TEST(LoaderGraphicControl, FillsTheNextFrame) {
    Bytes gif;
    beginGif(&gif, 2, 2, fourColours);
    putGraphicControl(&gif, {2, 7, 3});
    putSmallFrame(&gif);
    putSmallFrame(&gif);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_EQ(parsed.animation.frameCount, 2u);
    const FrameRecord& first = parsed.animation.frames[0];
    EXPECT_EQ(first.delayMs, 70u);
    EXPECT_EQ(first.disposal, 2u);
    EXPECT_EQ(first.transparencyKey, keyMarker | 0xFF0000) << "blue as COLORREF";
    const FrameRecord& second = parsed.animation.frames[1];
    EXPECT_EQ(second.delayMs, 0u);
    EXPECT_EQ(second.disposal, 0u);
    EXPECT_EQ(second.transparencyKey, 0u);
    EXPECT_EQ(parsed.animation.hasRestorePrevious, 0u);
}

TEST(LoaderGraphicControl, EveryDisposalCodeIsStored) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    for (uint32_t disposal = 0; disposal < 8; ++disposal) {
        putGraphicControl(&gif, {disposal, 10, -1});
        putSmallFrame(&gif);
    }
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_EQ(parsed.animation.frameCount, 8u);
    for (uint32_t disposal = 0; disposal < 8; ++disposal) {
        EXPECT_EQ(parsed.animation.frames[disposal].disposal, disposal);
    }
    EXPECT_EQ(parsed.animation.hasRestorePrevious, 1u);
}

TEST(LoaderGraphicControl, SecondControlOverwritesButKeepsAnEarlierKey) {
    Bytes gif;
    beginGif(&gif, 2, 2, fourColours);
    putGraphicControl(&gif, {1, 5, 2});
    putGraphicControl(&gif, {2, 9, -1});  // no transparent flag: the key stays
    putSmallFrame(&gif);
    putGraphicControl(&gif, {0, 5, 2});
    putGraphicControl(&gif, {0, 5, 3});  // its own flag: the key changes
    putSmallFrame(&gif);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_EQ(parsed.animation.frameCount, 2u);
    EXPECT_EQ(parsed.animation.frames[0].disposal, 2u);
    EXPECT_EQ(parsed.animation.frames[0].delayMs, 90u);
    EXPECT_EQ(parsed.animation.frames[0].transparencyKey, keyMarker | 0x00FF00);
    EXPECT_EQ(parsed.animation.frames[1].transparencyKey, keyMarker | 0xFF0000);
}

TEST(LoaderGraphicControl, BehindTheLastImageOnlySetsRestorePrevious) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putSmallFrame(&gif);
    putGraphicControl(&gif, {3, 50, 1});
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
    EXPECT_EQ(parsed.animation.hasRestorePrevious, 1u);
    EXPECT_EQ(parsed.animation.frames[0].disposal, 0u);
}

TEST(LoaderGraphicControl, CutShortIsBadData) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putSmallFrame(&gif);
    const uint8_t control[] = {0x21, 0xF9, 4, 0x08};
    gif.insert(gif.end(), control, control + sizeof control);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadBadData);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
}

// ---- image descriptor and palettes -----------------------------------------

TEST(LoaderImage, DescriptorFieldsAreTakenAsTheyStand) {
    Bytes gif;
    beginGif(&gif, 4, 4, blackWhite);
    putFrame(&gif, frameAt(0x0203, 0x0102, 3, 1, {1, 0, 1}));  // far outside the screen
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_EQ(parsed.animation.frameCount, 1u);
    const FrameRecord& frame = parsed.animation.frames[0];
    EXPECT_EQ(frame.left, 0x0203u);
    EXPECT_EQ(frame.top, 0x0102u);
    EXPECT_EQ(frame.width, 3u);
    EXPECT_EQ(frame.height, 1u);
    EXPECT_EQ(frame.interlaced, 0u);
    EXPECT_EQ(framePixels(parsed.animation, 0), (std::vector<uint32_t>{0xFFFFFF, 0, 0xFFFFFF}));
}

TEST(LoaderImage, WithoutAnyTableFramesAreGrey) {
    Bytes gif;
    beginGif(&gif, 4, 1, {});
    putFrame(&gif, frameAt(0, 0, 4, 1, {0, 1, 0x80, 0xFF}));
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_EQ(parsed.animation.backgroundKey, 0u);
    EXPECT_EQ(framePixels(parsed.animation, 0), (std::vector<uint32_t>{0, 0x010101, 0x808080, 0xFFFFFF}));
}

TEST(LoaderImage, LocalTableWinsAndIndicesPastItAreBlack) {
    Bytes gif;
    beginGif(&gif, 3, 1, {0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666});
    FrameRecipe frame = frameAt(0, 0, 3, 1, {0, 1, 5});
    frame.localColours = {0xAA0000, 0x00BB00};
    putFrame(&gif, frame);
    putFrame(&gif, frameAt(0, 0, 3, 1, {0, 1, 5}));  // back on the global table
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_EQ(parsed.animation.frameCount, 2u);
    EXPECT_EQ(framePixels(parsed.animation, 0), (std::vector<uint32_t>{0xAA0000, 0x00BB00, 0}));
    EXPECT_EQ(framePixels(parsed.animation, 1), (std::vector<uint32_t>{0x111111, 0x222222, 0x666666}));
}

// The move of a colliding transparent entry changes the global table for
// the rest of the file; a local table's move lasts one frame.
TEST(LoaderImage, MovedTransparentEntry) {
    Bytes gif;
    beginGif(&gif, 2, 1, {0x000000, 0x000000});
    putGraphicControl(&gif, {0, 10, 1});
    putFrame(&gif, frameAt(0, 0, 2, 1, {0, 1}));
    putFrame(&gif, frameAt(0, 0, 2, 1, {0, 1}));  // no control, global table
    FrameRecipe local = frameAt(0, 0, 2, 1, {0, 1});
    local.localColours = {0x00FF00, 0x00FF00};
    local.hasControl = true;
    local.control = {0, 10, 0};
    putFrame(&gif, local);
    FrameRecipe localAgain = local;
    localAgain.hasControl = false;
    putFrame(&gif, localAgain);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_EQ(parsed.animation.frameCount, 4u);
    EXPECT_EQ(parsed.animation.frames[0].transparencyKey, 0x10010000u);
    EXPECT_EQ(framePixels(parsed.animation, 0), (std::vector<uint32_t>{0x000000, 0x000001}));
    EXPECT_EQ(framePixels(parsed.animation, 1), (std::vector<uint32_t>{0x000000, 0x000001}));
    EXPECT_EQ(parsed.animation.frames[2].transparencyKey, 0x10010000u);
    EXPECT_EQ(framePixels(parsed.animation, 2), (std::vector<uint32_t>{0x000001, 0x00FF00}));
    EXPECT_EQ(framePixels(parsed.animation, 3), (std::vector<uint32_t>{0x00FF00, 0x00FF00}));
}

TEST(LoaderImage, ControlWithoutTransparencyMakesNoKey) {
    Bytes gif;
    beginGif(&gif, 2, 1, blackWhite);
    FrameRecipe frame = frameAt(0, 0, 2, 1, {0, 1});
    frame.localColours = {0x000000, 0x000000};
    frame.hasControl = true;
    frame.control = {1, 10, -1};
    putFrame(&gif, frame);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_EQ(parsed.animation.frames[0].transparencyKey, 0u);
    EXPECT_EQ(framePixels(parsed.animation, 0), (std::vector<uint32_t>{0, 0}));
}

TEST(LoaderImage, InterlacedFrameComesOutTopDown) {
    std::vector<uint8_t> rows;
    for (uint8_t y = 0; y < 9; ++y) rows.insert(rows.end(), {y, y});
    Bytes gif;
    beginGif(&gif, 2, 9, {});
    FrameRecipe frame = frameAt(0, 0, 2, 9, rows);
    frame.interlaced = true;
    putFrame(&gif, frame);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    EXPECT_EQ(parsed.animation.frames[0].interlaced, 1u);
    EXPECT_EQ(framePixels(parsed.animation, 0), coloursOf(rows, Colours{0, 0x010101, 0x020202, 0x030303, 0x040404,
                                                                        0x050505, 0x060606, 0x070707, 0x080808}));
}

// A cut-off interlaced frame is still put in row order: the rows of the
// passes the data never reached stay black.
TEST(LoaderImage, TruncatedInterlacedFrameIsStillDeinterlaced) {
    std::vector<uint8_t> rows(9, 0);
    for (uint8_t y = 0; y < 9; ++y) rows[y] = (uint8_t)(y + 1);
    Bytes gif;
    beginGif(&gif, 1, 9, {});
    // Arrival order 0 8 4 2 6 1 3 5 7; only the first three rows sent.
    putImageDescriptor(&gif, {0, 0, 1, 9, true, -1});
    const std::vector<uint8_t> sent = {1, 9, 5};
    Codes codes = {16};
    codes.insert(codes.end(), sent.begin(), sent.end());
    putImageData(&gif, 4, codes);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadDataEnded);
    ASSERT_EQ(parsed.animation.frameCount, 1u);
    EXPECT_EQ(framePixels(parsed.animation, 0),
              (std::vector<uint32_t>{0x010101, 0, 0, 0, 0x050505, 0, 0, 0, 0x090909}));
}

TEST(LoaderImage, ZeroSizedImageFailsTheLoadBehindValidFrames) {
    for (int side = 0; side < 2; ++side) {
        Bytes gif;
        beginGif(&gif, 2, 2, blackWhite);
        putSmallFrame(&gif);
        putImageDescriptor(&gif, {0, 0, (uint16_t)(side == 0 ? 0 : 2), (uint16_t)(side == 0 ? 2 : 0), false, -1});
        putImageData(&gif, 2, {4, 1, 5});
        putSmallFrame(&gif);
        putTrailer(&gif);
        ParsedGif parsed(gif);
        EXPECT_RESULT(parsed.result, loadFailed) << (side == 0 ? " width 0" : " height 0");
        EXPECT_EQ(parsed.animation.frameCount, 1u);
    }
}

TEST(LoaderImage, DescriptorCutShortIsDataEndedWithoutAFrame) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    const uint8_t partial[] = {0x2C, 0, 0, 0, 0, 2};
    gif.insert(gif.end(), partial, partial + sizeof partial);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadDataEnded);
    EXPECT_EQ(parsed.animation.frameCount, 0u);
}

// ---- results of image data -------------------------------------------------

// After an overflow the rest of that image's data is passed over by its
// sub-block lengths, and the walk goes on with the next block.
TEST(LoaderImageData, OverflowThenLaterFramesAreFound) {
    // 40 pixels for a 2 x 2 raster, in sub-blocks of 4 bytes, so that most
    // of the sub-blocks are still unread when the raster is full.
    const Bytes packed = packCodes(2, encodeIndices(2, std::vector<uint8_t>(40, 1)));
    for (uint8_t byte : packed) {
        ASSERT_TRUE(byte != 0x21 && byte != 0x2C) << "the excess data must not hold block introducers";
    }
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putImageDescriptor(&gif, {0, 0, 2, 2, false, -1});
    gif.push_back(2);
    putSubBlocks(&gif, packed, std::vector<size_t>(packed.size() / 4, 4));
    putGraphicControl(&gif, {0, 20, -1});
    putSmallFrame(&gif, {1, 0, 0, 1});
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    ASSERT_EQ(parsed.animation.frameCount, 2u);
    EXPECT_EQ(framePixels(parsed.animation, 0), std::vector<uint32_t>(4, 0xFFFFFF));
    EXPECT_EQ(framePixels(parsed.animation, 1), (std::vector<uint32_t>{0xFFFFFF, 0, 0, 0xFFFFFF}));
    EXPECT_EQ(parsed.animation.frames[1].delayMs, 200u);
}

TEST(LoaderImageData, OverflowAsTheLastBlockIsTheResult) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putImageDescriptor(&gif, {0, 0, 2, 2, false, -1});
    putImageData(&gif, 2, encodeIndices(2, std::vector<uint8_t>(6, 1)));
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadOverflow);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
}

TEST(LoaderImageData, BadDataEndsTheWalk) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putImageDescriptor(&gif, {0, 0, 2, 2, false, -1});
    putImageData(&gif, 9, {512, 1, 513});
    putSmallFrame(&gif);
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadBadData);
    EXPECT_EQ(parsed.animation.frameCount, 1u);
}

// An image's data is read to its block terminator, whatever the decode left
// of it: sub-blocks behind the end code, or codes for more pixels than the
// frame holds. The frames around such an image load as in a clean file.
struct TrailingDataCase {
    const char* name;
    std::vector<uint8_t> middleIndices;  // what the middle frame's codes hold
    Bytes behindEndCode;                 // sub-blocks between the end code's and the terminator
    bool cutInside;                      // the file ends inside those sub-blocks
};

const std::vector<uint8_t> cleanMiddle = {1, 1, 1, 1};

// Three 2 x 2 frames; the middle one's data as the case says, the last one
// behind a graphic control with a delay of its own.
Bytes trailingDataGif(const TrailingDataCase& c, bool trailer) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    putSmallFrame(&gif);
    putImageDescriptor(&gif, {0, 0, 2, 2, false, -1});
    gif.push_back(2);
    putSubBlocks(&gif, packCodes(2, encodeIndices(2, c.middleIndices)), {}, false);
    gif.insert(gif.end(), c.behindEndCode.begin(), c.behindEndCode.end());
    if (c.cutInside) return gif;
    gif.push_back(0);
    FrameRecipe last = frameAt(0, 0, 2, 2, {1, 0, 0, 1});
    last.hasControl = true;
    last.control = {0, 70, -1};
    putFrame(&gif, last);
    if (trailer) putTrailer(&gif);
    return gif;
}

TEST(LoaderImageData, DataBehindTheEndCodeOrPastTheFrameIsPassedOver) {
    const TrailingDataCase cases[] = {
        {"one extra sub-block", cleanMiddle, {1, 0x00}, false},
        {"several extra sub-blocks", cleanMiddle, {3, 'x', 'y', 'z', 1, 0x21, 2, 0x2C, 0x3B}, false},
        {"an extra sub-block holding 0x2C", cleanMiddle, {1, 0x2C}, false},
        {"codes for twice the frame's pixels", {1, 0, 1, 0, 1, 1, 0, 0}, {}, false},
        {"data ending inside an extra sub-block", cleanMiddle, {9, 'a'}, true},
    };
    for (const TrailingDataCase& c : cases) {
        for (bool trailer : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (trailer ? "" : ", no trailer"));
            ParsedGif parsed(trailingDataGif(c, trailer));
            const std::vector<uint8_t> middle(c.middleIndices.begin(), c.middleIndices.begin() + 4);
            EXPECT_RESULT(parsed.result, c.cutInside ? loadDataEnded : loadComplete);
            ASSERT_EQ(parsed.animation.frameCount, c.cutInside ? 2u : 3u);
            EXPECT_EQ(framePixels(parsed.animation, 0), coloursOf({0, 1, 1, 0}, blackWhite));
            EXPECT_EQ(framePixels(parsed.animation, 1), coloursOf(middle, blackWhite));
            if (c.cutInside) continue;
            EXPECT_EQ(framePixels(parsed.animation, 2), coloursOf({1, 0, 0, 1}, blackWhite));
            EXPECT_EQ(parsed.animation.frames[2].delayMs, 700u) << "the last frame's own graphic control";
        }
    }
}

TEST(LoaderImageData, CutInsideAnImageKeepsThePartialFrame) {
    // Codes clear 1 1, clear 1 1, ... at 3 bits in sub-blocks of 3 bytes:
    // the first two sub-blocks hold 16 codes, that is 10 white pixels.
    Bytes gif;
    beginGif(&gif, 4, 4, blackWhite);
    putSmallFrame(&gif);
    putImageDescriptor(&gif, {0, 0, 4, 4, false, -1});
    gif.push_back(2);
    putSubBlocks(&gif, packCodes(2, encodeIndices(2, std::vector<uint8_t>(16, 1))), {3, 3, 3});
    gif.resize(gif.size() - 5);  // inside the third sub-block
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadDataEnded);
    ASSERT_EQ(parsed.animation.frameCount, 2u);
    std::vector<uint32_t> want(16, 0);
    std::fill(want.begin(), want.begin() + 10, 0xFFFFFFu);
    EXPECT_EQ(framePixels(parsed.animation, 1), want);
}

TEST(LoaderImageData, MissingTrailerLoadsLikeWithIt) {
    Bytes gif = oneFrameGif();
    ParsedGif with(gif);
    gif.pop_back();
    ParsedGif without(gif);
    EXPECT_EQ(without.result, with.result);
    ASSERT_EQ(without.animation.frameCount, with.animation.frameCount);
    EXPECT_EQ(framePixels(without.animation, 0), framePixels(with.animation, 0));
}

// ---- frame table ------------------------------------------------------------

TEST(LoaderFrameTable, GrowsAt500FramesZeroFilled) {
    Bytes gif;
    beginGif(&gif, 4, 4, blackWhite);
    for (uint32_t i = 0; i < 501; ++i) {
        putGraphicControl(&gif, {i % 2, 10, -1});
        putFrame(&gif, frameAt((uint16_t)(i % 4), 1, 1, 1, {(uint8_t)(i % 2)}));
    }
    putTrailer(&gif);
    ParsedGif parsed(gif);
    EXPECT_RESULT(parsed.result, loadComplete);
    ASSERT_EQ(parsed.animation.frameCount, 501u);
    const FrameRecord& last = parsed.animation.frames[500];
    EXPECT_EQ(last.left, 0u);
    EXPECT_EQ(last.top, 1u);
    EXPECT_EQ(last.delayMs, 100u);
    EXPECT_EQ(framePixels(parsed.animation, 500), std::vector<uint32_t>{0});
    EXPECT_EQ(framePixels(parsed.animation, 499), std::vector<uint32_t>{0xFFFFFF});
    // The grown table holds 1000 records; the ones not used are all zero.
    const FrameRecord zero = {};
    for (uint32_t i = 501; i < 1000; ++i) {
        ASSERT_EQ(memcmp(&parsed.animation.frames[i], &zero, sizeof zero), 0) << "record " << i;
    }
}

// ---- delay normalisation ----------------------------------------------------

struct DelayCase {
    const char* name;
    std::vector<uint32_t> delays;
    bool wantNormalised;
};

std::vector<uint32_t> repeated(size_t count, uint32_t delay, uint32_t lastDelay) {
    std::vector<uint32_t> delays(count, delay);
    delays.back() = lastDelay;
    return delays;
}

TEST(DelayNormalisation, Limits) {
    const DelayCase cases[] = {
        {"all 0 ms", {0, 0, 0}, true},
        {"10 frames of 10 ms (100 < 150)", std::vector<uint32_t>(10, 10), true},
        {"10 frames of 20 ms (200 >= 150)", std::vector<uint32_t>(10, 20), false},
        {"one frame of 14 ms", {14}, true},
        {"one frame of 15 ms", {15}, false},
        {"66 frames summing to 989 ms", repeated(66, 15, 14), true},
        {"66 frames summing to 990 ms", repeated(66, 15, 15), false},
        {"67 frames summing to 999 ms", repeated(67, 15, 9), true},
        {"67 frames summing to 1000 ms", repeated(67, 15, 10), false},
        {"100 frames summing to 999 ms", repeated(100, 10, 9), true},
        {"100 frames summing to 1000 ms", std::vector<uint32_t>(100, 10), false},
        {"zeros beside a long delay stay", {0, 0, 5000}, false},
        // The sum is taken without wrapping: 2^32 must not pass for 0.
        {"sum of exactly 2^32", {0xFFFFFFFFu, 1}, false},
        {"sum of 2^32 + 4", {0xFFFFFFFFu, 5}, false},
    };
    for (const DelayCase& c : cases) {
        std::vector<FrameRecord> frames(c.delays.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            frames[i] = {};
            frames[i].delayMs = c.delays[i];
        }
        Animation animation = {};
        animation.frameCount = (uint32_t)frames.size();
        animation.frames = frames.data();
        normaliseDelays(&animation);
        for (size_t i = 0; i < frames.size(); ++i) {
            uint32_t want = c.wantNormalised ? 100 : c.delays[i];
            ASSERT_EQ(frames[i].delayMs, want) << c.name << ", frame " << i;
        }
    }
}

TEST(DelayNormalisation, NoFramesIsLeftAlone) {
    FrameRecord frame = {};
    frame.delayMs = 3;
    Animation animation = {};
    animation.frames = &frame;
    normaliseDelays(&animation);
    EXPECT_EQ(frame.delayMs, 3u);
}

// Through a real file: 6553 frames of 655.35 s and one of 458.75 s add up
// to 2^32 + 4 ms, which a 32-bit sum would take for 4 ms.
TEST(DelayNormalisation, FileWhoseDelaysPass32Bits) {
    Bytes gif;
    beginGif(&gif, 1, 1, blackWhite);
    const uint32_t frames = 6554;
    for (uint32_t i = 0; i < frames; ++i) {
        putGraphicControl(&gif, {0, (uint16_t)(i + 1 < frames ? 65535 : 45875), -1});
        putFrame(&gif, frameAt(0, 0, 1, 1, {0}));
    }
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_EQ(parsed.animation.frameCount, frames);
    EXPECT_EQ(parsed.animation.frames[0].delayMs, 655350u);
    EXPECT_EQ(parsed.animation.frames[frames - 1].delayMs, 458750u);
}

TEST(DelayNormalisation, ShortDelaysInAFileBecome100) {
    Bytes gif;
    beginGif(&gif, 2, 2, blackWhite);
    for (int i = 0; i < 3; ++i) {
        putGraphicControl(&gif, {0, 1, -1});
        putSmallFrame(&gif);
    }
    putTrailer(&gif);
    ParsedGif parsed(gif);
    ASSERT_EQ(parsed.animation.frameCount, 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(parsed.animation.frames[i].delayMs, 100u);
}

// ---- truncation sweep -------------------------------------------------------

// Everything the loader understands, in a few hundred bytes.
Bytes richGif() {
    Bytes gif;
    beginGif(&gif, 5, 4, fourColours, 2);
    putNetscapeLoop(&gif, 2);
    putComment(&gif, {"sweep"});
    putApplication(&gif, "ICCRGBG1", "012", {{0, 1, 0, 2}});
    putExtension(&gif, 0xFF, {{'T', 'I', 'L', 'E', 'S', 'E', 'T', 'V', '1'}, {0, 0x2C}});
    FrameRecipe first = frameAt(0, 0, 5, 4, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3});
    first.hasControl = true;
    first.control = {3, 4, 0};
    putFrame(&gif, first);
    FrameRecipe second = frameAt(1, 1, 3, 3, {1, 1, 1, 0, 0, 0, 1, 0, 1});
    second.localColours = {0x123456, 0x654321};
    second.interlaced = true;
    second.hasControl = true;
    second.control = {2, 6, 1};
    putExtension(&gif, 0xF9, {{0x0C, 9, 0, 1, 0x21}, {0x2C}});  // overwritten by the frame's own
    putFrame(&gif, second);
    putPlainText(&gif, "sweep");
    putExtension(&gif, 0xCE, {{'3', 0x3B}});
    FrameRecipe third = frameAt(3, 2, 4, 4, std::vector<uint8_t>(16, 2));
    third.clearMode = clearNever;
    putFrame(&gif, third);
    putTrailer(&gif);
    return gif;
}

TEST(LoaderTruncation, EveryLengthLoadsSanely) {
    const Bytes gif = richGif();
    ParsedGif full(gif);
    ASSERT_EQ(full.result, loadComplete);
    ASSERT_EQ(full.animation.frameCount, 3u);
    for (size_t length = 0; length <= gif.size(); ++length) {
        // An exactly sized copy, so that a read past the end is caught.
        ParsedGif cut(Bytes(gif.begin(), gif.begin() + length));
        const int r = cut.result;
        ASSERT_TRUE(r == 0 || r == 1 || r == 2 || r == 3 || r == 5) << length << " bytes: " << describeResult(r);
        ASSERT_LE(cut.animation.frameCount, 3u) << length << " bytes";
        for (uint32_t i = 0; i < cut.animation.frameCount; ++i) {
            ASSERT_NE(cut.animation.frames[i].bitmap, nullptr) << length << " bytes, frame " << i;
        }
        if (length + 1 >= gif.size()) {
            EXPECT_EQ(r, loadComplete) << "without the trailer, " << length << " bytes";
            EXPECT_EQ(cut.animation.frameCount, 3u);
        }
        if (r != loadFailed) {
            ASSERT_EQ(composeFrames(&cut.animation, 0xABABAB), 1) << length << " bytes";
        }
    }
}

// ---- loadGif through a file -------------------------------------------------

// Unique per run: the same test may run at once from two build trees.
std::filesystem::path tempPath(const char* name) {
    std::random_device random;
    return std::filesystem::temp_directory_path() /
           (std::string("morvix_loader_test_") + name + "_" + std::to_string(random()) + ".gif");
}

int loadFile(const std::filesystem::path& path, Animation* animation) {
    Dictionary dictionary;
    if (!allocateFrameTable(animation)) return -1;
    return loadGif(path.u16string().c_str(), dictionary.entries, animation);
}

TEST(LoadGif, ReadsTheFileLikeParseGif) {
    const Bytes gif = richGif();
    const std::filesystem::path path = tempPath("rich");
    {
        std::ofstream out(path, std::ios::binary);
        out.write((const char*)gif.data(), (std::streamsize)gif.size());
    }
    Animation animation = {};
    int result = loadFile(path, &animation);
    std::filesystem::remove(path);
    ParsedGif parsed(gif);
    EXPECT_RESULT(result, parsed.result);
    ASSERT_EQ(animation.frameCount, parsed.animation.frameCount);
    EXPECT_EQ(animation.loopCount, 2u);
    for (uint32_t i = 0; i < animation.frameCount; ++i) {
        EXPECT_EQ(framePixels(animation, i), framePixels(parsed.animation, i)) << "frame " << i;
    }
    freeAnimation(&animation);
}

TEST(LoadGif, MissingOrEmptyFileIsNotLoaded) {
    const std::filesystem::path empty = tempPath("empty");
    { std::ofstream out(empty, std::ios::binary); }
    Animation animation = {};
    EXPECT_RESULT(loadFile(empty, &animation), loadFailed);
    freeAnimation(&animation);
    std::filesystem::remove(empty);
    EXPECT_RESULT(loadFile(tempPath("missing"), &animation), loadFailed);
    EXPECT_EQ(animation.frameCount, 0u);
    freeAnimation(&animation);
}

TEST(FreeAnimation, ZeroesTheHeaderAndTheTable) {
    ParsedGif parsed(richGif());
    Animation& animation = parsed.animation;
    ASSERT_NE(animation.frameCount, 0u);
    freeAnimation(&animation);
    EXPECT_EQ(animation.frames, nullptr);
    EXPECT_EQ(animation.width | animation.height | animation.frameCount | animation.loopCount |
                  animation.backgroundKey | animation.hasRestorePrevious,
              0u);
    freeAnimation(&animation);  // a second free finds nothing to release
}

}  // namespace
