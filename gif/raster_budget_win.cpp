// The live-raster budget of the player, from what Windows reports.
#include "gif/raster_budget_win.h"

#include <windows.h>

#include "gif/raster_budget.h"

namespace {

// The file's size, or 0 when it cannot be had (the load then fails anyway).
uint64_t fileBytes(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return 0;
    return (uint64_t)data.nFileSizeHigh << 32 | data.nFileSizeLow;
}

}  // namespace

void budgetRastersForLoad(const wchar_t* path) {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    // Without figures the budget is that of the player on 64-bit Windows.
    if (!GlobalMemoryStatusEx(&status)) {
        setRasterBudgetLimit(modelledPlayerBudget(fileBytes(path)));
        return;
    }
    setRasterBudgetLimit(rasterBudgetFor({status.ullAvailVirtual, status.ullAvailPageFile, fileBytes(path)}));
}
