// giflib + a plain compositor: the reference point for the load time.
//
// DGifSlurp reads the whole file into index rasters (de-interlaced); the
// compositor then does per frame what Morvix's compositor does, the plain
// way: disposal 2 fills the previous frame's rectangle, disposal 3 draws on
// a copy of the canvas, transparent indices are skipped, and every picture
// is copied into a freshly allocated buffer of its own.
#include <gif_lib.h>
#include <stdlib.h>
#include <string.h>

#include "bench/peer_decoders.h"

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t position;
};

int readFromMemory(GifFileType* gif, GifByteType* destination, int count) {
    MemoryReader* reader = (MemoryReader*)gif->UserData;
    size_t left = reader->size - reader->position;
    size_t n = (size_t)count < left ? (size_t)count : left;
    memcpy(destination, reader->data + reader->position, n);
    reader->position += n;
    return (int)n;
}

struct Rect {
    uint32_t left, top, right, bottom;  // right and bottom exclusive, clipped to the canvas
};

Rect clippedRect(const GifImageDesc& d, uint32_t width, uint32_t height) {
    uint32_t left = (uint32_t)d.Left, top = (uint32_t)d.Top;
    uint32_t right = left + (uint32_t)d.Width, bottom = top + (uint32_t)d.Height;
    Rect r = {left < width ? left : width, top < height ? top : height, right < width ? right : width,
              bottom < height ? bottom : height};
    return r;
}

void fillRect(uint32_t* canvas, uint32_t width, Rect r, uint32_t colour) {
    for (uint32_t y = r.top; y < r.bottom; ++y) {
        for (uint32_t x = r.left; x < r.right; ++x) canvas[(size_t)y * width + x] = colour;
    }
}

// The frame's colours as 0x00RRGGBB; the grey ramp when the file has no table.
void makePalette(const GifFileType* gif, const SavedImage& image, uint32_t* palette) {
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    for (int k = 0; k < 256; ++k) palette[k] = map ? 0 : (uint32_t)k * 0x010101u;
    if (!map) return;
    for (int k = 0; k < map->ColorCount && k < 256; ++k) {
        const GifColorType& c = map->Colors[k];
        palette[k] = ((uint32_t)c.Red << 16) | ((uint32_t)c.Green << 8) | c.Blue;
    }
}

void drawFrame(uint32_t* target, uint32_t width, uint32_t height, const SavedImage& image, const uint32_t* palette,
               int transparent) {
    const GifImageDesc& d = image.ImageDesc;
    Rect r = clippedRect(d, width, height);
    for (uint32_t y = r.top; y < r.bottom; ++y) {
        const GifByteType* source = image.RasterBits + (size_t)(y - (uint32_t)d.Top) * (uint32_t)d.Width;
        uint32_t* row = target + (size_t)y * width;
        for (uint32_t x = r.left; x < r.right; ++x) {
            int index = source[x - (uint32_t)d.Left];
            if (index != transparent) row[x] = palette[index];
        }
    }
}

int composeAll(GifFileType* gif, uint32_t background, GiflibFrames* out) {
    const uint32_t width = (uint32_t)gif->SWidth, height = (uint32_t)gif->SHeight;
    const size_t bytes = (size_t)width * height * sizeof(uint32_t);
    uint32_t* canvas = (uint32_t*)malloc(bytes);
    uint32_t* restore = nullptr;
    out->frames = (uint32_t**)calloc((size_t)gif->ImageCount + 1, sizeof(uint32_t*));
    if (!canvas || !out->frames) {
        free(canvas);
        return 0;
    }
    fillRect(canvas, width, Rect{0, 0, width, height}, background);
    int previousDisposal = DISPOSAL_UNSPECIFIED;
    Rect previousRect = {0, 0, 0, 0};
    uint32_t palette[256];
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        GraphicsControlBlock control = {DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(gif, i, &control);
        if (previousDisposal == DISPOSE_BACKGROUND) fillRect(canvas, width, previousRect, background);
        uint32_t* target = canvas;
        if (control.DisposalMode == DISPOSE_PREVIOUS) {
            if (!restore) restore = (uint32_t*)malloc(bytes);
            if (!restore) break;
            memcpy(restore, canvas, bytes);
            target = restore;
        }
        makePalette(gif, image, palette);
        drawFrame(target, width, height, image, palette, control.TransparentColor);
        uint32_t* picture = (uint32_t*)malloc(bytes);
        if (!picture) break;
        memcpy(picture, target, bytes);
        out->frames[out->count++] = picture;
        previousDisposal = control.DisposalMode;
        previousRect = clippedRect(image.ImageDesc, width, height);
    }
    free(restore);
    free(canvas);
    return out->count == (uint32_t)gif->ImageCount;
}

}  // namespace

int loadWithGiflib(const uint8_t* data, size_t size, uint32_t background, GiflibFrames* out) {
    *out = GiflibFrames{0, 0, 0, nullptr};
    MemoryReader reader = {data, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readFromMemory, &error);
    if (!gif) return 0;
    int ok = DGifSlurp(gif) == GIF_OK;
    out->width = (uint32_t)gif->SWidth;
    out->height = (uint32_t)gif->SHeight;
    if (ok) ok = composeAll(gif, background, out);
    DGifCloseFile(gif, &error);
    return ok;
}

void releaseGiflibFrames(GiflibFrames* frames) {
    for (uint32_t i = 0; i < frames->count; ++i) free(frames->frames[i]);
    free(frames->frames);
    *frames = GiflibFrames{0, 0, 0, nullptr};
}
