// Only in the heap platform (native tools and tests): a raster allocation
// that fails as the system's would, so that what only a crowded 32-bit
// address space shows can be tested on any machine.
#pragma once

#include <stdint.h>

// The n-th makeRaster from now on that passes the budget fails as if the
// system had no memory left (n = 1 is the next one); 0 fails none. One
// failure per call.
void failRasterAllocation(uint32_t n);
