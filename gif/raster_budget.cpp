// Accounting for the live-raster budget; see raster_budget.h for why.
#include "gif/raster_budget.h"

#include <stddef.h>

#include "gif/gif_platform.h"

namespace {

RasterBudget limit = modelledPlayerBudget(0);
RasterBudget inUse = {0, 0};
uint32_t allocationsUntilFailure = 0;  // 0: none planned

// 64-bit, so that 65535 x 65535 x 4 cannot wrap on the 32-bit target.
uint64_t rasterBytes(uint32_t width, uint32_t height) { return (uint64_t)width * height * 4u; }

uint64_t smaller(uint64_t a, uint64_t b) { return a < b ? a : b; }

}  // namespace

RasterBudget rasterBudgetFor(const MemoryFigures& figures) {
    uint64_t room = smaller(smaller(figures.freeAddressSpace, largeAddressSpaceBytes), figures.commitAvailable);
    uint64_t reserve = loadReserveBytes + figures.fileBytes;
    return {room > reserve ? room - reserve : 0, rasterPictureLimit};
}

RasterBudget modelledPlayerBudget(uint64_t fileBytes) {
    return rasterBudgetFor({largeAddressSpaceBytes, UINT64_MAX, fileBytes});
}

int rasterBudgetHasRoom(uint32_t width, uint32_t height, uint32_t count) {
    if (width == 0 || height == 0) return 0;
    uint64_t bytes = rasterBytes(width, height);
    if (bytes > SIZE_MAX / 2) return 0;  // could never be mapped on this target
    if (inUse.count > limit.count || count > limit.count - inUse.count) return 0;
    if (inUse.bytes > limit.bytes) return 0;
    // Divided rather than multiplied: bytes times count could pass 64 bits.
    return count == 0 || bytes <= (limit.bytes - inUse.bytes) / count;
}

int reserveRaster(uint32_t width, uint32_t height) {
    if (!rasterBudgetHasRoom(width, height, 1)) return 0;
    inUse.bytes += rasterBytes(width, height);
    inUse.count += 1;
    return 1;
}

void returnRaster(uint32_t width, uint32_t height) {
    uint64_t bytes = rasterBytes(width, height);
    inUse.bytes = bytes < inUse.bytes ? inUse.bytes - bytes : 0;
    inUse.count = inUse.count > 0 ? inUse.count - 1 : 0;
}

RasterBudget rasterBudgetLimit() { return limit; }

void setRasterBudgetLimit(RasterBudget newLimit) { limit = newLimit; }

RasterBudget rasterBudgetInUse() { return inUse; }

void failRasterAllocation(uint32_t n) { allocationsUntilFailure = n; }

int plannedRasterFailure() {
    if (allocationsUntilFailure == 0) return 0;
    return --allocationsUntilFailure == 0;
}
