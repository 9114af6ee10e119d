// The decoded document and the GIF stream loader.
//
// Everything here is portable: the loader walks a ByteCursor that the
// platform filled, and rasters are made and released through gif_platform.h.
#pragma once

#include <stdint.h>

#include "gif/cursor.h"
#include "gif/gif_platform.h"

// One frame. Nine 32-bit fields on the 32-bit target.
struct FrameRecord {
    Raster bitmap;  // own raster after loading; full-canvas picture after compositing, maybe the frame before's
    uint32_t width;
    uint32_t height;
    uint32_t top;  // top is stored before left
    uint32_t left;
    uint32_t interlaced;
    uint32_t delayMs;
    uint32_t disposal;         // 0..7 as the graphic control extension gives it
    uint32_t transparencyKey;  // 0 = none, else keyMarker | COLORREF
};

// The decoded document. All zero when nothing is loaded.
struct Animation {
    uint32_t width;
    uint32_t height;
    uint32_t frameCount;
    uint32_t loopCount;           // NETSCAPE loop count; 0 plays forever
    uint32_t backgroundKey;       // keyMarker set when the file has a global colour table
    uint32_t hasRestorePrevious;  // some graphic control extension gave disposal 3
    FrameRecord* frames;
    // The images the file holds as far as the loader could tell. Above
    // frameCount only when memory cut the load: the rest were counted
    // without decoding (an upper bound: a broken one among them would have
    // ended the load), or compositing gave some frames up.
    uint32_t imagesInFile;
};

// One dictionary entry. The string lives in the raster being decoded. The
// decoder (lzw.cpp) sets string and length when it makes the entry, because
// the pixels of a new entry already stand side by side in the raster;
// prefix and pixel, for an entry kept pending until first use, stay unused.
struct LzwEntry {
    uint32_t* string;
    uint32_t length;
    uint32_t* prefix;
    uint32_t pixel;
};

enum { lzwTableEntries = 4096 };

// Marks a colour key as present, so that black (COLORREF 0) is a valid key.
enum : uint32_t { keyMarker = 0x10000000u };

// A raster pixel (0x00RRGGBB) as a COLORREF (0x00BBGGRR) and back; the top
// byte, a key's marker included, is dropped.
inline uint32_t swapRedBlue(uint32_t colour) {
    return ((colour >> 16) & 0xFF) | (colour & 0xFF00) | ((colour & 0xFF) << 16);
}

// Loader results. Only loadFailed counts as a failed load: 1 to 3 still
// mean "loaded", with whatever decoded before the fault.
enum LoadResult {
    loadComplete = 0,   // the last block was handled completely
    loadDataEnded = 1,  // data ended early
    loadOverflow = 2,   // image data held more pixels than the raster
    loadBadData = 3,    // unreadable graphic control, code size above 8, bad first code
    loadNoRaster = 4,   // a raster could not be made; never leaves the image step
    loadFailed = 5,     // not loaded
    // A frame's raster could not be made (the raster budget, the picture
    // limit or the system refused it): the block walk stops there as at the
    // end of the data. Never leaves parseGif.
    loadRasterRefused = 6,
};

// The frame table starts at, and grows by, this many zero-filled records.
enum { frameTableStep = 500 };

// Allocates the zero-filled table of frameTableStep records that the loader
// expects. Returns 1 on success.
int allocateFrameTable(Animation* animation);

// Reads the file at path and parses it into animation, whose header fields
// must be 0 and whose frames must hold a fresh table. The file's bytes are
// released before it returns. When the result is loadFailed the caller frees
// the animation.
LoadResult loadGif(const char16_t* path, LzwEntry* dictionary, Animation* animation);

// The block walk over bytes already in memory; loadGif's core. Does not
// release the bytes.
LoadResult parseGif(ByteCursor* cursor, LzwEntry* dictionary, Animation* animation);

// Releases the rasters of frames first and later and cuts frameCount to
// first. Compositing lets a frame that changes nothing share the picture of
// the frame before: such a raster is released once, and not at all while
// the frame before is kept.
void releaseFramesFrom(Animation* animation, uint32_t first);

// Releases every counted frame's raster and the table, and zeroes the header.
void freeAnimation(Animation* animation);

// Sets every delay to 100 ms when the delays add up to less than 1000 ms and
// average under 15 ms. The images ahead (behind a load that memory cut, with
// the delays their controls give them) count as frames of the file, so that
// the frames kept play as they do in the whole file.
void normaliseDelays(Animation* animation, uint32_t imagesAhead = 0, uint64_t delaysAheadMs = 0);

// Palettes, transparency key and the image step (palette.cpp).
int readPalette(uint32_t count, uint32_t* palette, ByteCursor* cursor);
void makeTransparencyKey(uint32_t index, uint32_t* palette, uint32_t entryCount, uint32_t* keyField);
LoadResult decodeImage(ByteCursor* cursor, uint32_t* globalPalette, uint32_t globalCount, uint32_t* localPalette,
                       LzwEntry* dictionary, uint32_t* frameCounter, Animation* animation);

// Frame raster and de-interlacing (raster.cpp).
LoadResult decodeFrameRaster(uint32_t index, Animation* animation, ByteCursor* cursor, const uint32_t* palette,
                             LzwEntry* dictionary);
LoadResult deinterlace(uint32_t width, Raster* slot, uint32_t height, const uint32_t* source);

// LZW decoder (lzw.cpp). Writes at most pixelCount pixels at output. After
// results 0 and 2 the cursor stands right behind the image's block
// terminator.
LoadResult lzwDecode(uint32_t pixelCount, ByteCursor* cursor, const uint32_t* palette, LzwEntry* dictionary,
                     uint32_t* output);

// Passes over an image's data without decoding it: the minimum code size
// and the sub-blocks up to the terminator. Returns 1 when the terminator was
// reached, 0 when the data ended first.
int skipImageData(ByteCursor* cursor);
