// libFuzzer target: one load and composition as the player runs them, on
// whatever bytes the fuzzer makes. The sanitizers catch reads and writes
// outside any buffer and undefined behaviour; the checks below catch what
// they cannot see: a composed frame without a raster, and rasters that
// outlive the document.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "gif/gif.h"
#include "gif/raster_budget.h"
#include "render/compose.h"

namespace {

// The player's window background, as the reference outputs use it.
const uint32_t background = 0xABABAB;

// Small limits (16 MiB) keep each run fast while still reaching the refusals; the
// count lets a 500-frame file grow the frame table before it runs out.
const RasterBudget fuzzBudget = {16ull << 20, 1000};

// One dictionary for all runs, as the main window keeps one for all loads.
LzwEntry dictionary[lzwTableEntries];

void check(bool condition) {
    if (!condition) abort();
}

void checkComposed(const Animation* animation) {
    for (uint32_t i = 0; i < animation->frameCount; ++i) check(animation->frames[i].bitmap != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setRasterBudgetLimit(fuzzBudget);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > INT32_MAX) return 0;
    // A copy of exactly size bytes, so that reading one past it is caught.
    uint8_t* bytes = (uint8_t*)malloc(size);
    if (!bytes) return 0;
    memcpy(bytes, data, size);
    ByteCursor cursor = {bytes, 0, (int32_t)size};

    Animation animation = {};
    if (allocateFrameTable(&animation)) {
        int result = parseGif(&cursor, dictionary, &animation);
        check(result >= loadComplete && result <= loadFailed && result != loadNoRaster);
        if (result != loadFailed && composeFrames(&animation, background)) checkComposed(&animation);
        freeAnimation(&animation);
    }
    check(rasterBudgetInUse().count == 0 && rasterBudgetInUse().bytes == 0);
    free(bytes);
    return 0;
}
