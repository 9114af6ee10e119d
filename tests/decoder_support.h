// Helpers shared by the decoder and compositor tests: parse bytes built by
// the GIF writer, read rasters back, and print result codes with meaning.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "gif/gif.h"
#include "tools/gif_writer.h"

// "1 (data ended early)".
std::string describeResult(int result);

// A zero-filled dictionary of lzwTableEntries records, freed on destruction.
struct Dictionary {
    Dictionary();
    ~Dictionary();
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;
    LzwEntry* entries;
};

// parseGif over bytes in memory, as the loader runs it on a file's bytes;
// the animation is freed on destruction.
struct ParsedGif {
    explicit ParsedGif(const Bytes& bytes);
    ~ParsedGif();
    ParsedGif(const ParsedGif&) = delete;
    ParsedGif& operator=(const ParsedGif&) = delete;
    int result;
    Animation animation;
    int32_t endPosition;  // the cursor's position when parseGif returned
};

// The frame's own raster (or, after compositing, the canvas) as pixels.
std::vector<uint32_t> rasterCopy(Raster raster, uint32_t width, uint32_t height);
std::vector<uint32_t> framePixels(const Animation& animation, uint32_t index);

// Pixel values 0x00RRGGBB from palette indices.
std::vector<uint32_t> coloursOf(const std::vector<uint8_t>& indices, const Colours& palette);

// A COLORREF key (0x00BBGGRR) as the pixel value it marks.
uint32_t keyPixel(uint32_t key);
