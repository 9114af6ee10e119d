// giflib's reading of a GIF, record by record, kept as far as it got.
//
// DGifSlurp gives all or nothing: a file without a trailer, an image cut
// short, an early end code or no image at all is an error with no images.
// Read record by record, every image giflib completed before it stopped is
// kept, and the read tells where and why it stopped. Nothing here applies
// the player's rules (giflib_reference.h does); every extension is kept as
// giflib delivered its sub-blocks.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "tools/gif_writer.h"

// Why the read stopped.
enum GiflibStop {
    giflibTrailer,      // at the trailer
    giflibDataEnded,    // giflib asked for bytes behind the end of the data
    giflibWrongRecord,  // a byte that starts no block where one should start
    giflibImageError,   // inside an image, with data left: a defect, an early end code, a code size above 8
    giflibNotOpened,    // no GIF signature, or the screen or global table cut short
    giflibTooLarge,     // an image larger than the read's pixel limit; not read
};

struct GiflibExtension {
    uint8_t label;
    std::vector<Bytes> subBlocks;  // the first one (a header, or the control data) included
    std::vector<size_t> ends;      // offset in the file right behind each sub-block
    bool complete;                 // its terminator was read
};

struct GiflibImage {
    uint32_t left;
    uint32_t top;
    uint32_t width;
    uint32_t height;
    bool interlaced;
    bool localTable;
    Colours localColours;          // 0x00RRGGBB, as many as the table holds
    size_t descriptorEnd;          // offset in the file right behind the 9-byte descriptor
    bool complete;                 // every row decoded and the data read to its terminator
    std::vector<uint8_t> indices;  // rows top-down; width * height when complete, else empty
};

// One block in file order: an extension or an image.
struct GiflibBlock {
    bool isImage;
    GiflibExtension extension;
    GiflibImage image;
};

struct GiflibRead {
    GiflibStop stop;
    int error;          // giflib's error code at the stop; 0 at the trailer
    size_t stopOffset;  // how far into the data giflib had read when it stopped
    uint32_t width;
    uint32_t height;
    uint32_t backgroundIndex;
    bool globalTable;
    Colours globalColours;
    std::vector<GiflibBlock> blocks;
};

// Reads gif with giflib. An image of more than maxPixels pixels stops the
// read (giflibTooLarge) before any of it is decoded.
GiflibRead readGiflibRecords(const Bytes& gif, uint64_t maxPixels);

// The images of a read, in file order.
std::vector<const GiflibImage*> giflibImages(const GiflibRead& read);
