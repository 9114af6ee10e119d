// A second decoder and compositor for differential tests: giflib reads the
// file record by record (giflib_records.h), the player's rules are applied
// to what it read, and a plain compositor composes its index rasters.
// Nothing here shares code with the player.
//
// The player decodes straight into colours, so it tells transparent pixels
// by a key colour and, when the transparent entry's colour also belongs to
// another entry, gives that entry a colour of its own (the smallest value
// from 1 up that no entry of the table holds; for the global table the move
// lasts for the rest of the file). referenceFrom models the same, so its
// colours are what the player must show.
//
// Where giflib's own reading differs from the player's rules, the player's
// rules are applied to giflib's records: every graphic control in front of
// an image whose first sub-block holds at least 4 bytes counts in turn (the
// disposal and delay of the last, the key of the last that sets one), where
// giflib's helper takes the first, and only one of exactly 4 bytes; the loop
// count is the last NETSCAPE block's, wherever it stands, where giflib's
// slurped file gives the first image's only. DGifSlurp, which would give
// nothing for a file it cannot read to the end, is not used.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "tests/giflib_records.h"
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
    // giflib read every block, to the trailer or to the end of the data
    // between two blocks; else error says where it stopped.
    bool ok;
    std::string error;
    GiflibStop stop;
    uint32_t width;
    uint32_t height;
    uint32_t loopCount;
    std::vector<ReferenceFrame> frames;  // the images giflib completed
    // giflib stopped inside an image whose descriptor the player reads: the
    // player shows it as one more frame, with what it could decode.
    bool partialFrame;
    ReferenceFrame partial;  // its record; no pixels
};

// The images larger than maxPixels stop the read (giflibTooLarge).
ReferenceAnimation referenceFrom(const Bytes& gif, uint64_t maxPixels = 1ull << 26);

// The player's delay rule over the frames the player shows, the partial one
// included: all delays become 100 ms when they add up to less than 1000 ms
// and to less than 15 ms per frame.
std::vector<uint32_t> referenceDelays(const ReferenceAnimation& animation);

// The full-canvas picture of each of the first count frames: background
// first; disposal 2 fills the frame's rectangle with the background before
// the next frame; disposal 3 puts back the canvas from before the frame;
// pixels of the key colour are left out; everything clipped to the canvas.
std::vector<std::vector<uint32_t>> referenceCompose(const ReferenceAnimation& animation, uint32_t background,
                                                    size_t count = SIZE_MAX);
