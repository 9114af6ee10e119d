// The two halves of the differential fuzz target that decide what is
// compared: giflib's record-by-record read, which keeps the images giflib
// completed where DGifSlurp gives nothing, and the walk of the player's
// rules in string lengths, which finds where the player and giflib
// knowingly part.
#include <gtest/gtest.h>

#include "fuzz/player_walk.h"
#include "tests/decoder_support.h"
#include "tests/giflib_reference.h"
#include "tests/reference_difference.h"
#include "tools/gif_writer.h"

namespace {

const Colours fourColours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};

Bytes twoFrames() {
    Bytes gif;
    beginGif(&gif, 4, 2, fourColours);
    putFrame(&gif, frameAt(0, 0, 4, 2, {1, 1, 2, 2, 3, 3, 0, 0}));
    putFrame(&gif, frameAt(1, 0, 2, 2, {3, 2, 1, 0}));
    return gif;
}

Bytes withTrailer(Bytes gif) {
    putTrailer(&gif);
    return gif;
}

Bytes cutTo(Bytes gif, size_t size) {
    gif.resize(size);
    return gif;
}

// A first frame whose data ends early (an end code after 3 of 8 pixels, or
// its terminator before any end code), then a whole second frame.
Bytes firstFrameEndsEarly(bool terminator) {
    Bytes gif;
    beginGif(&gif, 4, 2, fourColours);
    putImageDescriptor(&gif, {0, 0, 4, 2, false, -1});
    putImageData(&gif, 2, terminator ? Codes{4, 1, 2, 3} : Codes{4, 1, 2, 3, 5});
    putFrame(&gif, frameAt(0, 0, 2, 1, {3, 3}));
    putTrailer(&gif);
    return gif;
}

Bytes emptyExtensionsAround(Bytes gif) {
    Bytes out(gif.begin(), gif.begin() + 13 + 12);  // screen and table
    putExtension(&out, 0xFE, {});
    out.insert(out.end(), gif.begin() + 13 + 12, gif.end());
    putExtension(&out, 0xF9, {});
    putTrailer(&out);
    return out;
}

TEST(GiflibRecordRead, KeepsTheImagesGiflibCompleted) {
    const Bytes whole = twoFrames();
    Bytes comment;
    beginGif(&comment, 4, 2, fourColours);
    putComment(&comment, {"no image"});
    putTrailer(&comment);
    struct ReadCase {
        const char* name;
        Bytes gif;
        GiflibStop stop;
        size_t completed;
        bool partial;  // the player shows it as one more frame
        bool ok;
    };
    const ReadCase cases[] = {
        {"whole", withTrailer(whole), giflibTrailer, 2, false, true},
        {"no trailer", whole, giflibDataEnded, 2, false, true},
        {"no image", comment, giflibTrailer, 0, false, true},
        {"empty extensions", emptyExtensionsAround(whole), giflibTrailer, 2, false, true},
        {"cut inside the second image's data", cutTo(whole, whole.size() - 3), giflibDataEnded, 1, true, false},
        {"cut one byte behind the second descriptor", cutTo(whole, whole.size() - 5), giflibDataEnded, 1, true, false},
        {"cut at the end of the second descriptor", cutTo(whole, whole.size() - 6), giflibDataEnded, 1, false, false},
        {"early end code", firstFrameEndsEarly(false), giflibImageError, 0, true, false},
        {"terminator before the end code", firstFrameEndsEarly(true), giflibImageError, 0, true, false},
    };
    for (const ReadCase& c : cases) {
        const ReferenceAnimation read = referenceFrom(c.gif);
        EXPECT_EQ(read.stop, c.stop) << c.name;
        EXPECT_EQ(read.frames.size(), c.completed) << c.name;
        EXPECT_EQ(read.partialFrame, c.partial) << c.name;
        EXPECT_EQ(read.ok, c.ok) << c.name;
        // Whole where giflib read what the player read; the images giflib
        // completed where it stopped inside one with data left.
        ParsedGif player(c.gif);
        const ComparisonPlan plan = comparisonPlan(read);
        EXPECT_EQ(plan.whole, c.stop != giflibImageError) << c.name;
        EXPECT_EQ(recordDifference(player.animation, player.result, read, plan), "") << c.name;
    }
}

// The loop count of the last NETSCAPE block, read as the player reads it:
// its loop sub-block whole, with a byte of the file behind it.
TEST(GiflibRecordRead, LoopCountOfTheLastNetscapeBlock) {
    Bytes gif;
    beginGif(&gif, 1, 1, fourColours);
    putNetscapeLoop(&gif, 3);
    putFrame(&gif, frameAt(0, 0, 1, 1, {1}));
    putApplication(&gif, "NETSCAPE", "2.0", {{1, 7, 0, 9, 9}});
    const Bytes whole = withTrailer(gif);
    const size_t loopEnd = gif.size() - 1;  // right behind the second block's loop sub-block
    const struct {
        size_t size;
        uint32_t loops;
    } cuts[] = {{whole.size(), 7}, {loopEnd + 1, 7}, {loopEnd, 3}, {loopEnd - 3, 3}};
    for (const auto& cut : cuts) {
        const Bytes file = cutTo(whole, cut.size);
        EXPECT_EQ(referenceFrom(file).loopCount, cut.loops) << "cut to " << cut.size;
        EXPECT_EQ(ParsedGif(file).animation.loopCount, cut.loops) << "cut to " << cut.size;
    }
}

// One image of width x 1 on a screen of the same size, with these codes.
Bytes oneRow(uint16_t width, uint32_t minCodeSize, const Codes& codes) {
    Bytes gif;
    beginGif(&gif, width, 1, fourColours);
    putImageDescriptor(&gif, {0, 0, width, 1, false, -1});
    putImageData(&gif, minCodeSize, codes);
    putTrailer(&gif);
    return gif;
}

TEST(PlayerWalk, FindsWhereThePlayerAndGiflibPart) {
    struct WalkCase {
        const char* name;
        Bytes gif;
        bool crossesEnd;
        bool namesNoEntry;
        bool decoded;
    };
    // m = 2: clear 4, end 5; after "1 1" entry 6 is "1 1".
    const WalkCase cases[] = {
        {"string fills the raster", oneRow(4, 2, {4, 1, 1, 6, 5}), false, false, true},
        {"string crosses the raster's end", oneRow(3, 2, {4, 1, 1, 6, 5}), true, false, true},
        {"full raster, then more codes", oneRow(2, 2, {4, 1, 1, 6, 5}), false, false, true},
        {"code above the next entry", oneRow(4, 2, {4, 1, 7, 5}), false, true, false},
        {"KwKwK names the next entry", oneRow(4, 2, {4, 1, 6, 5}), false, false, true},
        {"first code of 256 or more", oneRow(4, 8, {256, 258, 257}), false, false, false},
    };
    for (const WalkCase& c : cases) {
        const PlayerWalk walk = walkAsThePlayer(c.gif);
        ASSERT_EQ(walk.images.size(), 1u) << c.name;
        EXPECT_EQ(walk.images[0].crossesEnd, c.crossesEnd) << c.name;
        EXPECT_EQ(walk.images[0].namesNoEntry, c.namesNoEntry) << c.name;
        EXPECT_EQ(walk.images[0].decoded, c.decoded) << c.name;
        EXPECT_EQ(walk.images[0].decoded, ParsedGif(c.gif).result != loadBadData) << c.name;
    }
    EXPECT_EQ(walkAsThePlayer(oneRow(4, 1, {2, 1, 0, 1, 1, 3})).images[0].minCodeSize, 1u);
}

}  // namespace
