// Inputs the fuzzer found, rebuilt as readable recipes: each loads and
// composes as the player does, and must give the pixels the decoding rules
// give. The byte files themselves are replayed under the sanitizers by
// fuzz/replay.sh (fuzz/regressions/).
#include <gtest/gtest.h>

#include <vector>

#include "gif/gif.h"
#include "gif/raster_budget.h"
#include "render/compose.h"
#include "tests/decoder_support.h"
#include "tools/gif_writer.h"

namespace {

const Colours eightColours = {0x000000, 0x110000, 0x002200, 0x000033, 0x444400, 0x005555, 0x660066, 0x777777};
const uint32_t background = 0xABABAB;

struct FindingCase {
    const char* name;  // what the input does, and the regression file
    uint16_t width;
    uint32_t minCodeSize;
    Codes codes;
    int wantResult;
    std::vector<uint8_t> wantIndices;  // the composed row, as palette indices
};

// One image of width x 1 on a screen of the same size with eightColours.
Bytes oneRowGif(const FindingCase& c) {
    Bytes gif;
    beginGif(&gif, c.width, 1, eightColours);
    putImageDescriptor(&gif, {0, 0, c.width, 1, false, -1});
    putImageData(&gif, c.minCodeSize, c.codes);
    putTrailer(&gif);
    return gif;
}

TEST(FuzzFindings, DecodeAndComposeAsTheRulesSay) {
    const FindingCase cases[] = {
        // lzw-entry-made-over-first-code-above-end.gif: the first code (6)
        // lies above the end code, so the entry made by the next code is
        // entry 6 itself. It must become "6 then 1", made from the pixels
        // already written, not a string with no source.
        {"entry made over a first code above the end code", 4, 2, {4, 6, 1, 6, 5}, loadComplete, {6, 1, 6, 1}},
    };
    for (const FindingCase& c : cases) {
        ParsedGif parsed(oneRowGif(c));
        EXPECT_EQ(parsed.result, c.wantResult)
            << c.name << ": have " << describeResult(parsed.result) << ", want " << describeResult(c.wantResult);
        ASSERT_EQ(parsed.animation.frameCount, 1u) << c.name;
        ASSERT_EQ(composeFrames(&parsed.animation, background), 1) << c.name;
        EXPECT_EQ(rasterCopy(parsed.animation.frames[0].bitmap, c.width, 1), coloursOf(c.wantIndices, eightColours))
            << c.name;
    }
    EXPECT_EQ(rasterBudgetInUse().count, 0u) << "rasters outlived their documents";
}

}  // namespace
