// Palettes, the transparency key and the image step.
//
// Frames are decoded straight into colours, so transparency is told by a
// colour key afterwards. The key must match the transparent entry and no
// other entry; when another entry shares its colour, the transparent entry
// is given a colour that nothing else in the palette uses.
#include <string.h>

#include "gif/gif.h"

namespace {

// The smallest value from 1 upward that none of the first n entries holds.
// Never 0 (black); at most 257.
uint32_t freePaletteValue(const uint32_t* palette, uint32_t n) {
    uint32_t v = 1;
    for (uint32_t k = 0; k < n;) {
        if (palette[k] == v) {
            ++v;
            k = 0;
        } else {
            ++k;
        }
    }
    return v;
}

bool collides(const uint32_t* palette, uint32_t n, uint32_t index) {
    for (uint32_t j = 0; j < n; ++j) {
        if (j != index && palette[j] == palette[index]) return true;
    }
    return false;
}

void fillGreyRamp(uint32_t* palette) {
    for (uint32_t k = 0; k < 256; ++k) palette[k] = k * 0x010101u;
}

}  // namespace

int readPalette(uint32_t count, uint32_t* palette, ByteCursor* cursor) {
    uint32_t n = count > 256 ? 256 : count;
    for (uint32_t k = 0; k < n; ++k) {
        uint8_t rgb[3];
        if (!cursorRead(cursor, 3, rgb)) return 1;
        palette[k] = ((uint32_t)rgb[0] << 16) | ((uint32_t)rgb[1] << 8) | rgb[2];
    }
    return 0;
}

void makeTransparencyKey(uint32_t index, uint32_t* palette, uint32_t entryCount, uint32_t* keyField) {
    *keyField = (*keyField & 0xFF000000u) | swapRedBlue(palette[index]);
    uint32_t n = entryCount > 256 ? 256 : entryCount;
    if (!collides(palette, n, index)) return;
    uint32_t v = freePaletteValue(palette, n);
    palette[index] = v;
    *keyField = (*keyField & 0xFF000000u) | swapRedBlue(v);
}

// Image descriptor, the 9 bytes behind the introducer 0x2C:
//   left lo/hi | top lo/hi | width lo/hi | height lo/hi | packed
// packed: 0x80 local colour table, 0x40 interlaced, low 3 bits table size.
LoadResult decodeImage(ByteCursor* cursor, uint32_t* globalPalette, uint32_t globalCount, uint32_t* localPalette,
                       LzwEntry* dictionary, uint32_t* frameCounter, Animation* animation) {
    uint8_t d[9];
    if (!cursorRead(cursor, 9, d)) return loadDataEnded;

    uint32_t index = *frameCounter;
    FrameRecord* frame = &animation->frames[index];
    frame->left = d[0] + 256u * d[1];
    frame->top = d[2] + 256u * d[3];
    frame->width = d[4] + 256u * d[5];
    frame->height = d[6] + 256u * d[7];
    if (d[8] & 0x40) frame->interlaced = 1;

    uint32_t* palette;
    uint32_t count;
    if (d[8] & 0x80) {
        memset(localPalette, 0, 256 * sizeof(uint32_t));
        count = 2u << (d[8] & 7);
        // A table cut short is not reported here: the decode that follows
        // runs out of data and reports it.
        readPalette(count, localPalette, cursor);
        palette = localPalette;
    } else if (animation->backgroundKey & keyMarker) {
        palette = globalPalette;
        count = globalCount;
    } else {
        fillGreyRamp(localPalette);
        palette = localPalette;
        count = 256;
    }

    if (frame->transparencyKey != 0) {
        makeTransparencyKey(frame->transparencyKey & 0xFF, palette, count, &frame->transparencyKey);
    }

    LoadResult result = decodeFrameRaster(index, animation, cursor, palette, dictionary);
    // The one place where "raster not made" becomes "not loaded". A raster
    // the budget refused goes up uncounted, for the block walk to stop.
    if (result == loadNoRaster) return loadFailed;
    if (result == loadRasterRefused) return result;
    *frameCounter = index + 1;
    return result;
}
