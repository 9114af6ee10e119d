// Frame rasters and de-interlacing.
#include <string.h>

#include "gif/gif.h"

namespace {

// The four passes of an interlaced image, in the order its rows arrive.
struct InterlacePass {
    uint32_t firstRow;
    uint32_t step;
};
const InterlacePass interlacePasses[4] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

}  // namespace

LoadResult deinterlace(uint32_t width, Raster* slot, uint32_t height, const uint32_t* source) {
    uint32_t* destination = nullptr;
    Raster sorted = makeRaster(width, height, &destination);
    if (!sorted) return loadRasterRefused;
    const size_t rowBytes = (size_t)width * sizeof(uint32_t);
    for (const InterlacePass& pass : interlacePasses) {
        for (uint32_t row = pass.firstRow; row < height; row += pass.step) {
            memcpy(destination + (size_t)row * width, source, rowBytes);
            source += width;
        }
    }
    releaseRaster(*slot);
    *slot = sorted;
    return loadComplete;
}

LoadResult decodeFrameRaster(uint32_t index, Animation* animation, ByteCursor* cursor, const uint32_t* palette,
                             LzwEntry* dictionary) {
    FrameRecord* frame = &animation->frames[index];
    // A side of 0 is a broken file, not a want of memory: told apart before
    // any raster is asked for.
    if (frame->width == 0 || frame->height == 0) return loadNoRaster;
    uint32_t* pixels = nullptr;
    Raster raster = makeRaster(frame->width, frame->height, &pixels);
    if (!raster) {
        // Memory ends the load here; the image's data is passed over so
        // that the images behind it can still be counted.
        skipImageData(cursor);
        return loadRasterRefused;
    }

    LoadResult result = lzwDecode(frame->width * frame->height, cursor, palette, dictionary, pixels);
    LoadResult sorted = frame->interlaced ? deinterlace(frame->width, &raster, frame->height, pixels) : loadComplete;
    if (sorted != loadComplete) {
        // The frame will not be counted and its record is reused by the next
        // image, so its first raster would be lost: release it now.
        releaseRaster(raster);
        frame->bitmap = nullptr;
        return sorted;
    }
    frame->bitmap = raster;
    return result;
}
