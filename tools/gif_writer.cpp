#include "tools/gif_writer.h"

#include <string.h>

#include <algorithm>

namespace {

const uint32_t maxCode = 4095;

void putWord(Bytes* gif, uint16_t value) {
    gif->push_back((uint8_t)(value & 0xFF));
    gif->push_back((uint8_t)(value >> 8));
}

void putBytes(Bytes* gif, const void* data, size_t count) {
    const uint8_t* bytes = (const uint8_t*)data;
    gif->insert(gif->end(), bytes, bytes + count);
}

// The code-size rule shared by packCodes and codeSizes.
struct CodeSizeTracker {
    uint32_t initialSize;
    uint32_t clearCode;
    uint32_t endCode;
    uint32_t size;
    uint32_t mask;
    uint32_t lastCode;
    bool firstOfRun;
};

CodeSizeTracker startTracker(uint32_t minCodeSize) {
    CodeSizeTracker t;
    t.initialSize = minCodeSize + 1;
    t.clearCode = 1u << minCodeSize;
    t.endCode = t.clearCode + 1;
    t.size = t.initialSize;
    t.mask = (1u << t.size) - 1;
    t.lastCode = t.endCode;
    t.firstOfRun = true;
    return t;
}

// Called after code has been written with t->size bits.
void trackCode(CodeSizeTracker* t, uint32_t code) {
    if (code == t->clearCode) {
        t->size = t->initialSize;
        t->mask = (1u << t->size) - 1;
        t->lastCode = t->endCode;
        t->firstOfRun = true;
        return;
    }
    if (code == t->endCode) return;
    if (t->firstOfRun) {
        t->firstOfRun = false;
        return;
    }
    if (t->lastCode < maxCode) ++t->lastCode;
    if (t->lastCode == t->mask && t->mask < maxCode) {
        t->size += 1;
        t->mask = 2 * t->mask + 1;
    }
}

}  // namespace

void putHeader(Bytes* gif, const char* signature) {
    putBytes(gif, signature, strlen(signature));
}

void putScreen(Bytes* gif, uint16_t width, uint16_t height, uint8_t packed, uint8_t backgroundIndex) {
    putWord(gif, width);
    putWord(gif, height);
    gif->push_back(packed);
    gif->push_back(backgroundIndex);
    gif->push_back(0);  // aspect ratio
}

uint8_t colourTableFlags(uint32_t sizeBits) {
    return (uint8_t)(0x80 | (sizeBits & 7));
}

void putColourTable(Bytes* gif, const Colours& colours, uint32_t sizeBits) {
    uint32_t entries = 2u << sizeBits;
    for (uint32_t k = 0; k < entries; ++k) {
        uint32_t c = k < colours.size() ? colours[k] : 0;
        gif->push_back((uint8_t)(c >> 16));
        gif->push_back((uint8_t)(c >> 8));
        gif->push_back((uint8_t)c);
    }
}

uint32_t tableSizeBits(uint32_t count) {
    uint32_t bits = 0;
    while ((2u << bits) < count && bits < 7) ++bits;
    return bits;
}

void beginGif(Bytes* gif, uint16_t width, uint16_t height, const Colours& colours, uint8_t backgroundIndex) {
    putHeader(gif);
    if (colours.empty()) {
        putScreen(gif, width, height, 0, backgroundIndex);
        return;
    }
    uint32_t bits = tableSizeBits((uint32_t)colours.size());
    putScreen(gif, width, height, colourTableFlags(bits), backgroundIndex);
    putColourTable(gif, colours, bits);
}

void putExtension(Bytes* gif, uint8_t label, const std::vector<Bytes>& subBlocks) {
    gif->push_back(0x21);
    gif->push_back(label);
    for (const Bytes& block : subBlocks) {
        gif->push_back((uint8_t)block.size());
        gif->insert(gif->end(), block.begin(), block.end());
    }
    gif->push_back(0);
}

Bytes graphicControlData(const GraphicControl& control) {
    uint8_t packed = (uint8_t)((control.disposal & 7) << 2);
    if (control.transparentIndex >= 0) packed |= 0x01;
    const uint8_t index = (uint8_t)(control.transparentIndex >= 0 ? control.transparentIndex : 0);
    return {packed, (uint8_t)(control.delayCs & 0xFF), (uint8_t)(control.delayCs >> 8), index};
}

void putGraphicControl(Bytes* gif, const GraphicControl& control) {
    putExtension(gif, 0xF9, {graphicControlData(control)});
}

void putSubBlocks(Bytes* gif, const Bytes& data, const std::vector<size_t>& splits, bool terminate) {
    size_t at = 0;
    for (size_t length : splits) {
        if (at >= data.size()) break;
        if (length > data.size() - at) length = data.size() - at;
        gif->push_back((uint8_t)length);
        gif->insert(gif->end(), data.begin() + at, data.begin() + at + length);
        at += length;
    }
    while (at < data.size()) {
        size_t length = data.size() - at < 255 ? data.size() - at : 255;
        gif->push_back((uint8_t)length);
        gif->insert(gif->end(), data.begin() + at, data.begin() + at + length);
        at += length;
    }
    if (terminate) gif->push_back(0);
}

void putComment(Bytes* gif, const std::vector<std::string>& subBlocks) {
    std::vector<Bytes> blocks;
    for (const std::string& text : subBlocks) blocks.push_back(Bytes(text.begin(), text.end()));
    putExtension(gif, 0xFE, blocks);
}

void putApplication(Bytes* gif, const char* identifier, const char* authentication,
                    const std::vector<Bytes>& subBlocks) {
    Bytes header(identifier, identifier + 8);
    header.insert(header.end(), authentication, authentication + 3);
    std::vector<Bytes> blocks = {header};
    blocks.insert(blocks.end(), subBlocks.begin(), subBlocks.end());
    putExtension(gif, 0xFF, blocks);
}

void putNetscapeLoop(Bytes* gif, uint16_t loops) {
    putApplication(gif, "NETSCAPE", "2.0", {{1, (uint8_t)(loops & 0xFF), (uint8_t)(loops >> 8)}});
}

void putPlainText(Bytes* gif, const std::string& text) {
    // grid left/top/width/height, cell width/height, foreground, background
    const Bytes header = {0, 0, 0, 0, 64, 0, 16, 0, 8, 16, 1, 0};
    putExtension(gif, 0x01, {header, Bytes(text.begin(), text.end())});
}

void putImageDescriptor(Bytes* gif, const ImageDescriptor& d) {
    gif->push_back(0x2C);
    putWord(gif, d.left);
    putWord(gif, d.top);
    putWord(gif, d.width);
    putWord(gif, d.height);
    uint8_t packed = d.interlaced ? 0x40 : 0;
    if (d.localTableBits >= 0) packed |= colourTableFlags((uint32_t)d.localTableBits);
    gif->push_back(packed);
}

void putImageData(Bytes* gif, uint32_t minCodeSize, const Codes& codes, const std::vector<size_t>& splits) {
    gif->push_back((uint8_t)minCodeSize);
    putSubBlocks(gif, packCodes(minCodeSize, codes), splits);
}

void putTrailer(Bytes* gif) {
    gif->push_back(0x3B);
}

std::vector<uint32_t> codeSizes(uint32_t minCodeSize, const Codes& codes) {
    std::vector<uint32_t> sizes;
    CodeSizeTracker t = startTracker(minCodeSize);
    for (uint32_t code : codes) {
        sizes.push_back(t.size);
        trackCode(&t, code);
    }
    return sizes;
}

Bytes packCodes(uint32_t minCodeSize, const Codes& codes) {
    std::vector<uint32_t> sizes = codeSizes(minCodeSize, codes);
    Bytes out;
    uint64_t bits = 0;
    uint32_t bitCount = 0;
    for (size_t i = 0; i < codes.size(); ++i) {
        bits |= (uint64_t)(codes[i] & ((1u << sizes[i]) - 1)) << bitCount;
        bitCount += sizes[i];
        while (bitCount >= 8) {
            out.push_back((uint8_t)bits);
            bits >>= 8;
            bitCount -= 8;
        }
    }
    if (bitCount > 0) out.push_back((uint8_t)bits);
    return out;
}

Codes encodeIndices(uint32_t minCodeSize, const std::vector<uint8_t>& indices, int clearMode) {
    const uint32_t clearCode = 1u << minCodeSize;
    const uint32_t endCode = clearCode + 1;
    // Behind a clear, n literals make n - 1 entries, the last one numbered
    // endCode + n - 1; stopping at n = mask - endCode keeps it below the mask.
    const uint32_t mask = (1u << (minCodeSize + 1)) - 1;
    const size_t run = mask > endCode ? mask - endCode : 1;
    Codes codes = {clearCode};
    size_t inRun = 0;
    for (uint8_t index : indices) {
        if (clearMode == clearOften && inRun == run) {
            codes.push_back(clearCode);
            inRun = 0;
        }
        codes.push_back(index);
        ++inRun;
    }
    codes.push_back(endCode);
    return codes;
}

Codes compressIndices(uint32_t minCodeSize, const std::vector<uint8_t>& indices) {
    // The dictionary is a flat table of next codes, 0 for no entry: entry
    // (prefix, index) at prefix * colours + index.
    const uint32_t colours = 1u << minCodeSize, clear = colours, end = clear + 1;
    std::vector<uint16_t> next((size_t)(maxCode + 1) * colours, 0);
    uint32_t free = end + 1;
    Codes codes = {clear};
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        uint16_t* entry = &next[(size_t)prefix * colours + indices[i]];
        if (*entry != 0) {
            prefix = *entry;
            continue;
        }
        codes.push_back(prefix);
        if (free < maxCode) {
            *entry = (uint16_t)free++;
        } else {
            codes.push_back(clear);
            std::fill(next.begin(), next.end(), 0);
            free = end + 1;
        }
        prefix = indices[i];
    }
    codes.push_back(prefix);
    codes.push_back(end);
    return codes;
}

std::vector<uint8_t> interlaceRows(const std::vector<uint8_t>& indices, uint32_t width, uint32_t height) {
    static const uint32_t firstRow[4] = {0, 4, 2, 1};
    static const uint32_t step[4] = {8, 8, 4, 2};
    std::vector<uint8_t> out;
    for (int pass = 0; pass < 4; ++pass) {
        for (uint32_t row = firstRow[pass]; row < height; row += step[pass]) {
            out.insert(out.end(), indices.begin() + (size_t)row * width, indices.begin() + (size_t)(row + 1) * width);
        }
    }
    return out;
}

uint32_t minCodeSizeFor(const std::vector<uint8_t>& indices) {
    uint32_t highest = 0;
    for (uint8_t index : indices) highest = index > highest ? index : highest;
    uint32_t bits = 2;  // the format's smallest minimum code size
    while ((1u << bits) <= highest) ++bits;
    return bits;
}

void putFrame(Bytes* gif, const FrameRecipe& frame) {
    if (frame.hasControl) putGraphicControl(gif, frame.control);
    std::vector<uint8_t> indices = frame.indices;
    uint32_t minCodeSize = minCodeSizeFor(indices);
    int32_t localBits = -1;
    if (!frame.localColours.empty()) {
        localBits = (int32_t)tableSizeBits((uint32_t)frame.localColours.size());
    }
    putImageDescriptor(gif, {frame.left, frame.top, frame.width, frame.height, frame.interlaced, localBits});
    if (localBits >= 0) putColourTable(gif, frame.localColours, (uint32_t)localBits);
    if (frame.interlaced) indices = interlaceRows(indices, frame.width, frame.height);
    putImageData(gif, minCodeSize,
                 frame.clearMode == compressed ? compressIndices(minCodeSize, indices)
                                               : encodeIndices(minCodeSize, indices, frame.clearMode));
}

FrameRecipe frameAt(uint16_t left, uint16_t top, uint16_t width, uint16_t height, const std::vector<uint8_t>& indices) {
    FrameRecipe frame = {};
    frame.left = left;
    frame.top = top;
    frame.width = width;
    frame.height = height;
    frame.indices = indices;
    return frame;
}
