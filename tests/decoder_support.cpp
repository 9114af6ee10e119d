#include "tests/decoder_support.h"

#include <stdlib.h>
#include <string.h>

std::string describeResult(int result) {
    static const char* const meanings[] = {
        "complete", "data ended early", "image data overflowed", "bad data", "no raster", "not loaded",
    };
    std::string text = std::to_string(result);
    if (result >= 0 && result <= 5) text += std::string(" (") + meanings[result] + ")";
    return text;
}

Dictionary::Dictionary() : entries((LzwEntry*)calloc(lzwTableEntries, sizeof(LzwEntry))) {}

Dictionary::~Dictionary() {
    free(entries);
}

ParsedGif::ParsedGif(const Bytes& bytes) : result(-1), animation(), endPosition(0) {
    Dictionary dictionary;
    if (!allocateFrameTable(&animation)) return;
    ByteCursor cursor = {bytes.data(), 0, (int32_t)bytes.size()};
    result = parseGif(&cursor, dictionary.entries, &animation);
    endPosition = cursor.position;
}

ParsedGif::~ParsedGif() {
    freeAnimation(&animation);
}

std::vector<uint32_t> rasterCopy(Raster raster, uint32_t width, uint32_t height) {
    if (!raster) return {};
    const uint32_t* pixels = rasterPixels(raster);
    return std::vector<uint32_t>(pixels, pixels + (size_t)width * height);
}

std::vector<uint32_t> framePixels(const Animation& animation, uint32_t index) {
    const FrameRecord& frame = animation.frames[index];
    return rasterCopy(frame.bitmap, frame.width, frame.height);
}

std::vector<uint32_t> coloursOf(const std::vector<uint8_t>& indices, const Colours& palette) {
    std::vector<uint32_t> out;
    for (uint8_t index : indices) out.push_back(index < palette.size() ? palette[index] : 0);
    return out;
}

uint32_t keyPixel(uint32_t key) {
    return ((key & 0xFF) << 16) | (key & 0xFF00) | ((key >> 16) & 0xFF);
}
