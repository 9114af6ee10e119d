// The decoder's platform half for native builds: rasters on the C heap,
// files through stdio. Used by the command-line tools and the unit tests.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "gif/gif.h"
#include "gif/raster_budget.h"

namespace {

struct RasterHeader {
    uint32_t width;
    uint32_t height;
};

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string toUtf8(const char16_t* text) {
    std::string out;
    for (size_t i = 0; text[i]; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

Raster makeRaster(uint32_t width, uint32_t height, uint32_t** pixels) {
    // The budget refuses zero sizes and anything the address space cannot hold.
    if (!reserveRaster(width, height)) return nullptr;
    size_t bytes = (size_t)width * height * sizeof(uint32_t);
    RasterHeader* header = plannedRasterFailure() ? nullptr : (RasterHeader*)calloc(1, sizeof(RasterHeader) * 2 + bytes);
    if (!header) {
        returnRaster(width, height);
        return nullptr;
    }
    header->width = width;
    header->height = height;
    *pixels = (uint32_t*)(header + 2);  // 16-byte aligned pixel memory
    return (Raster)header;
}

void releaseRaster(Raster raster) {
    if (!raster) return;
    RasterHeader* header = (RasterHeader*)raster;
    returnRaster(header->width, header->height);
    free(header);
}

uint32_t* rasterPixels(Raster raster) { return (uint32_t*)((RasterHeader*)raster + 2); }

int readWholeFile(const char16_t* path, ByteCursor* cursor) {
    FILE* file = fopen(toUtf8(path).c_str(), "rb");
    if (!file) return 0;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0) size = ftell(file);
    if (size <= 0 || size > INT32_MAX || fseek(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return 0;
    }
    uint8_t* data = (uint8_t*)malloc((size_t)size);
    if (!data || fread(data, 1, (size_t)size, file) != (size_t)size) {
        free(data);
        fclose(file);
        return 0;
    }
    fclose(file);
    cursor->data = data;
    cursor->size = (int32_t)size;
    cursor->position = 0;
    return 1;
}

void releaseFileBytes(ByteCursor* cursor) {
    free((void*)cursor->data);
    cursor->data = nullptr;
}
