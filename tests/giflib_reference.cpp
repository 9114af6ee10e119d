#include "tests/giflib_reference.h"

#include <gif_lib.h>
#include <string.h>

#include <algorithm>

namespace {

struct MemoryReader {
    const Bytes* bytes;
    size_t at;
};

int readFromMemory(GifFileType* file, GifByteType* out, int count) {
    MemoryReader* reader = (MemoryReader*)file->UserData;
    size_t left = reader->bytes->size() - reader->at;
    size_t n = std::min((size_t)count, left);
    memcpy(out, reader->bytes->data() + reader->at, n);
    reader->at += n;
    return (int)n;
}

struct Palette {
    std::vector<uint32_t> entries = std::vector<uint32_t>(256, 0);
    uint32_t count = 0;
};

Palette paletteOf(const ColorMapObject* map) {
    Palette palette;
    if (!map) return palette;
    palette.count = (uint32_t)map->ColorCount;
    for (int k = 0; k < map->ColorCount && k < 256; ++k) {
        const GifColorType& c = map->Colors[k];
        palette.entries[k] = ((uint32_t)c.Red << 16) | ((uint32_t)c.Green << 8) | c.Blue;
    }
    return palette;
}

Palette greyRamp() {
    Palette palette;
    palette.count = 256;
    for (uint32_t k = 0; k < 256; ++k) palette.entries[k] = k * 0x010101u;
    return palette;
}

// Gives the transparent entry a colour no entry of the table holds, when
// its own colour is shared.
void separateTransparentEntry(Palette* palette, uint32_t index) {
    const uint32_t n = std::min(palette->count, 256u);
    const uint32_t colour = palette->entries[index];
    bool shared = false;
    for (uint32_t j = 0; j < n; ++j) shared = shared || (j != index && palette->entries[j] == colour);
    if (!shared) return;
    for (uint32_t value = 1;; ++value) {
        if (std::find(palette->entries.begin(), palette->entries.begin() + n, value) == palette->entries.begin() + n) {
            palette->entries[index] = value;
            return;
        }
    }
}

uint32_t loopCountOf(const ExtensionBlock* blocks, int count) {
    for (int i = 0; i + 1 < count; ++i) {
        const ExtensionBlock& b = blocks[i];
        if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount >= 8 && memcmp(b.Bytes, "NETSCAPE", 8) == 0) {
            const ExtensionBlock& data = blocks[i + 1];
            if (data.Function == CONTINUE_EXT_FUNC_CODE && data.ByteCount >= 3) {
                return data.Bytes[1] + 256u * data.Bytes[2];
            }
        }
    }
    return 0;
}

// giflib's own reading (DGifSavedExtensionToGCB) takes only the first graphic
// control in front of an image and only one of exactly 4 bytes. The player
// applies each in turn whose first sub-block holds at least 4: disposal and
// delay from the last, the key from the last that sets one.
void readGraphicControls(const SavedImage& image, ReferenceFrame* frame) {
    frame->delayMs = 0;
    frame->disposal = 0;
    frame->transparentIndex = -1;
    for (int i = 0; i < image.ExtensionBlockCount; ++i) {
        const ExtensionBlock& b = image.ExtensionBlocks[i];
        if (b.Function != GRAPHICS_EXT_FUNC_CODE || b.ByteCount < 4) continue;
        frame->disposal = (b.Bytes[0] >> 2) & 7;
        frame->delayMs = (b.Bytes[1] + 256u * b.Bytes[2]) * 10;
        if (b.Bytes[0] & 0x01) frame->transparentIndex = b.Bytes[3];
    }
}

ReferenceFrame frameFrom(GifFileType* file, int i, Palette* global) {
    const SavedImage& image = file->SavedImages[i];
    ReferenceFrame frame;
    frame.left = (uint32_t)image.ImageDesc.Left;
    frame.top = (uint32_t)image.ImageDesc.Top;
    frame.width = (uint32_t)image.ImageDesc.Width;
    frame.height = (uint32_t)image.ImageDesc.Height;
    frame.interlaced = image.ImageDesc.Interlace;
    frame.localTable = image.ImageDesc.ColorMap != nullptr;
    readGraphicControls(image, &frame);
    frame.indices.assign(image.RasterBits, image.RasterBits + (size_t)frame.width * frame.height);

    Palette local = image.ImageDesc.ColorMap ? paletteOf(image.ImageDesc.ColorMap) : greyRamp();
    Palette* palette = image.ImageDesc.ColorMap || !file->SColorMap ? &local : global;
    frame.keyColour = 0;
    if (frame.transparentIndex >= 0) {
        separateTransparentEntry(palette, (uint32_t)frame.transparentIndex);
        frame.keyColour = palette->entries[frame.transparentIndex];
    }
    // Entries past the table's count are black, unless the transparent
    // entry was one of them and has been moved.
    for (uint8_t index : frame.indices) frame.colours.push_back(palette->entries[index]);
    return frame;
}

}  // namespace

ReferenceAnimation referenceFrom(const Bytes& gif) {
    ReferenceAnimation animation;
    animation.ok = false;
    animation.width = animation.height = animation.loopCount = 0;
    MemoryReader reader = {&gif, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&reader, readFromMemory, &error);
    if (!file) {
        animation.error = GifErrorString(error);
        return animation;
    }
    if (DGifSlurp(file) != GIF_OK) {
        animation.error = GifErrorString(file->Error);
        DGifCloseFile(file, &error);
        return animation;
    }
    animation.ok = true;
    animation.width = (uint32_t)file->SWidth;
    animation.height = (uint32_t)file->SHeight;
    if (file->ImageCount > 0) {
        animation.loopCount =
            loopCountOf(file->SavedImages[0].ExtensionBlocks, file->SavedImages[0].ExtensionBlockCount);
    }
    Palette global = paletteOf(file->SColorMap);
    for (int i = 0; i < file->ImageCount; ++i) animation.frames.push_back(frameFrom(file, i, &global));
    DGifCloseFile(file, &error);
    return animation;
}

std::vector<uint32_t> referenceDelays(const ReferenceAnimation& animation) {
    std::vector<uint32_t> delays;
    uint64_t sum = 0;
    for (const ReferenceFrame& frame : animation.frames) {
        delays.push_back(frame.delayMs);
        sum += frame.delayMs;
    }
    if (!delays.empty() && sum < 1000 && sum < 15 * delays.size()) std::fill(delays.begin(), delays.end(), 100u);
    return delays;
}

namespace {

void fillRect(std::vector<uint32_t>* canvas, uint32_t canvasWidth, uint32_t canvasHeight, const ReferenceFrame& f,
              uint32_t colour) {
    for (uint64_t y = f.top; y < (uint64_t)f.top + f.height && y < canvasHeight; ++y) {
        for (uint64_t x = f.left; x < (uint64_t)f.left + f.width && x < canvasWidth; ++x) {
            (*canvas)[y * canvasWidth + x] = colour;
        }
    }
}

void drawFrame(std::vector<uint32_t>* canvas, uint32_t canvasWidth, uint32_t canvasHeight, const ReferenceFrame& f) {
    for (uint32_t y = 0; y < f.height; ++y) {
        for (uint32_t x = 0; x < f.width; ++x) {
            const uint64_t cx = (uint64_t)f.left + x;
            const uint64_t cy = (uint64_t)f.top + y;
            if (cx >= canvasWidth || cy >= canvasHeight) continue;
            const uint32_t colour = f.colours[(size_t)y * f.width + x];
            if (f.transparentIndex >= 0 && colour == f.keyColour) continue;
            (*canvas)[cy * canvasWidth + cx] = colour;
        }
    }
}

}  // namespace

std::vector<std::vector<uint32_t>> referenceCompose(const ReferenceAnimation& animation, uint32_t background) {
    const uint32_t w = animation.width;
    const uint32_t h = animation.height;
    std::vector<uint32_t> canvas((size_t)w * h, background);
    std::vector<std::vector<uint32_t>> pictures;
    for (const ReferenceFrame& frame : animation.frames) {
        const std::vector<uint32_t> before = canvas;
        drawFrame(&canvas, w, h, frame);
        pictures.push_back(canvas);
        if (frame.disposal == 2) fillRect(&canvas, w, h, frame, background);
        if (frame.disposal == 3) canvas = before;
    }
    return pictures;
}
