#include "tests/giflib_reference.h"

#include <gif_lib.h>
#include <string.h>

#include <algorithm>

namespace {

struct Palette {
    std::vector<uint32_t> entries = std::vector<uint32_t>(256, 0);
    uint32_t count = 0;
};

Palette paletteOf(const Colours& colours) {
    Palette palette;
    palette.count = (uint32_t)colours.size();
    std::copy(colours.begin(), colours.begin() + std::min<size_t>(colours.size(), 256), palette.entries.begin());
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

// What the graphic controls in front of an image give it. Every whole
// control whose first sub-block holds at least 4 bytes counts: a later one
// overwrites the disposal and the delay, and the transparent index only
// when its own flag is set, as the player reads them.
struct Control {
    uint32_t delayMs = 0;
    uint32_t disposal = 0;
    int32_t transparentIndex = -1;
};

void applyControl(const GiflibExtension& extension, Control* control) {
    if (!extension.complete || extension.subBlocks.empty() || extension.subBlocks[0].size() < 4) return;
    const Bytes& b = extension.subBlocks[0];
    control->disposal = (b[0] >> 2) & 7;
    control->delayMs = (b[1] + 256u * b[2]) * 10u;
    if (b[0] & 0x01) control->transparentIndex = b[3];
}

// NETSCAPE gives the loop count from the first three bytes of the sub-block
// behind its header, wherever the block stands; the last one read counts.
// The player reads that sub-block whole, and like every read of its it
// needs a byte of the file behind it.
void applyLoop(const GiflibExtension& extension, size_t fileSize, uint32_t* loopCount) {
    if (extension.subBlocks.size() < 2) return;
    const Bytes& header = extension.subBlocks[0];
    const Bytes& loop = extension.subBlocks[1];
    if (header.size() < 8 || memcmp(header.data(), "NETSCAPE", 8) != 0) return;
    if (loop.size() >= 3 && extension.ends[1] < fileSize) *loopCount = loop[1] + 256u * loop[2];
}

ReferenceFrame frameFrom(const GiflibImage& image, const Control& control, bool hasGlobal, Palette* global) {
    ReferenceFrame frame;
    frame.left = image.left;
    frame.top = image.top;
    frame.width = image.width;
    frame.height = image.height;
    frame.interlaced = image.interlaced;
    frame.localTable = image.localTable;
    frame.delayMs = control.delayMs;
    frame.disposal = control.disposal;
    frame.transparentIndex = control.transparentIndex;
    frame.indices = image.indices;
    Palette local = image.localTable ? paletteOf(image.localColours) : greyRamp();
    Palette* palette = image.localTable || !hasGlobal ? &local : global;
    frame.keyColour = 0;
    if (frame.transparentIndex >= 0) {
        separateTransparentEntry(palette, (uint32_t)frame.transparentIndex);
        frame.keyColour = palette->entries[frame.transparentIndex];
    }
    for (uint8_t index : frame.indices) frame.colours.push_back(palette->entries[index]);
    return frame;
}

}  // namespace

ReferenceAnimation referenceFrom(const Bytes& gif, uint64_t maxPixels) {
    const GiflibRead read = readGiflibRecords(gif, maxPixels);
    ReferenceAnimation animation;
    animation.width = read.width;
    animation.height = read.height;
    animation.loopCount = 0;
    animation.stop = read.stop;
    animation.partialFrame = false;
    Palette global = paletteOf(read.globalColours);
    Control control;
    bool everyBlockWhole = true;
    for (const GiflibBlock& block : read.blocks) {
        if (!block.isImage) {
            everyBlockWhole = everyBlockWhole && block.extension.complete;
            if (block.extension.label == 0xF9) applyControl(block.extension, &control);
            if (block.extension.label == 0xFF) applyLoop(block.extension, gif.size(), &animation.loopCount);
            continue;
        }
        const GiflibImage& image = block.image;
        if (image.complete) {
            animation.frames.push_back(frameFrom(image, control, read.globalTable, &global));
        } else if (image.descriptorEnd < gif.size() && read.stop != giflibTooLarge) {
            // The player's read of the descriptor needs a byte behind it.
            animation.partialFrame = true;
            animation.partial = frameFrom(GiflibImage{image.left,
                                                      image.top,
                                                      image.width,
                                                      image.height,
                                                      image.interlaced,
                                                      image.localTable,
                                                      image.localColours,
                                                      image.descriptorEnd,
                                                      false,
                                                      {}},
                                          control, read.globalTable, &global);
        }
        everyBlockWhole = everyBlockWhole && image.complete;
        control = Control();
    }
    animation.ok = everyBlockWhole && (read.stop == giflibTrailer || read.stop == giflibDataEnded);
    if (!animation.ok) {
        const char* error = GifErrorString(read.error);  // null for no error code
        animation.error = "giflib stopped at byte " + std::to_string(read.stopOffset) + ": " + (error ? error : "?");
    }
    return animation;
}

std::vector<uint32_t> referenceDelays(const ReferenceAnimation& animation) {
    std::vector<uint32_t> delays;
    uint64_t sum = 0;
    for (const ReferenceFrame& frame : animation.frames) delays.push_back(frame.delayMs);
    if (animation.partialFrame) delays.push_back(animation.partial.delayMs);
    for (uint32_t delay : delays) sum += delay;
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

std::vector<std::vector<uint32_t>> referenceCompose(const ReferenceAnimation& animation, uint32_t background,
                                                    size_t count) {
    const uint32_t w = animation.width;
    const uint32_t h = animation.height;
    std::vector<std::vector<uint32_t>> pictures;
    if (count == 0 || animation.frames.empty()) return pictures;  // no canvas for a screen without frames
    std::vector<uint32_t> canvas((size_t)w * h, background);
    for (size_t i = 0; i < animation.frames.size() && i < count; ++i) {
        const ReferenceFrame& frame = animation.frames[i];
        std::vector<uint32_t> before;
        if (frame.disposal == 3) before = canvas;
        drawFrame(&canvas, w, h, frame);
        pictures.push_back(canvas);
        if (frame.disposal == 2) fillRect(&canvas, w, h, frame, background);
        if (frame.disposal == 3) canvas.swap(before);
    }
    return pictures;
}
