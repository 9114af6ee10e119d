#include "tests/giflib_reference_records.h"

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

ReferenceRead referenceRead(const Bytes& gif, uint64_t maxPixels) {
    const GiflibRead read = readGiflibRecords(gif, maxPixels);
    ReferenceRead result;
    ReferenceAnimation& animation = result.animation;
    animation.width = read.width;
    animation.height = read.height;
    animation.loopCount = 0;
    result.stop = read.stop;
    result.partialFrame = false;
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
            result.partialFrame = true;
            result.partial = frameFrom(GiflibImage{image.left,
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
    if (!animation.ok) animation.error = "giflib stopped: " + std::to_string(read.error);
    return result;
}
