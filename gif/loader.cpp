// GIF stream loader: signature, screen descriptor, global colour table and
// the block loop that hands each image to the image step.
#include <stdlib.h>
#include <string.h>

#include "gif/gif.h"

namespace {

const uint32_t frameRecordBytes = sizeof(FrameRecord);
// Files above this size show the wait cursor and paint their first frame early.
const int32_t largeFileBytes = 5000000;

bool sameBytes(const uint8_t* a, const char* b, size_t n) { return memcmp(a, b, n) == 0; }

// Grows the table by frameTableStep zero-filled records. On failure the old
// table stays as it was and 0 is returned.
int growFrameTable(Animation* animation, uint32_t* capacity) {
    uint32_t newCapacity = *capacity + frameTableStep;
    if (newCapacity > UINT32_MAX / frameRecordBytes) return 0;
    void* grown = realloc(animation->frames, (size_t)newCapacity * frameRecordBytes);
    if (!grown) return 0;
    animation->frames = (FrameRecord*)grown;
    memset(animation->frames + *capacity, 0, (size_t)frameTableStep * frameRecordBytes);
    *capacity = newCapacity;
    return 1;
}

// Comment extension, cursor behind the label 0xFE. Passes over the
// sub-blocks by their lengths. Returns 0 when the last sub-block ended
// inside the data, 1 for an empty comment or one that runs off the end.
LoadResult skipComment(ByteCursor* cursor) {
    uint8_t length = 0;
    bool ok = false;
    if (!cursorRead(cursor, 1, &length)) return loadDataEnded;
    while (length != 0) {
        cursor->position += length;
        ok = cursor->position >= 0 && cursor->position < cursor->size;
        if (!cursorRead(cursor, 1, &length)) break;
    }
    return ok ? loadComplete : loadDataEnded;
}

// Passes over sub-blocks up to and including the block terminator. Returns 1
// when a length byte cannot be read (the block runs off the end of the data).
LoadResult skipSubBlocks(ByteCursor* cursor) {
    uint8_t length = 0;
    for (;;) {
        if (!cursorRead(cursor, 1, &length)) return loadDataEnded;
        if (length == 0) return loadComplete;
        cursor->position += length;
    }
}

// Any application extension other than NETSCAPE, cursor behind its 12-byte
// header. Its data may hold zero bytes (ICC profiles do), so it is passed
// over by its sub-block lengths rather than by searching for a zero byte.
LoadResult skipApplicationExtension(ByteCursor* cursor) { return skipSubBlocks(cursor); }

// NETSCAPE application extension, cursor behind its 12-byte header:
//   +------+----+--------+--------+
//   | 0x03 | 01 | loop lo| loop hi|   the loop sub-block
//   +------+----+--------+--------+
// possibly followed by further sub-blocks (a buffering sub-block), then 0.
// The loop count comes from the first sub-block; the rest is passed over.
LoadResult readNetscapeExtension(ByteCursor* cursor, Animation* animation) {
    uint8_t loop[5] = {0};
    if (!cursorRead(cursor, 4, loop)) return loadDataEnded;
    if (loop[0] < 3) {
        // Too short to hold a loop count: stand on the next sub-block's length.
        cursor->position -= 3 - loop[0];
        return loop[0] == 0 ? loadComplete : skipSubBlocks(cursor);
    }
    animation->loopCount = loop[2] + 256u * loop[3];
    cursor->position += loop[0] - 3;
    return skipSubBlocks(cursor);
}

LoadResult readApplicationExtension(ByteCursor* cursor, Animation* animation, LoadResult result) {
    // block size (11), 8-byte identifier, 3-byte authentication code
    uint8_t header[12] = {0};
    if (!cursorRead(cursor, 12, header)) return result;
    if (sameBytes(header + 1, "NETSCAPE", 8)) return readNetscapeExtension(cursor, animation);
    return skipApplicationExtension(cursor);
}

// Graphic control extension, the 6 bytes behind the label:
//   size | packed | delay lo | delay hi | transparent index | terminator
// packed: bits 2-4 disposal, bit 0 transparent colour flag.
void applyGraphicControl(Animation* animation, uint32_t index, const uint8_t* b) {
    FrameRecord* frame = &animation->frames[index];
    if (b[1] & 0x01) frame->transparencyKey = b[4] + keyMarker;
    frame->disposal = (b[1] >> 2) & 7;
    if (frame->disposal == 3) animation->hasRestorePrevious = 1;
    frame->delayMs = (b[2] + 256u * b[3]) * 10u;
}

LoadResult readExtension(ByteCursor* cursor, Animation* animation, uint32_t frameCounter, LoadResult result,
                         bool* ended) {
    uint8_t label = 0;
    if (!cursorRead(cursor, 1, &label)) {
        *ended = true;
        return result;
    }
    switch (label) {
        case 0xF9: {
            uint8_t control[6] = {0};
            if (!cursorRead(cursor, 6, control)) return loadBadData;
            applyGraphicControl(animation, frameCounter, control);
            return loadComplete;
        }
        case 0xFE:
            return skipComment(cursor);
        case 0xFF:
            return readApplicationExtension(cursor, animation, result);
        default:
            // Plain text and unknown labels: the loop meets the extension's
            // first sub-block length next, which as a rule ends it.
            return result;
    }
}

// Logical screen descriptor and global colour table. Returns 0 when the
// file cannot be a GIF we show.
int readScreen(ByteCursor* cursor, Animation* animation, uint32_t* globalPalette, uint32_t* globalCount) {
    uint8_t signature[6] = {0};
    cursorRead(cursor, 6, signature);
    if (!sameBytes(signature, "GIF89a", 6) && !sameBytes(signature, "GIF87a", 6)) return 0;

    // width lo/hi, height lo/hi, packed, background index, aspect ratio
    uint8_t w[2] = {0}, h[2] = {0}, packed[3] = {0};
    cursorRead(cursor, 2, w);
    cursorRead(cursor, 2, h);
    cursorRead(cursor, 3, packed);
    animation->width = w[0] + 256u * w[1];
    animation->height = h[0] + 256u * h[1];
    if (animation->width == 0 || animation->height == 0) return 0;

    if (packed[0] & 0x80) {
        *globalCount = 2u << (packed[0] & 7);
        if (readPalette(*globalCount, globalPalette, cursor) != 0) return 0;
        animation->backgroundKey = keyMarker + swapRedBlue(globalPalette[packed[1]]);
    }
    return 1;
}

// The images ahead of the cursor, counted without decoding them, up to the
// trailer, the end of the data, or a block the loader would not follow.
uint32_t countImagesAhead(ByteCursor* cursor) {
    uint32_t count = 0;
    uint8_t byte = 0;
    while (cursorRead(cursor, 1, &byte)) {
        if (byte == 0x21) {
            uint8_t label = 0;
            if (!cursorRead(cursor, 1, &label)) break;
            // Plain text and unknown labels end the loader's walk too.
            if (label != 0xF9 && label != 0xFE && label != 0xFF) break;
            if (!cursorSkipSubBlocks(cursor)) break;
        } else if (byte == 0x2C) {
            uint8_t d[9];
            if (!cursorRead(cursor, 9, d)) break;
            count += 1;
            if (d[8] & 0x80) {
                // A local colour table: at most 768 bytes, read rather than
                // added so that the position cannot wrap.
                uint8_t table[768];
                if (!cursorRead(cursor, (int32_t)(3 * (2u << (d[8] & 7))), table)) break;
            }
            if (!skipImageData(cursor)) break;
        } else {
            break;
        }
    }
    return count;
}

}  // namespace

int allocateFrameTable(Animation* animation) {
    animation->frames = (FrameRecord*)calloc(frameTableStep, frameRecordBytes);
    return animation->frames != nullptr;
}

void normaliseDelays(Animation* animation) {
    // 64-bit, so that long delays cannot wrap around into "too short".
    uint64_t sum = 0;
    for (uint32_t i = 0; i < animation->frameCount; ++i) sum += animation->frames[i].delayMs;
    if (animation->frameCount > 0 && sum < 1000 && sum < 15ull * animation->frameCount) {
        for (uint32_t i = 0; i < animation->frameCount; ++i) animation->frames[i].delayMs = 100;
    }
}

void releaseFramesFrom(Animation* animation, uint32_t first) {
    FrameRecord* frames = animation->frames;
    // Backwards, so that each frame is compared with the frame before while
    // that one still holds its raster.
    for (uint32_t i = animation->frameCount; i-- > first;) {
        // A picture shared with the frame before goes with that frame.
        if (i == 0 || frames[i].bitmap != frames[i - 1].bitmap) releaseRaster(frames[i].bitmap);
        frames[i].bitmap = nullptr;
    }
    animation->frameCount = first;
}

void freeAnimation(Animation* animation) {
    if (animation->frames) {
        releaseFramesFrom(animation, 0);
        free(animation->frames);
        animation->frames = nullptr;
    }
    animation->width = 0;
    animation->height = 0;
    animation->frameCount = 0;
    animation->loopCount = 0;
    animation->backgroundKey = 0;
    animation->hasRestorePrevious = 0;
    animation->imagesInFile = 0;
}

LoadResult parseGif(ByteCursor* cursor, LzwEntry* dictionary, Animation* animation) {
    uint32_t globalPalette[256] = {0};
    uint32_t localPalette[256] = {0};
    uint32_t globalCount = 0;
    uint32_t frameCounter = 0;
    uint32_t capacity = frameTableStep;
    uint32_t imagesInFile = 0;  // set where memory cuts the walk
    bool previewShown = false;
    LoadResult result = loadFailed;

    if (!readScreen(cursor, animation, globalPalette, &globalCount)) return loadFailed;

    uint8_t byte = 0;
    bool ended = !cursorRead(cursor, 1, &byte);
    while (!ended) {
        if (byte == 0x21) {
            result = readExtension(cursor, animation, frameCounter, result, &ended);
            if (ended) break;
        } else if (byte == 0x2C) {
            LoadResult image =
                decodeImage(cursor, globalPalette, globalCount, localPalette, dictionary, &frameCounter, animation);
            // Memory is full: the frames so far are whole and are kept, as
            // at the end of the data, with the result they left; the title
            // tells how many images the file has.
            if (image == loadRasterRefused) {
                imagesInFile = frameCounter + 1 + countImagesAhead(cursor);
                if (frameCounter == 0) result = loadFailed;
                break;
            }
            result = image;
            if (frameCounter == 1 && cursor->size > largeFileBytes && !previewShown) {
                previewShown = true;
                firstFramePreview(animation);
            } else if (frameCounter == capacity && !growFrameTable(animation, &capacity)) {
                imagesInFile = frameCounter + countImagesAhead(cursor);
                break;  // keep the frames so far, as at the end of the data
            }
        } else {
            break;  // the trailer, or a byte inside a block the loop cannot follow
        }
        ended = !cursorRead(cursor, 1, &byte);
    }

    animation->frameCount = frameCounter;
    animation->imagesInFile = imagesInFile > frameCounter ? imagesInFile : frameCounter;
    normaliseDelays(animation);
    return result;
}

LoadResult loadGif(const char16_t* path, LzwEntry* dictionary, Animation* animation) {
    ByteCursor cursor = {nullptr, 0, 0};
    if (!readWholeFile(path, &cursor)) return loadFailed;
    if (cursor.size > largeFileBytes) showWaitCursor();
    LoadResult result = parseGif(&cursor, dictionary, animation);
    releaseFileBytes(&cursor);
    return result;
}
