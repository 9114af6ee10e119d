// What the decoder and the compositor need from the platform. One file per
// platform implements these, chosen at link time:
//   gif_platform_win.cpp   DIB sections, CreateFileW/ReadFile
//   gif_platform_heap.cpp  heap rasters and stdio, for native tools and tests
#pragma once

#include <stdint.h>

struct Animation;
struct ByteCursor;

// A 32-bit, top-down, zero-filled raster: pixel (x, y) is element
// y * width + x, blue in bits 0-7, green 8-15, red 16-23, top byte 0.
// On Windows this is an HBITMAP of a DIB section.
typedef struct RasterObject* Raster;

// Makes a zero-filled raster of width x height and hands out its pixel
// memory. Returns null (and leaves *pixels alone) when either side is 0, when
// the live-raster budget (gif/raster_budget.h) refuses it, or when memory or
// GDI objects run out. Callers tell a zero side apart themselves: any other
// null is memory, and ends a load as at the end of the data.
Raster makeRaster(uint32_t width, uint32_t height, uint32_t** pixels);

// Releases a raster made by makeRaster; null is ignored.
void releaseRaster(Raster raster);

// The pixel memory of a raster made by makeRaster.
uint32_t* rasterPixels(Raster raster);

// Reads the whole file into one heap block: cursor->data, size, position 0.
// Returns 1 on success, 0 when the file cannot be opened or read, is empty,
// or is 2 GiB or larger.
int readWholeFile(const char16_t* path, ByteCursor* cursor);

// Returns the block of readWholeFile and sets data to null.
void releaseFileBytes(ByteCursor* cursor);

// User-interface hooks of a load of a large file. The player implements
// them (app/load_hooks_win.cpp); everything else links load_hooks_none.cpp,
// which the player's own definitions keep out of its link.
void showWaitCursor();
void firstFramePreview(Animation* animation);
