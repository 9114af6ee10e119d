// make-screen-recording: writes the kind of GIF a screen recorder makes,
// for the end-to-end test of long animations.
//
//   make-screen-recording OUT.gif [FRAMES=300]
//
// 1920 x 1080, every frame full-screen: a white bar 40 pixels wide moving
// from the left edge to the right one over a black screen, a 4-colour
// global table, 40 ms a frame, disposal 1, looping forever. The frames are
// LZW-compressed as recorders do, so that 300 frames (2.4 GiB composed)
// stay near 1 MB, below the size at which the player previews early.
//
// Exit status: 0 written, 1 the file could not be written, 2 usage error.
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "tests/gif_writer.h"

namespace {

const uint16_t screenWidth = 1920;
const uint16_t screenHeight = 1080;
const uint16_t barWidth = 40;
const uint32_t minCodeSize = 2;  // 4 colours
const Colours palette = {0x000000, 0xFFFFFF, 0x808080, 0xFF0000};

// A plain LZW encoder: the codes for indices (each below 2^minCodeSize),
// with a clear code first and whenever the table would pass 12-bit codes.
// The dictionary is a flat table of 4096 x 4 next codes (0: no entry).
Codes compress(const std::vector<uint8_t>& indices) {
    const uint32_t clear = 1u << minCodeSize, end = clear + 1, colours = 1u << minCodeSize;
    std::vector<uint16_t> next(4096 * colours, 0);
    uint32_t free = end + 1;
    Codes codes = {clear};
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        uint16_t* entry = &next[prefix * colours + indices[i]];
        if (*entry != 0) {
            prefix = *entry;
            continue;
        }
        codes.push_back(prefix);
        if (free < 4095) {
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

// Frame i of count: black with the bar's left edge at its share of the way.
std::vector<uint8_t> frameIndices(uint32_t i, uint32_t count) {
    const uint32_t left = count > 1 ? i * (screenWidth - barWidth) / (count - 1) : 0;
    std::vector<uint8_t> row(screenWidth, 0);
    std::fill(row.begin() + left, row.begin() + left + barWidth, 1);
    std::vector<uint8_t> indices;
    indices.reserve((size_t)screenWidth * screenHeight);
    for (uint32_t y = 0; y < screenHeight; ++y) indices.insert(indices.end(), row.begin(), row.end());
    return indices;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: make-screen-recording OUT.gif [FRAMES]\n");
        return 2;
    }
    const long count = argc == 3 ? atol(argv[2]) : 300;
    if (count < 1 || count > 100000) {
        fprintf(stderr, "make-screen-recording: FRAMES is 1 to 100000\n");
        return 2;
    }
    Bytes gif;
    beginGif(&gif, screenWidth, screenHeight, palette);
    putNetscapeLoop(&gif, 0);
    for (uint32_t i = 0; i < (uint32_t)count; ++i) {
        putGraphicControl(&gif, {1, 4, -1});
        putImageDescriptor(&gif, {0, 0, screenWidth, screenHeight, false, -1});
        putImageData(&gif, minCodeSize, compress(frameIndices(i, (uint32_t)count)));
    }
    putTrailer(&gif);
    FILE* file = fopen(argv[1], "wb");
    bool ok = file && fwrite(gif.data(), 1, gif.size(), file) == gif.size();
    if (file && fclose(file) != 0) ok = false;
    if (!ok) fprintf(stderr, "make-screen-recording: cannot write %s\n", argv[1]);
    return ok ? 0 : 1;
}
