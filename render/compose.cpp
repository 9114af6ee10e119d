// Frame compositing as pixel operations on 32-bit rasters.
//
// K, the canvas, carries the picture from frame to frame. For each frame i:
// if frame i-1 has disposal 2, K's pixels in its rectangle become background;
// frame i's picture is K with frame i drawn over it (keyed pixels left out);
// unless frame i has disposal 3, K becomes that picture. A frame drawn over
// K as the picture before it left it, that changes no pixel, shares that
// picture instead of filling a new one: a static stretch of a long file, or
// a bomb of identical frames, then costs no memory per frame.
#include "render/compose.h"

#include <string.h>

#include "gif/gif.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// dst[x] = over[x], except where over[x] has the key colour: there under[x].
// dst may be over or under. Frames are drawn pixel by pixel only here, so
// this is done four pixels at a time where SSE2 is there (always on x86-64;
// the 32-bit build enables it).
void keyedBlendRow(uint32_t* dst, const uint32_t* over, const uint32_t* under, uint32_t n, uint32_t key) {
    uint32_t x = 0;
#ifdef __SSE2__
    const __m128i keys = _mm_set1_epi32((int)key);
    const __m128i colourBits = _mm_set1_epi32(0xFFFFFF);
    for (; x + 4 <= n; x += 4) {
        __m128i o = _mm_loadu_si128((const __m128i*)(over + x));
        __m128i u = _mm_loadu_si128((const __m128i*)(under + x));
        __m128i keyed = _mm_cmpeq_epi32(_mm_and_si128(o, colourBits), keys);
        _mm_storeu_si128((__m128i*)(dst + x), _mm_or_si128(_mm_and_si128(keyed, u), _mm_andnot_si128(keyed, o)));
    }
#endif
    for (; x < n; ++x) dst[x] = (over[x] & 0xFFFFFF) == key ? under[x] : over[x];
}

// The same with one colour beneath.
void keyedBlendColour(uint32_t* dst, const uint32_t* over, uint32_t colour, uint32_t n, uint32_t key) {
    uint32_t x = 0;
#ifdef __SSE2__
    const __m128i keys = _mm_set1_epi32((int)key);
    const __m128i colourBits = _mm_set1_epi32(0xFFFFFF);
    const __m128i u = _mm_set1_epi32((int)colour);
    for (; x + 4 <= n; x += 4) {
        __m128i o = _mm_loadu_si128((const __m128i*)(over + x));
        __m128i keyed = _mm_cmpeq_epi32(_mm_and_si128(o, colourBits), keys);
        _mm_storeu_si128((__m128i*)(dst + x), _mm_or_si128(_mm_and_si128(keyed, u), _mm_andnot_si128(keyed, o)));
    }
#endif
    for (; x < n; ++x) dst[x] = (over[x] & 0xFFFFFF) == key ? colour : over[x];
}

// K, the canvas as the next frame finds it, carried by reference instead of
// being copied from frame to frame: K is `pixels` (a width x height raster)
// except inside `fill`, where it is background (the disposal-2 fill of the
// frame before, not yet carried out). `pixels` is a composed picture, which
// is never written again; null while K is all background. `picture` is the
// raster K is. No canvas-sized raster is ever made for K itself: the only
// ones are the pictures.
struct Canvas {
    const uint32_t* pixels;
    Raster picture;
    struct {
        Span xs;
        Span ys;
    } fill;
};

// The columns of row y that the pending fill covers (empty when none).
Span fillOnRow(const Canvas& k, uint32_t y) {
    if (y < k.fill.ys.begin || y >= k.fill.ys.end || k.fill.xs.begin >= k.fill.xs.end) return {0, 0};
    return k.fill.xs;
}

bool fillPending(const Canvas& k) { return k.fill.xs.begin < k.fill.xs.end && k.fill.ys.begin < k.fill.ys.end; }

// Writes all of K into picture; while K is all background, the picture is
// filled directly.
void writeCanvas(const Canvas& k, uint32_t w, uint32_t h, uint32_t background, uint32_t* picture) {
    if (!k.pixels) {
        fillPixels(picture, w, h, 0, 0, w, h, background);
        return;
    }
    memcpy(picture, k.pixels, (size_t)w * h * sizeof(uint32_t));
    fillPixels(picture, w, h, k.fill.xs.begin, k.fill.ys.begin, k.fill.xs.end - k.fill.xs.begin,
               k.fill.ys.end - k.fill.ys.begin, background);
}

// A frame that covers the whole canvas, drawn over K in its own raster: the
// keyed pixels take K's pixels, the others stay.
void showCanvasThroughKey(uint32_t* pixels, const Canvas& k, uint32_t w, uint32_t h, uint32_t key,
                          uint32_t background) {
    for (uint32_t y = 0; y < h; ++y) {
        uint32_t* row = pixels + (size_t)y * w;
        if (!k.pixels) {
            keyedBlendColour(row, row, background, w, key);
            continue;
        }
        const uint32_t* beneath = k.pixels + (size_t)y * w;
        Span f = fillOnRow(k, y);
        keyedBlendRow(row, row, beneath, f.begin, key);
        keyedBlendColour(row + f.begin, row + f.begin, background, f.end - f.begin, key);
        keyedBlendRow(row + f.end, row + f.end, beneath + f.end, w - f.end, key);
    }
}

// Whether drawing frame over K changes none of K's pixels.
bool leavesCanvasAsItIs(const FrameRecord& frame, const Canvas& k, uint32_t w, uint32_t h) {
    if (!k.pixels || fillPending(k)) return false;
    Span xs = clip(frame.left, frame.width, w);
    Span ys = clip(frame.top, frame.height, h);
    const uint32_t* own = rasterPixels(frame.bitmap);
    const uint32_t key = swapRedBlue(frame.transparencyKey & 0xFFFFFF);
    for (uint32_t y = ys.begin; y < ys.end; ++y) {
        const uint32_t* source = own + (size_t)(y - frame.top) * frame.width;
        const uint32_t* canvas = k.pixels + (size_t)y * w;
        for (uint32_t x = xs.begin; x < xs.end; ++x) {
            uint32_t pixel = source[x - frame.left];
            bool keyed = frame.transparencyKey != 0 && (pixel & 0xFFFFFF) == key;
            if (!keyed && pixel != canvas[x]) return false;
        }
    }
    return true;
}

// A new picture for frame i. In a 32-bit process one can fail for want of
// a free block of its size, whatever the budget said: the last frames not
// yet composed then give way, until it is made or only frame i is left.
Raster makePicture(Animation* animation, uint32_t i, uint32_t** pixels) {
    Raster picture = makeRaster(animation->width, animation->height, pixels);
    while (!picture && animation->frameCount > i + 1) {
        releaseFramesFrom(animation, animation->frameCount - 1);
        picture = makeRaster(animation->width, animation->height, pixels);
    }
    return picture;
}

// Frame i's picture. A frame at (0, 0) of the canvas's own size is its own
// picture: where it has no key it hides K completely, so its raster is kept
// as it is, and where it has one, K shows through in place. Any other frame
// gets a new raster: K, then the frame drawn over it, and its own raster is
// released; unless K is the picture of the frame before and the frame
// leaves it as it is: then that picture is frame i's too. Returns null when
// a raster cannot be made.
Raster composePicture(Animation* animation, uint32_t i, Canvas* k, uint32_t background) {
    FrameRecord* frame = &animation->frames[i];
    const uint32_t w = animation->width;
    const uint32_t h = animation->height;
    if (frame->left == 0 && frame->top == 0 && frame->width == w && frame->height == h) {
        if (frame->transparencyKey != 0) {
            showCanvasThroughKey(rasterPixels(frame->bitmap), *k, w, h, swapRedBlue(frame->transparencyKey & 0xFFFFFF),
                                 background);
        }
        return frame->bitmap;
    }
    if (k->picture && k->picture == frame[-1].bitmap && leavesCanvasAsItIs(*frame, *k, w, h)) {
        releaseRaster(frame->bitmap);
        return k->picture;
    }
    uint32_t* pixels = nullptr;
    Raster composed = makePicture(animation, i, &pixels);
    if (!composed) return nullptr;
    writeCanvas(*k, w, h, background, pixels);
    drawFramePixels(pixels, w, h, rasterPixels(frame->bitmap), frame->left, frame->top, frame->width, frame->height,
                    frame->transparencyKey);
    releaseRaster(frame->bitmap);
    return composed;
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
    const uint32_t key = swapRedBlue(transparencyKey & 0xFFFFFF);
    for (uint32_t y = ys.begin; y < ys.end; ++y) {
        uint32_t* target = canvas + (size_t)y * canvasWidth + xs.begin;
        const uint32_t* source = frame + (size_t)(y - top) * width;
        if (transparencyKey == 0) {
            memcpy(target, source, (size_t)columns * sizeof(uint32_t));
        } else {
            keyedBlendRow(target, source, target, columns, key);
        }
    }
}

int composeFrames(Animation* animation, uint32_t background) {
    const uint32_t w = animation->width;
    const uint32_t h = animation->height;
    // A file without images needs no picture at all and still loads.
    const bool hadFrames = animation->frameCount > 0;
    Canvas k = {nullptr, nullptr, {{0, 0}, {0, 0}}};
    for (uint32_t i = 0; i < animation->frameCount; ++i) {
        FrameRecord* frame = &animation->frames[i];
        if (i > 0 && frame[-1].disposal == 2) {
            // Frame i-1 did not have disposal 3, so K is its picture and has
            // no fill pending yet.
            const FrameRecord* previous = frame - 1;
            k.fill = {clip(previous->left, previous->width, w), clip(previous->top, previous->height, h)};
        }
        Raster picture = composePicture(animation, i, &k, background);
        if (!picture) {
            releaseFramesFrom(animation, i);
            break;
        }
        frame->bitmap = picture;
        if (frame->disposal != 3) k = {rasterPixels(picture), picture, {{0, 0}, {0, 0}}};
    }
    return !hadFrames || animation->frameCount > 0;
}
