// The process-wide budget for live rasters.
//
// Every frame is kept as a full-canvas picture, so a small file can ask for
// absurd memory: a 65535 x 65535 canvas is 16 GiB per frame, and a 1 x 1
// canvas with a million frames is a million bitmaps, far past the 10,000 GDI
// objects a Windows process may own. Each platform's makeRaster reserves its
// raster here before it allocates anything and returns it on release. A
// raster that would pass the budget is refused like one the system cannot
// make: the loader then stops as at the end of the data, and compositing
// keeps the frames it has composed so far.
//
// Used on the UI thread only: rasters are made and released inside a load,
// a composition or a document release, never by the playback worker.
#pragma once

#include <stdint.h>

struct RasterBudget {
    uint64_t bytes;  // pixel bytes: width * height * 4 per raster
    uint32_t count;  // rasters
};

// What the process can hold, as the player measures it before each load.
struct MemoryFigures {
    uint64_t freeAddressSpace;   // free user address space of the process
    uint64_t commitAvailable;    // what the process may still commit (memory and page file)
    uint64_t fileBytes;          // the file about to be read whole
};

// The most address space a process of the player has: a large-address-aware
// 32-bit process on 64-bit Windows. The 64-bit build, which stands in for
// the 32-bit player where 32-bit programs cannot run, gets no more.
const uint64_t largeAddressSpaceBytes = 4ull << 30;

// Kept out of the budget besides the file's bytes: the program and its DLLs
// (the open dialog alone loads dozens), heaps and stacks, the window and its
// DCs, the decoder's dictionary and frame table, the worker's stack, and
// room for the address space to be cut up around the rasters.
const uint64_t loadReserveBytes = 256ull << 20;

// Pictures: clear of the 10,000 GDI objects per process, with room for the
// window's DCs, brushes and menus.
const uint32_t rasterPictureLimit = 9000;

// The budget of a load under figures: the smaller of the free address space
// (at most largeAddressSpaceBytes) and what the process may commit, less
// the reserve and the file's bytes; 0 when those take it all. Free physical
// memory is no measure: Windows pages, and a process may commit more.
RasterBudget rasterBudgetFor(const MemoryFigures& figures);

// The player on 64-bit Windows right after its start, a file of fileBytes
// ahead: the whole large address space free, commit plentiful. The
// budget of the tools and tests unless they set one, so that their results
// do not depend on the machine.
RasterBudget modelledPlayerBudget(uint64_t fileBytes);

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

// The limits in force; modelledPlayerBudget(0) until changed.
RasterBudget rasterBudgetLimit();

// Replaces the limits: the player before each load, the tools on request,
// tests and the fuzzer, which want small ones. Rasters already counted stay
// counted.
void setRasterBudgetLimit(RasterBudget limit);

// What the live rasters take now.
RasterBudget rasterBudgetInUse();

// For tests of what only a crowded 32-bit address space shows, on any
// machine: the n-th raster from now on that passes the budget fails as if
// the system had no memory left (n = 1 is the next one); 0 fails none. One
// failure per call. Nothing in the player calls it.
void failRasterAllocation(uint32_t n);

// Asked by each platform's makeRaster once the budget has passed a raster:
// 1 when this is the allocation failRasterAllocation chose.
int plannedRasterFailure();
