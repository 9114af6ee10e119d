// The player's block walk over a GIF, followed by lengths, with an LZW
// decode that keeps only string lengths. It shares no code with the player
// and decodes no pixel: it finds, for the differential target, the places
// where the player's rules and giflib's reading knowingly part (a string
// that crosses the end of the raster, a code that names no entry, a code
// size outside 2 to 8, an image with a side of 0), and whether every image
// the player meets decodes.
#pragma once

#include <stdint.h>

#include <vector>

#include "tools/gif_writer.h"

struct WalkedImage {
    uint32_t width;
    uint32_t height;
    uint32_t minCodeSize;
    bool namesNoEntry;  // a code above the entry the next code would define
    bool crossesEnd;    // a string that starts inside the raster and ends past its last pixel
    bool badFirstCode;  // a first code (at the start or behind a clear) of 256 or more
    bool decoded;       // the image step succeeds: a raster, and no bad data
};

const uint32_t noImage = UINT32_MAX;

struct PlayerWalk {
    bool signatureShown;  // "GIF87a" or "GIF89a"
    uint32_t width;
    uint32_t height;
    std::vector<WalkedImage> images;  // in the order the walk meets them
};

PlayerWalk walkAsThePlayer(const Bytes& gif);
