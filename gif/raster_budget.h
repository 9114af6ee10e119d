// The process-wide budget for live rasters.
//
// Every frame is kept as a full-canvas picture, so a small file can ask for
// absurd memory: a 65535 x 65535 canvas is 16 GiB per frame, and a 1 x 1
// canvas with a million frames is a million bitmaps, far past the 10,000 GDI
// objects a Windows process may own. Each platform's makeRaster reserves its
// raster here before it allocates anything and returns it on release, so a
// raster that would pass the budget is refused like any raster that cannot
// be made: the loader then fails the load, and compositing keeps the frames
// it has composed so far.
//
// Used on the UI thread only: rasters are made and released inside a load,
// a composition or a document release, never by the playback worker.
#pragma once

#include <stdint.h>

// What the live rasters may take together. 1 GiB leaves room for the file's
// bytes, the program and the system's own use of a large-address-aware
// 32-bit process (4 GiB on 64-bit Windows, 2 GiB on 32-bit Windows), and the
// count stays clear of the 10,000 GDI objects per process with room for the
// window's DCs, brushes and menus.
const uint64_t defaultRasterBudgetBytes = 1ull << 30;
const uint32_t defaultRasterBudgetCount = 9000;

struct RasterBudget {
    uint64_t bytes;  // pixel bytes: width * height * 4 per raster
    uint32_t count;  // rasters
};

// Counts a width x height raster of 32-bit pixels against the budget.
// Returns 1 when it fits (it is then counted until returnRaster), 0 when
// either side is 0, when it would pass the budget, or when its size does not
// fit the address space.
int reserveRaster(uint32_t width, uint32_t height);

// Gives back what reserveRaster counted for a raster of the same size.
void returnRaster(uint32_t width, uint32_t height);

// Returns 1 when count more rasters of width x height would fit now, so that
// a caller can refuse before it fills rasters it would have to throw away.
int rasterBudgetHasRoom(uint32_t width, uint32_t height, uint32_t count);

// The limits in force; defaultRasterBudget* until changed.
RasterBudget rasterBudgetLimit();

// Replaces the limits, for tests and the fuzzer, which want small ones.
// Rasters already counted stay counted.
void setRasterBudgetLimit(RasterBudget limit);

// What the live rasters take now.
RasterBudget rasterBudgetInUse();
