// The byte cursor and its walk over sub-blocks, the palette read and the
// transparency key.
#include <gtest/gtest.h>
#include <string.h>
#ifndef _WIN32
#include <sys/mman.h>
#endif

#include "gif/gif.h"
#include "tests/decoder_support.h"

namespace {

// ---- cursorRead -------------------------------------------------------------

TEST(CursorRead, NeverDeliversTheLastByte) {
    const uint8_t data[4] = {1, 2, 3, 4};
    uint8_t out[4] = {0};
    ByteCursor cursor = {data, 0, 4};
    EXPECT_EQ(cursorRead(&cursor, 3, out), 1);
    EXPECT_EQ(memcmp(out, data, 3), 0);
    EXPECT_EQ(cursor.position, 3);
    EXPECT_EQ(cursorRead(&cursor, 1, out), 0) << "the last byte is never delivered";

    ByteCursor whole = {data, 0, 4};
    EXPECT_EQ(cursorRead(&whole, 4, out), 0) << "a read of all bytes fails";
}

TEST(CursorRead, AdvancesAlsoWhenItFails) {
    const uint8_t data[4] = {1, 2, 3, 4};
    uint8_t out[8];
    memset(out, 0xEE, sizeof out);
    ByteCursor cursor = {data, 2, 4};
    EXPECT_EQ(cursorRead(&cursor, 5, out), 0);
    EXPECT_EQ(cursor.position, 7);
    EXPECT_EQ(out[0], 0xEE) << "nothing is copied by a failed read";
    // Once past the end, every read fails, even one of no bytes.
    EXPECT_EQ(cursorRead(&cursor, 0, out), 0);
    EXPECT_EQ(cursorRead(&cursor, 1, out), 0);
    EXPECT_EQ(cursor.position, 8);
}

TEST(CursorRead, ReadsBetweenTheEnds) {
    const uint8_t data[6] = {10, 11, 12, 13, 14, 15};
    uint8_t out[2] = {0};
    ByteCursor cursor = {data, 3, 6};
    EXPECT_EQ(cursorRead(&cursor, 2, out), 1);
    EXPECT_EQ(out[0], 13);
    EXPECT_EQ(out[1], 14);
    EXPECT_EQ(cursor.position, 5);
}

// A skip can put the position far out; a huge count must wrap to a failure,
// not to a read before the data.
TEST(CursorRead, HugePositionsAndCountsFail) {
    const uint8_t data[4] = {1, 2, 3, 4};
    uint8_t out[1] = {0};
    ByteCursor cursor = {data, 1, 4};
    EXPECT_EQ(cursorRead(&cursor, INT32_MAX, out), 0);
    ByteCursor negative = {data, -2, 4};
    EXPECT_EQ(cursorRead(&negative, 1, out), 0) << "a position before the data never reads";
    EXPECT_EQ(out[0], 0);
}

TEST(CursorRead, EmptyDataNeverReads) {
    uint8_t out[1] = {0};
    ByteCursor cursor = {nullptr, 0, 0};
    EXPECT_EQ(cursorRead(&cursor, 1, out), 0);
    EXPECT_EQ(cursorRead(&cursor, 0, out), 0);
}

// ---- cursorSkipSubBlocks -----------------------------------------------------

#ifndef _WIN32
// A file may be nearly 2 GiB: a length near its end must leave the cursor
// at the end, not wrap the position. The mapping costs only the pages touched.
TEST(CursorSubBlock, LengthsNearTwoGibibytesDoNotWrap) {
    const int32_t size = INT32_MAX;
    void* mapping =
        mmap(nullptr, (size_t)size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    uint8_t* data = (uint8_t*)mapping;
    data[size - 300] = 255;
    data[size - 44] = 255;  // runs past the end
    ByteCursor cursor = {data, size - 300, size};
    EXPECT_EQ(cursorSkipSubBlocks(&cursor), 0);
    EXPECT_EQ(cursor.position, size);
    munmap(mapping, (size_t)size);
}
#endif

// ---- readPalette ------------------------------------------------------------

TEST(ReadPalette, TriplesBecomePixelValues) {
    const uint8_t data[] = {0x12, 0x34, 0x56, 0xFF, 0x00, 0x80, 0x3B};
    uint32_t palette[256] = {0};
    ByteCursor cursor = {data, 0, (int32_t)sizeof data};
    EXPECT_EQ(readPalette(2, palette, &cursor), 0);
    EXPECT_EQ(palette[0], 0x123456u);
    EXPECT_EQ(palette[1], 0xFF0080u);
    EXPECT_EQ(palette[2], 0u);
}

TEST(ReadPalette, ShortTableKeepsWhatWasRead) {
    const uint8_t data[] = {1, 2, 3, 4, 5, 6, 7, 8};  // two triples, then two bytes
    uint32_t palette[256];
    for (uint32_t& entry : palette) entry = 0xAAAAAA;
    ByteCursor cursor = {data, 0, (int32_t)sizeof data};
    EXPECT_EQ(readPalette(4, palette, &cursor), 1);
    EXPECT_EQ(palette[0], 0x010203u);
    EXPECT_EQ(palette[1], 0x040506u);
    EXPECT_EQ(palette[2], 0xAAAAAAu) << "entries not read keep their old contents";
}

TEST(ReadPalette, ReadsAtMost256Entries) {
    Bytes data(257 * 3, 0x7F);
    data.push_back(0x3B);
    uint32_t palette[257] = {0};
    ByteCursor cursor = {data.data(), 0, (int32_t)data.size()};
    EXPECT_EQ(readPalette(300, palette, &cursor), 0);
    EXPECT_EQ(cursor.position, 256 * 3);
    EXPECT_EQ(palette[255], 0x7F7F7Fu);
    EXPECT_EQ(palette[256], 0u);
}

// ---- makeTransparencyKey ----------------------------------------------------

struct KeyCase {
    const char* name;
    Colours palette;  // the first entryCount entries; the rest of the 256 are 0
    uint32_t entryCount;
    uint32_t index;
    uint32_t wantKey;    // the whole key field
    uint32_t wantEntry;  // palette[index] afterwards
};

const KeyCase keyCases[] = {
    {"a colour of its own stays", {0x102030, 0x405060}, 2, 1, keyMarker | 0x605040, 0x405060},
    {"a unique black key stays black", {0x000000, 0xFFFFFF}, 2, 0, keyMarker, 0x000000},
    // The smallest value from 1 up that no entry holds: 1, a blue of 1,
    // whose COLORREF has the blue in bits 16-23.
    {"black colliding with black moves to 0x000001", {0x000000, 0x000000}, 2, 1, 0x10010000, 0x000001},
    {"the free value skips values in use", {0x000001, 0x000002, 0x00FF00, 0x00FF00}, 4, 3, 0x10030000, 0x000003},
    {"the free value skips a later 1 as well", {0x000002, 0x000005, 0x000001, 0x000005}, 4, 1, 0x10030000, 0x000003},
    // An index past the table names a zero entry: black, and moved when a
    // real entry is black too.
    {"index past the table with no black entry", {0xFFFFFF, 0x808080}, 2, 7, keyMarker, 0x000000},
    {"index past the table with a black entry", {0x000000, 0x808080}, 2, 7, 0x10010000, 0x000001},
    // Entries past the count are not compared.
    {"zero entries past the count do not collide", {0x000000, 0x808080}, 2, 0, keyMarker, 0x000000},
};

TEST(TransparencyKey, Cases) {
    for (const KeyCase& c : keyCases) {
        uint32_t palette[256] = {0};
        for (size_t k = 0; k < c.palette.size(); ++k) palette[k] = c.palette[k];
        uint32_t key = keyMarker + c.index;
        makeTransparencyKey(c.index, palette, c.entryCount, &key);
        EXPECT_EQ(key, c.wantKey) << c.name << std::hex << ": have 0x" << key << ", want 0x" << c.wantKey;
        EXPECT_EQ(palette[c.index], c.wantEntry) << c.name;
        EXPECT_EQ(keyPixel(key & 0xFFFFFF), palette[c.index]) << c.name << ": the key shows the entry's colour";
    }
}

// 255 distinct values 1..255 and a duplicate of 1: the free value is 256,
// green 1 in COLORREF terms.
TEST(TransparencyKey, FullTableMovesPast255) {
    uint32_t palette[256];
    for (uint32_t k = 0; k < 255; ++k) palette[k] = k + 1;
    palette[255] = 1;
    uint32_t key = keyMarker + 255;
    makeTransparencyKey(255, palette, 256, &key);
    EXPECT_EQ(palette[255], 256u);
    EXPECT_EQ(key, keyMarker | 0x000100u);
    for (uint32_t k = 0; k < 255; ++k) ASSERT_EQ(palette[k], k + 1) << "only the transparent entry moves";
}

// The entry count may be larger than 256 only by a caller's mistake; the
// scan still stays inside the 256 entries.
TEST(TransparencyKey, CountAbove256IsClamped) {
    uint32_t palette[256] = {0};
    palette[0] = 0x123456;
    palette[1] = 0x123456;
    uint32_t key = keyMarker + 1;
    makeTransparencyKey(1, palette, 1000, &key);
    EXPECT_EQ(palette[1], 1u);
}

}  // namespace
