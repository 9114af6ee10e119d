// The decoder's platform half for Windows: rasters are 32-bit top-down DIB
// sections, files are read whole with one ReadFile.
#include <windows.h>

#include "gif/gif.h"
#include "gif/raster_budget.h"

namespace {

HBITMAP asBitmap(Raster raster) { return reinterpret_cast<HBITMAP>(raster); }

HBITMAP createTopDownSection(uint32_t width, uint32_t height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = (LONG)width;
    info.bmiHeader.biHeight = -(LONG)height;  // negative: rows run top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Without a section handle the system commits fresh, zero-filled pages.
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

Raster makeRaster(uint32_t width, uint32_t height, uint32_t** pixels) {
    // The budget refuses zero sides, sizes past the address space and
    // anything past the live-raster limits (bytes and GDI objects), so the
    // signed sides of the bitmap header cannot overflow either.
    if (!reserveRaster(width, height)) return nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = plannedRasterFailure() ? nullptr : createTopDownSection(width, height, &bits);
    if (!bitmap || !bits) {
        if (bitmap) DeleteObject(bitmap);
        returnRaster(width, height);
        return nullptr;
    }
    *pixels = static_cast<uint32_t*>(bits);
    return reinterpret_cast<Raster>(bitmap);
}

void releaseRaster(Raster raster) {
    if (!raster) return;
    BITMAP header = {};
    GetObjectW(asBitmap(raster), sizeof header, &header);
    DeleteObject(asBitmap(raster));
    uint32_t height = (uint32_t)(header.bmHeight < 0 ? -header.bmHeight : header.bmHeight);
    returnRaster((uint32_t)header.bmWidth, height);
}

uint32_t* rasterPixels(Raster raster) {
    DIBSECTION section = {};
    if (GetObjectW(asBitmap(raster), sizeof section, &section) != sizeof section) return nullptr;
    return static_cast<uint32_t*>(section.dsBm.bmBits);
}

int readWholeFile(const char16_t* path, ByteCursor* cursor) {
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // Sizes of 2 GiB and more do not fit the cursor's signed size; the high
    // part catches 4 GiB and more, whose low part alone could look small.
    DWORD high = 0;
    int32_t size = (int32_t)GetFileSize(file, &high);
    uint8_t* data = nullptr;
    if (high == 0 && size > 0) data = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    DWORD read = 0;
    int ok = data && ReadFile(file, data, (DWORD)size, &read, nullptr) && read == (DWORD)size;
    CloseHandle(file);
    if (!ok) {
        if (data) HeapFree(GetProcessHeap(), 0, data);
        return 0;
    }
    cursor->data = data;
    cursor->size = size;
    cursor->position = 0;
    return 1;
}

void releaseFileBytes(ByteCursor* cursor) {
    if (cursor->data) HeapFree(GetProcessHeap(), 0, const_cast<uint8_t*>(cursor->data));
    cursor->data = nullptr;
}
