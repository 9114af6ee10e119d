// The LZW decoder on explicit code lists, and de-interlacing.
//
// Every case is a list of codes that the writer packs with the decoder's own
// code-size rule, so a decoder that grows its codes one step early or late
// misreads the rest of the stream and the pixels show it.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>

#include "gif/gif.h"
#include "tests/decoder_support.h"
#include "tools/gif_writer.h"

namespace {

// Every root gets a colour of its own, none of them 0, so that a pixel the
// decoder never wrote (0) differs from any index.
const uint32_t rootColourBase = 0xC00000;
const int unset = -1;

std::vector<uint32_t> testPalette() {
    std::vector<uint32_t> palette(256);
    for (uint32_t k = 0; k < 256; ++k) palette[k] = rootColourBase | k;
    return palette;
}

struct LzwCase {
    const char* name;
    uint32_t minCodeSize;
    Codes codes;
    uint32_t rasterSize;
    int wantResult;
    std::vector<int> wantPixels;  // palette indices, unset where nothing is written
};

// Literal codes 0, 1, 2, ... (mod 256) behind a clear code, without an end.
Codes literalRun(uint32_t count) {
    Codes codes = {256};
    for (uint32_t j = 0; j < count; ++j) codes.push_back(j % 256);
    return codes;
}

std::vector<int> literalPixels(uint32_t count) {
    std::vector<int> pixels;
    for (uint32_t j = 0; j < count; ++j) pixels.push_back((int)(j % 256));
    return pixels;
}

// m = 8: behind a clear, literal j makes entry 257 + j (from j = 1 on), so
// entry 511, the last 9-bit one, comes with literal 254 and the code after
// it is the first 10-bit code. That one names entry 511 itself: L253 L254.
LzwCase growthNineToTen() {
    Codes codes = literalRun(255);
    std::vector<int> pixels = literalPixels(255);
    codes.insert(codes.end(), {511, 258, 257});
    pixels.insert(pixels.end(), {253, 254, 0, 1});
    return {"m=8 first 10-bit code right after entry 511", 8, codes, (uint32_t)pixels.size(), loadComplete, pixels};
}

// 3839 literals fill entries 258..4095; entry 4095 is L3837 L3838. Then
// 12-bit codes make no entries, a clear returns to 9 bits, and the end code
// is read at 9 bits.
LzwCase fullDictionary() {
    Codes codes = literalRun(3839);
    std::vector<int> pixels = literalPixels(3839);
    codes.insert(codes.end(), {4095, 4094, 258, 7, 256, 9, 257});
    pixels.insert(pixels.end(), {3837 % 256, 3838 % 256, 3836 % 256, 3837 % 256, 0, 1, 7, 9});
    return {"m=8 full 4096-entry dictionary", 8, codes, (uint32_t)pixels.size(), loadComplete, pixels};
}

const std::vector<LzwCase>& lzwCases() {
    // clang-format off
    static const std::vector<LzwCase> cases = {
        // m = 2: clear 4, end 5, codes of 3 bits.
        {"m=2 literals", 2, {4, 0, 1, 2, 3, 5}, 4, loadComplete, {0, 1, 2, 3}},
        {"m=2 data without a leading clear", 2, {0, 1, 2, 5}, 3, loadComplete, {0, 1, 2}},
        // 6 = "1 2"; 7 = "2 1" is the last 3-bit entry, so the code 7 is
        // read with 4 bits; 7 and 8 = "1 2 2" are used while still pending.
        {"m=2 strings and growth to 4 bits after entry 7", 2, {4, 1, 2, 6, 7, 8, 5}, 12, loadComplete,
         {1, 2, 1, 2, 2, 1, 1, 2, 2, unset, unset, unset}},
        // 7 is the code about to be made: "1" + its own first pixel.
        {"m=2 KwKwK", 2, {4, 0, 1, 7, 5}, 4, loadComplete, {0, 1, 1, 1}},
        {"m=8 KwKwK twice in a row", 8, {256, 65, 258, 259, 257}, 6, loadComplete, {65, 65, 65, 65, 65, 65}},
        // m = 1: clear 2, end 3, codes of 2 bits. The first entry made is 4,
        // already past the mask 3, so the size never grows.
        {"m=1 codes stay 2 bits", 1, {2, 1, 0, 0, 1, 1, 0, 1, 3}, 7, loadComplete, {1, 0, 0, 1, 1, 0, 1}},
        // m = 0: one-bit codes and no way to send the end code (2). The
        // padding bits of the last byte are zeros, read as further codes.
        {"m=0 one-bit codes end with the data", 0, {1, 0, 0, 0}, 10, loadDataEnded,
         {0, 0, 0, 0, 0, 0, 0, unset, unset, unset}},
        // A clear keeps the write position, resets the size to 3 bits and
        // forgets the strings: 6 is then "3 3", not "1 2".
        {"m=2 clear in the middle", 2, {4, 1, 2, 1, 2, 4, 3, 6, 5}, 7, loadComplete, {1, 2, 1, 2, 3, 3, 3}},
        // Our choice for a code that names no entry: bad data, stop there.
        {"m=2 code two above the last code", 2, {4, 0, 7}, 4, loadBadData, {0, unset, unset, unset}},
        {"m=8 code far above the last code", 8, {256, 10, 20, 300, 257}, 4, loadBadData, {10, 20, unset, unset}},
        {"m=8 first code of 256 or more", 8, {258, 1, 257}, 2, loadBadData, {unset, unset}},
        {"m=8 first code behind a clear of 256 or more", 8, {256, 5, 256, 300, 257}, 3, loadBadData,
         {5, unset, unset}},
        // A first code between the end code and 256 is a palette colour;
        // the next string starts one pixel behind it.
        {"m=2 first code above the end code", 2, {4, 7, 0, 5}, 2, loadComplete, {7, 0}},
        {"m=2 clear then end", 2, {4, 5}, 2, loadComplete, {unset, unset}},
        {"m=8 clear then end", 8, {256, 257}, 2, loadComplete, {unset, unset}},
        {"m=2 clear, clear, end", 2, {4, 4, 5}, 2, loadComplete, {unset, unset}},
        {"m=2 clear, clear, data", 2, {4, 4, 1, 2, 5}, 2, loadComplete, {1, 2}},
        {"m=2 data, clear, end", 2, {4, 1, 2, 4, 5}, 3, loadComplete, {1, 2, unset}},
        {"m=2 end right away", 2, {5, 1, 2}, 2, loadComplete, {unset, unset}},
        // Strings are copied in blocks of four pixels, which write up to three
        // pixels past the string (here the root colours 3 and 4, and the
        // pixels 3 0 behind "1 2"); the pixels behind the last string must
        // still read as never written.
        {"m=2 block copies leave nothing behind a root", 2, {4, 1, 2, 5}, 8, loadComplete,
         {1, 2, unset, unset, unset, unset, unset, unset}},
        {"m=2 block copies leave nothing behind a string", 2, {4, 1, 2, 3, 0, 6, 5}, 12, loadComplete,
         {1, 2, 3, 0, 1, 2, unset, unset, unset, unset, unset, unset}},
        {"m=2 string ends on the last pixel", 2, {4, 1, 2, 6, 5}, 4, loadComplete, {1, 2, 1, 2}},
        // The string "1 2" would pass the last pixel: not written at all.
        {"m=2 string that does not fit", 2, {4, 1, 2, 6, 5}, 3, loadOverflow, {1, 2, unset}},
        {"m=2 more pixels than the raster", 2, {4, 1, 2, 3, 0, 1, 5}, 4, loadOverflow, {1, 2, 3, 0}},
        {"m=2 first code behind a clear past the raster", 2, {4, 1, 2, 4, 3, 5}, 2, loadOverflow, {1, 2}},
        // 16 bits exactly (the fourth code is read with 4 bits): no padding
        // bits that could pass for a further code.
        {"m=2 block terminator instead of an end code", 2, {4, 1, 2, 1, 2}, 6, loadDataEnded,
         {1, 2, 1, 2, unset, unset}},
        {"m=2 no codes at all", 2, {}, 2, loadDataEnded, {unset, unset}},
        growthNineToTen(),
        fullDictionary(),
    };
    // clang-format on
    return cases;
}

struct LzwRun {
    int result;
    std::vector<uint32_t> pixels;
    bool guardIntact;
};

// The image data as it stands in a file, the trailer behind it so that the
// block terminator is not the last byte (which the cursor never delivers).
Bytes imageData(uint32_t minCodeSize, const Codes& codes, const std::vector<size_t>& splits) {
    Bytes data;
    putImageData(&data, minCodeSize, codes, splits);
    putTrailer(&data);
    return data;
}

const uint32_t guardPixels = 64;
const uint32_t guardValue = 0xDEADBEEF;

LzwRun runLzw(const Bytes& data, uint32_t rasterSize, LzwEntry* dictionary) {
    std::vector<uint32_t> palette = testPalette();
    std::vector<uint32_t> raster(rasterSize + guardPixels, guardValue);
    std::fill(raster.begin(), raster.begin() + rasterSize, 0u);
    ByteCursor cursor = {data.data(), 0, (int32_t)data.size()};
    LzwRun run;
    run.result = lzwDecode(rasterSize, &cursor, palette.data(), dictionary, raster.data());
    run.pixels.assign(raster.begin(), raster.begin() + rasterSize);
    run.guardIntact =
        std::all_of(raster.begin() + rasterSize, raster.end(), [](uint32_t p) { return p == guardValue; });
    return run;
}

std::vector<uint32_t> wantedPixels(const std::vector<int>& indices) {
    std::vector<uint32_t> pixels;
    for (int index : indices) pixels.push_back(index == unset ? 0 : rootColourBase | (uint32_t)index);
    return pixels;
}

// Leaves the dictionary full of entries whose strings point into a raster
// that is freed before the next decode, as happens between two files.
void dirtyDictionary(LzwEntry* dictionary) {
    const LzwCase dirt = fullDictionary();
    runLzw(imageData(dirt.minCodeSize, dirt.codes, {}), dirt.rasterSize, dictionary);
}

void expectRun(const LzwCase& c, const LzwRun& run, const char* how) {
    EXPECT_EQ(run.result, c.wantResult) << c.name << " (" << how << "): have " << describeResult(run.result)
                                        << ", want " << describeResult(c.wantResult);
    EXPECT_EQ(run.pixels, wantedPixels(c.wantPixels)) << c.name << " (" << how << ")";
    EXPECT_TRUE(run.guardIntact) << c.name << " (" << how << "): wrote past the raster";
}

TEST(LzwDecode, CodeTable) {
    for (const LzwCase& c : lzwCases()) {
        ASSERT_EQ(c.wantPixels.size(), c.rasterSize) << c.name;
        Dictionary fresh;
        expectRun(c, runLzw(imageData(c.minCodeSize, c.codes, {}), c.rasterSize, fresh.entries), "fresh dictionary");
    }
}

// The dictionary is shared by all decodes and never cleared as a whole.
TEST(LzwDecode, CodeTableWithDictionaryLeftByAnotherDecode) {
    Dictionary shared;
    for (const LzwCase& c : lzwCases()) {
        dirtyDictionary(shared.entries);
        expectRun(c, runLzw(imageData(c.minCodeSize, c.codes, {}), c.rasterSize, shared.entries), "used dictionary");
    }
}

// Codes cross sub-block boundaries anywhere; the split must not matter.
TEST(LzwDecode, CodeTableWithOddSubBlockSplits) {
    const std::vector<size_t> oneByteBlocks(20000, 1);
    const std::vector<size_t> mixedBlocks = {2, 3, 1, 7, 254, 1, 5};
    for (const LzwCase& c : lzwCases()) {
        Dictionary fresh;
        expectRun(c, runLzw(imageData(c.minCodeSize, c.codes, oneByteBlocks), c.rasterSize, fresh.entries),
                  "1-byte sub-blocks");
        expectRun(c, runLzw(imageData(c.minCodeSize, c.codes, mixedBlocks), c.rasterSize, fresh.entries),
                  "mixed sub-blocks");
    }
}

// The writer's packing rule, pinned by hand so that a fault in it cannot
// hide a matching fault in the decoder.
TEST(LzwWriter, PacksWithTheGrowthRule) {
    // m = 2: 2 makes entry 6, 6 makes entry 7 = 2^3 - 1, so 5 is 4 bits wide.
    EXPECT_EQ(codeSizes(2, {4, 1, 2, 6, 5}), (std::vector<uint32_t>{3, 3, 3, 3, 4}));
    // Least significant bit first:
    //   byte 0 = 1|000|001|100  (low 2 bits of 2, then 1, then 4)  = 0x8C
    //   byte 1 = 0101|110|0     (5, then 6, then the high bit of 2) = 0x5C
    EXPECT_EQ(packCodes(2, {4, 1, 2, 6, 5}), (Bytes{0x8C, 0x5C}));
    EXPECT_EQ(codeSizes(1, {2, 1, 0, 0, 1, 1, 0, 1, 3}), std::vector<uint32_t>(9, 2));
    std::vector<uint32_t> sizes = codeSizes(8, literalRun(256));
    EXPECT_EQ(sizes[255], 9u);  // literal 254, which makes entry 511
    EXPECT_EQ(sizes[256], 10u);
    Codes full = literalRun(3839);
    full.insert(full.end(), {4095, 256, 1});
    sizes = codeSizes(8, full);
    EXPECT_EQ(sizes[3840], 12u);  // the first code after entry 4095: no 13th bit
    EXPECT_EQ(sizes[3841], 12u);  // the clear itself
    EXPECT_EQ(sizes[3842], 9u);
}

// The compressing encoder makes the long 1080p recording and the demo; its
// output must decode back to its input, through table fills and clears.
TEST(LzwWriter, CompressedIndicesDecodeToThemselves) {
    struct Case {
        const char* name;
        uint32_t minCodeSize;
        std::vector<uint8_t> indices;
    };
    std::vector<uint8_t> runs(200000), noise(60000), single(1, 3);
    for (size_t j = 0; j < runs.size(); ++j) runs[j] = (uint8_t)(j / 997 % 4);
    uint32_t state = 12345;
    for (uint8_t& index : noise) index = (uint8_t)((state = state * 1103515245u + 12345u) >> 24);
    const Case cases[] = {{"long runs, the table filled many times", 2, runs},
                          {"noise with 8-bit codes", 8, noise},
                          {"one pixel", 2, single}};
    for (const Case& c : cases) {
        std::vector<int> want(c.indices.begin(), c.indices.end());
        const LzwCase lzw = {
            c.name,       c.minCodeSize, compressIndices(c.minCodeSize, c.indices), (uint32_t)want.size(),
            loadComplete, want};
        Dictionary fresh;
        expectRun(lzw, runLzw(imageData(lzw.minCodeSize, lzw.codes, {}), lzw.rasterSize, fresh.entries), "compressed");
        if (c.indices.size() > 1000) {
            EXPECT_LT(lzw.codes.size(), c.indices.size()) << c.name << ": not compressed";
        }
    }
}

// Where the cursor stands decides where the loader's block loop goes on:
// behind the image's block terminator, whatever sub-blocks an encoder left
// behind the end code.
TEST(LzwDecode, CursorAfterTheEndCodeStandsBehindTheImageTerminator) {
    Bytes data = {2};
    putSubBlocks(&data, packCodes(2, {4, 1, 2, 5}), {}, false);
    data.insert(data.end(), {2, 0xAA, 0xBB, 0, 0x3B});
    Dictionary dictionary;
    std::vector<uint32_t> palette = testPalette();
    std::vector<uint32_t> raster(2);
    ByteCursor cursor = {data.data(), 0, (int32_t)data.size()};
    EXPECT_EQ(lzwDecode(2, &cursor, palette.data(), dictionary.entries, raster.data()), loadComplete);
    EXPECT_EQ(cursor.position, (int32_t)data.size() - 1) << "on the trailer";
    EXPECT_EQ(raster, wantedPixels({1, 2}));
}

TEST(LzwDecode, CursorAfterAnEmptySubBlockStandsBehindIt) {
    Bytes data = imageData(2, {4, 1, 2, 1, 2}, {});
    Dictionary dictionary;
    std::vector<uint32_t> palette = testPalette();
    std::vector<uint32_t> raster(8);
    ByteCursor cursor = {data.data(), 0, (int32_t)data.size()};
    EXPECT_EQ(lzwDecode(8, &cursor, palette.data(), dictionary.entries, raster.data()), loadDataEnded);
    EXPECT_EQ(cursor.position, (int32_t)data.size() - 1) << "right behind the block terminator, on the trailer";
}

TEST(LzwDecode, CodeSizeAboveEightIsBadDataAndReadsNothingMore) {
    Bytes data = imageData(9, {512, 1, 513}, {});
    Dictionary dictionary;
    std::vector<uint32_t> palette = testPalette();
    std::vector<uint32_t> raster(1);
    ByteCursor cursor = {data.data(), 0, (int32_t)data.size()};
    EXPECT_EQ(lzwDecode(1, &cursor, palette.data(), dictionary.entries, raster.data()), loadBadData);
    EXPECT_EQ(cursor.position, 1);
    EXPECT_EQ(raster[0], 0u);
}

TEST(LzwDecode, OverflowPassesOverTheRestOfTheData) {
    // 3-bit codes 4 1 2 3, then 4-bit codes: the fifth pixel (code 1, bits
    // 16-19) does not fit. With 1-byte sub-blocks that code is in the third.
    Bytes data = imageData(2, {4, 1, 2, 3, 0, 1, 2, 3, 0, 1, 5}, std::vector<size_t>(16, 1));
    Dictionary dictionary;
    std::vector<uint32_t> palette = testPalette();
    std::vector<uint32_t> raster(4);
    ByteCursor cursor = {data.data(), 0, (int32_t)data.size()};
    EXPECT_EQ(lzwDecode(4, &cursor, palette.data(), dictionary.entries, raster.data()), loadOverflow);
    EXPECT_EQ(cursor.position, (int32_t)data.size() - 1) << "behind the terminator, on the trailer";
    EXPECT_EQ(raster, wantedPixels({1, 2, 3, 0}));
}

TEST(LzwDecode, MissingCodeSizeByteIsDataEnded) {
    const Bytes data = {0x3B};
    Dictionary dictionary;
    std::vector<uint32_t> palette = testPalette();
    uint32_t pixel = 0;
    ByteCursor cursor = {data.data(), 0, (int32_t)data.size()};
    EXPECT_EQ(lzwDecode(1, &cursor, palette.data(), dictionary.entries, &pixel), loadDataEnded);
    EXPECT_EQ(pixel, 0u);
}

// Roots are re-made from each frame's palette: two decodes with different
// palettes never share colours through the dictionary.
TEST(LzwDecode, RootsTakeTheColoursOfTheCurrentPalette) {
    Bytes data = imageData(2, {4, 0, 1, 6, 5}, {});
    Dictionary dictionary;
    std::vector<uint32_t> first(256, 0x111111), second(256, 0x222222);
    second[1] = 0x333333;
    std::vector<uint32_t> raster(4);
    ByteCursor cursor = {data.data(), 0, (int32_t)data.size()};
    ASSERT_EQ(lzwDecode(4, &cursor, first.data(), dictionary.entries, raster.data()), loadComplete);
    cursor.position = 0;
    ASSERT_EQ(lzwDecode(4, &cursor, second.data(), dictionary.entries, raster.data()), loadComplete);
    EXPECT_EQ(raster, (std::vector<uint32_t>{0x222222, 0x333333, 0x222222, 0x333333}));
}

// Destination rows in the order an interlaced image sends them, written out
// by hand for the heights where the passes start to overlap.
struct InterlaceCase {
    uint32_t height;
    std::vector<uint32_t> arrivalRows;
};

const InterlaceCase interlaceCases[] = {
    {1, {0}},
    {2, {0, 1}},
    {3, {0, 2, 1}},
    {4, {0, 2, 1, 3}},
    {5, {0, 4, 2, 1, 3}},
    {6, {0, 4, 2, 1, 3, 5}},
    {7, {0, 4, 2, 6, 1, 3, 5}},
    {8, {0, 4, 2, 6, 1, 3, 5, 7}},
    {9, {0, 8, 4, 2, 6, 1, 3, 5, 7}},
};

// Source row i holds the value i + 1 in all of its pixels.
Raster rowNumberedRaster(uint32_t width, uint32_t height) {
    uint32_t* pixels = nullptr;
    Raster raster = makeRaster(width, height, &pixels);
    if (!raster) return nullptr;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) pixels[y * width + x] = y + 1;
    }
    return raster;
}

TEST(Deinterlace, RowOrderForHeightsOneToNine) {
    const uint32_t width = 3;
    for (const InterlaceCase& c : interlaceCases) {
        Raster slot = rowNumberedRaster(width, c.height);
        ASSERT_NE(slot, nullptr);
        ASSERT_EQ(deinterlace(width, &slot, c.height, rasterPixels(slot)), loadComplete);
        std::vector<uint32_t> have = rasterCopy(slot, width, c.height);
        std::vector<uint32_t> want((size_t)width * c.height, 0);
        for (uint32_t i = 0; i < c.height; ++i) {
            for (uint32_t x = 0; x < width; ++x) want[c.arrivalRows[i] * width + x] = i + 1;
        }
        EXPECT_EQ(have, want) << "height " << c.height;
        releaseRaster(slot);
    }
}

// Beyond the table: every destination row is written exactly once.
TEST(Deinterlace, EveryRowExactlyOnceUpToHeight64) {
    for (uint32_t height = 1; height <= 64; ++height) {
        Raster slot = rowNumberedRaster(1, height);
        ASSERT_NE(slot, nullptr);
        ASSERT_EQ(deinterlace(1, &slot, height, rasterPixels(slot)), loadComplete);
        std::vector<uint32_t> rows = rasterCopy(slot, 1, height);
        std::vector<uint32_t> sorted = rows;
        std::sort(sorted.begin(), sorted.end());
        for (uint32_t i = 0; i < height; ++i) ASSERT_EQ(sorted[i], i + 1) << "height " << height;
        releaseRaster(slot);
    }
}

}  // namespace
