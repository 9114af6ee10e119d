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

// Every extension is its label and a chain of sub-blocks; the functions
// below stand behind the label and leave the cursor right behind the chain's
// terminator, or at the end of the data when it ends inside the chain.

// Comment extension. Returns 0 for a comment read to its terminator, 1 for
// an empty one (terminator right behind the label) or one cut short.
LoadResult skipComment(ByteCursor* cursor) {
    uint32_t length = 0;
    if (!cursorReadSubBlock(cursor, nullptr, &length) || length == 0) return loadDataEnded;
    return cursorSkipSubBlocks(cursor) ? loadComplete : loadDataEnded;
}

// The rest of a chain behind its first sub-block, whose length was given;
// nothing is left of it when that was the terminator.
int skipRestOfChain(ByteCursor* cursor, uint32_t firstLength) {
    return firstLength == 0 || cursorSkipSubBlocks(cursor);
}

// NETSCAPE, behind its header sub-block. The loop sub-block comes next:
//   +------+----+---------+---------+
//   | 0x03 | 01 | loop lo | loop hi |
//   +------+----+---------+---------+
// A longer one holds the count in the same place, a shorter one none;
// further sub-blocks (a buffering sub-block) are passed over.
LoadResult readNetscapeLoop(ByteCursor* cursor, Animation* animation) {
    uint8_t loop[255];
    uint32_t length = 0;
    if (!cursorReadSubBlock(cursor, loop, &length)) return loadDataEnded;
    if (length >= 3) animation->loopCount = loop[1] + 256u * loop[2];
    return skipRestOfChain(cursor, length) ? loadComplete : loadDataEnded;
}

// Application extension. Its first sub-block is the header, usually 11
// bytes: an 8-byte identifier and a 3-byte authentication code, which is not
// examined. Headers of other sizes occur; an identifier is read from any of
// at least 8 bytes. A header cut short by the end of the data leaves the
// result as it was. Other applications' data may hold zero bytes (ICC
// profiles do) and is passed over by its lengths.
LoadResult readApplicationExtension(ByteCursor* cursor, Animation* animation, LoadResult result) {
    uint8_t header[255];
    uint32_t length = 0;
    if (!cursorReadSubBlock(cursor, header, &length)) return result;
    if (length >= 8 && sameBytes(header, "NETSCAPE", 8)) return readNetscapeLoop(cursor, animation);
    return skipRestOfChain(cursor, length) ? loadComplete : loadDataEnded;
}

// Graphic control data, the first four bytes of the block's first sub-block:
//   packed | delay lo | delay hi | transparent index
// packed: bits 2-4 disposal, bit 0 transparent colour flag.
void applyGraphicControl(Animation* animation, uint32_t index, const uint8_t* b) {
    FrameRecord* frame = &animation->frames[index];
    if (b[0] & 0x01) frame->transparencyKey = b[3] + keyMarker;
    frame->disposal = (b[0] >> 2) & 7;
    if (frame->disposal == 3) animation->hasRestorePrevious = 1;
    frame->delayMs = (b[1] + 256u * b[2]) * 10u;
}

// Graphic control extension. Its first sub-block holds 4 bytes of control
// data (and anything beyond them is passed over, as are further sub-blocks).
// Applied only when the whole block is there; a first sub-block of fewer
// than 4 bytes, or a block cut short, is bad data.
LoadResult readGraphicControl(ByteCursor* cursor, Animation* animation, uint32_t frameCounter) {
    uint8_t control[255];
    uint32_t length = 0;
    if (!cursorReadSubBlock(cursor, control, &length) || !skipRestOfChain(cursor, length)) return loadBadData;
    if (length < 4) return loadBadData;
    applyGraphicControl(animation, frameCounter, control);
    return loadComplete;
}

LoadResult readExtension(ByteCursor* cursor, Animation* animation, uint32_t frameCounter, LoadResult result,
                         bool* ended) {
    uint8_t label = 0;
    if (!cursorRead(cursor, 1, &label)) {
        *ended = true;
        return result;
    }
    switch (label) {
        case 0xF9:
            return readGraphicControl(cursor, animation, frameCounter);
        case 0xFE:
            return skipComment(cursor);
        case 0xFF:
            return readApplicationExtension(cursor, animation, result);
        default:
            // Plain text (nothing of it is drawn) and labels we do not know:
            // passed over, and the images behind them load.
            cursorSkipSubBlocks(cursor);
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
// trailer, the end of the data, or a byte that starts no block, and the sum
// of the delays their graphic controls give them. Extensions are passed over
// by their lengths, as the loader passes over them.
struct ImagesAhead {
    uint32_t count;
    uint64_t delayMs;
};

ImagesAhead countImagesAhead(ByteCursor* cursor) {
    ImagesAhead ahead = {0, 0};
    uint32_t delayMs = 0;  // of the next image, as the loader would read it
    uint8_t byte = 0;
    while (cursorRead(cursor, 1, &byte)) {
        if (byte == 0x21) {
            uint8_t label = 0, control[255];
            uint32_t length = 0;
            if (!cursorRead(cursor, 1, &label)) break;
            if (label != 0xF9) {
                if (!cursorSkipSubBlocks(cursor)) break;
                continue;
            }
            if (!cursorReadSubBlock(cursor, control, &length) || !skipRestOfChain(cursor, length)) break;
            if (length >= 4) delayMs = (control[1] + 256u * control[2]) * 10u;
        } else if (byte == 0x2C) {
            uint8_t d[9];
            if (!cursorRead(cursor, 9, d)) break;
            ahead.count += 1;
            ahead.delayMs += delayMs;
            delayMs = 0;
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
    return ahead;
}

}  // namespace

int allocateFrameTable(Animation* animation) {
    animation->frames = (FrameRecord*)calloc(frameTableStep, frameRecordBytes);
    return animation->frames != nullptr;
}

void normaliseDelays(Animation* animation, uint32_t imagesAhead, uint64_t delaysAheadMs) {
    // 64-bit, so that long delays cannot wrap around into "too short".
    uint64_t sum = delaysAheadMs;
    for (uint32_t i = 0; i < animation->frameCount; ++i) sum += animation->frames[i].delayMs;
    const uint64_t images = (uint64_t)animation->frameCount + imagesAhead;
    if (animation->frameCount > 0 && sum < 1000 && sum < 15ull * images) {
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
    uint64_t delaysAheadMs = 0;  // of the images behind the cut
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
                const ImagesAhead ahead = countImagesAhead(cursor);
                imagesInFile = frameCounter + 1 + ahead.count;
                delaysAheadMs = animation->frames[frameCounter].delayMs + ahead.delayMs;
                if (frameCounter == 0) result = loadFailed;
                break;
            }
            result = image;
            if (frameCounter == 1 && cursor->size > largeFileBytes && !previewShown) {
                previewShown = true;
                firstFramePreview(animation);
            } else if (frameCounter == capacity && !growFrameTable(animation, &capacity)) {
                const ImagesAhead ahead = countImagesAhead(cursor);
                imagesInFile = frameCounter + ahead.count;
                delaysAheadMs = ahead.delayMs;
                break;  // keep the frames so far, as at the end of the data
            }
        } else {
            break;  // the trailer, or a byte inside a block the loop cannot follow
        }
        ended = !cursorRead(cursor, 1, &byte);
    }

    animation->frameCount = frameCounter;
    animation->imagesInFile = imagesInFile > frameCounter ? imagesInFile : frameCounter;
    // A load that memory cut plays its frames at the speed of the whole file.
    normaliseDelays(animation, animation->imagesInFile - frameCounter, delaysAheadMs);
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
