// A second decoder and compositor for differential tests: giflib reads the
// file (DGifSlurp), and a plain compositor applies the player's rules to its
// index rasters. Nothing here shares code with the player.
//
// The player decodes straight into colours, so it tells transparent pixels
// by a key colour and, when the transparent entry's colour also belongs to
// another entry, gives that entry a colour of its own (the smallest value
// from 1 up that no entry of the table holds; for the global table the move
// lasts for the rest of the file). referenceFrom models the same, so its
// colours are what the player must show.
//
// Graphic controls are read from giflib's extension blocks by the player's
// rule, not by giflib's helper (which takes the first in front of an image,
// and only one of exactly 4 bytes): each whose first sub-block holds at
// least 4 bytes, in turn. giflib 5.2.1 misreads an extension whose first
// length byte is 0 (it takes the next block's first byte for a length);
// tests compare such a file with giflib's reading of the file without it.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "tools/gif_writer.h"

struct ReferenceFrame {
    uint32_t left;
    uint32_t top;
    uint32_t width;
    uint32_t height;
    bool interlaced;
    bool localTable;
    uint32_t delayMs;  // as in the file, before normalisation
    uint32_t disposal;
    int32_t transparentIndex;       // -1: none
    std::vector<uint8_t> indices;   // giflib's raster, rows top-down
    std::vector<uint32_t> colours;  // 0x00RRGGBB, what the frame's own raster holds
    uint32_t keyColour;             // the pixel value of transparent pixels
};

struct ReferenceAnimation {
    bool ok;
    std::string error;
    uint32_t width;
    uint32_t height;
    uint32_t loopCount;
    std::vector<ReferenceFrame> frames;
};

ReferenceAnimation referenceFrom(const Bytes& gif);

// The player's delay rule: all delays become 100 ms when they add up to
// less than 1000 ms and to less than 15 ms per frame.
std::vector<uint32_t> referenceDelays(const ReferenceAnimation& animation);

// The full-canvas picture of every frame: background first; disposal 2
// fills the frame's rectangle with the background before the next frame;
// disposal 3 puts back the canvas from before the frame; pixels of the key
// colour are left out; everything clipped to the canvas.
std::vector<std::vector<uint32_t>> referenceCompose(const ReferenceAnimation& animation, uint32_t background);
