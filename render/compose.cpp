// Frame compositing as pixel operations on 32-bit rasters.
//
// K, the canvas, carries the picture from frame to frame. For each frame i:
// if frame i-1 has disposal 2, K's pixels in its rectangle become background;
// frame i's picture is K with frame i drawn over it (keyed pixels left out);
// unless frame i has disposal 3, K becomes that picture.
#include "render/compose.h"

#include <string.h>

#include "gif/gif.h"
#include "gif/raster_budget.h"

namespace {

struct Span {
    uint32_t begin;
    uint32_t end;  // exclusive; begin == end when nothing is left
};

// The part of [start, start + length) that lies inside [0, limit).
Span clip(uint32_t start, uint32_t length, uint32_t limit) {
    uint64_t end = (uint64_t)start + length;
    if (start >= limit) return {limit, limit};
    return {start, end < limit ? (uint32_t)end : limit};
}

// COLORREF (0x00BBGGRR) to the raster's pixel form (0x00RRGGBB).
uint32_t keyToPixel(uint32_t key) { return ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF); }

void releaseFrom(Animation* animation, uint32_t first) {
    for (uint32_t i = first; i < animation->frameCount; ++i) {
        releaseRaster(animation->frames[i].bitmap);
        animation->frames[i].bitmap = nullptr;
    }
    animation->frameCount = first;
}

size_t canvasBytes(const Animation* animation) {
    return (size_t)animation->width * animation->height * sizeof(uint32_t);
}

}  // namespace

void fillPixels(uint32_t* canvas, uint32_t canvasWidth, uint32_t canvasHeight, uint32_t left, uint32_t top,
                uint32_t width, uint32_t height, uint32_t colour) {
    Span xs = clip(left, width, canvasWidth);
    Span ys = clip(top, height, canvasHeight);
    for (uint32_t y = ys.begin; y < ys.end; ++y) {
        uint32_t* row = canvas + (size_t)y * canvasWidth;
        for (uint32_t x = xs.begin; x < xs.end; ++x) row[x] = colour;
    }
}

void drawFramePixels(uint32_t* canvas, uint32_t canvasWidth, uint32_t canvasHeight, const uint32_t* frame,
                     uint32_t left, uint32_t top, uint32_t width, uint32_t height, uint32_t transparencyKey) {
    Span xs = clip(left, width, canvasWidth);
    Span ys = clip(top, height, canvasHeight);
    uint32_t columns = xs.end - xs.begin;
    if (columns == 0) return;
    for (uint32_t y = ys.begin; y < ys.end; ++y) {
        uint32_t* target = canvas + (size_t)y * canvasWidth + xs.begin;
        const uint32_t* source = frame + (size_t)(y - top) * width;
        if (transparencyKey == 0) {
            memcpy(target, source, (size_t)columns * sizeof(uint32_t));
            continue;
        }
        uint32_t key = keyToPixel(transparencyKey & 0xFFFFFF);
        for (uint32_t x = 0; x < columns; ++x) {
            uint32_t pixel = source[x];
            if ((pixel & 0xFFFFFF) != key) target[x] = pixel;
        }
    }
}

int composeFrames(Animation* animation, uint32_t background) {
    const uint32_t w = animation->width;
    const uint32_t h = animation->height;
    uint32_t* canvas = nullptr;
    uint32_t* restore = nullptr;
    // The work canvas, the restore copy and the first picture must fit the
    // raster budget together; otherwise a canvas of up to the whole budget
    // would be filled only to be thrown away.
    const uint32_t needed = 1 + (animation->hasRestorePrevious ? 1 : 0) + (animation->frameCount > 0 ? 1 : 0);
    Raster canvasRaster = rasterBudgetHasRoom(w, h, needed) ? makeRaster(w, h, &canvas) : nullptr;
    Raster restoreRaster = nullptr;
    if (canvasRaster && animation->hasRestorePrevious) restoreRaster = makeRaster(w, h, &restore);
    if (!canvasRaster || (animation->hasRestorePrevious && !restoreRaster)) {
        releaseRaster(canvasRaster);
        releaseFrom(animation, 0);
        return 0;
    }
    fillPixels(canvas, w, h, 0, 0, w, h, background);

    const size_t bytes = canvasBytes(animation);
    const uint32_t wanted = animation->frameCount;
    for (uint32_t i = 0; i < animation->frameCount; ++i) {
        FrameRecord* frame = &animation->frames[i];
        if (i > 0) {
            const FrameRecord* previous = frame - 1;
            if (previous->disposal == 2) {
                fillPixels(canvas, w, h, previous->left, previous->top, previous->width, previous->height,
                           background);
            }
        }
        uint32_t* target = canvas;
        if (frame->disposal == 3) {
            memcpy(restore, canvas, bytes);
            target = restore;
        }
        drawFramePixels(target, w, h, rasterPixels(frame->bitmap), frame->left, frame->top, frame->width,
                        frame->height, frame->transparencyKey);

        uint32_t* picture = nullptr;
        Raster composed = makeRaster(w, h, &picture);
        if (!composed) {
            releaseFrom(animation, i);
            break;
        }
        releaseRaster(frame->bitmap);
        memcpy(picture, target, bytes);
        frame->bitmap = composed;
    }

    releaseRaster(restoreRaster);
    releaseRaster(canvasRaster);
    return wanted == 0 || animation->frameCount > 0;
}
