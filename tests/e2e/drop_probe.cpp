// Runs the player's drop routine in this process on a drop made here, the
// way the system would hand it to WM_DROPFILES, and prints what it took.
//
//   drop_probe PATH...    prints "RESULT|requestedPath"
#include <windows.h>
#include <shlobj.h>
#include <stdio.h>
#include <wchar.h>

#include "files/path.h"
#include "files/sources_win.h"

namespace {

HDROP makeDrop(wchar_t** names, int count) {
    SIZE_T units = 1;  // the list's final NUL
    for (int i = 0; i < count; ++i) units += wcslen(names[i]) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
    if (!block) return nullptr;
    DROPFILES* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    wchar_t* next = reinterpret_cast<wchar_t*>(header + 1);
    for (int i = 0; i < count; ++i) {
        wcscpy(next, names[i]);
        next += wcslen(names[i]) + 1;
    }
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // A marker that shows whether a refused drop left the destination alone.
    wchar_t requestedPath[pathUnits] = L"untouched";
    HDROP drop = makeDrop(argv + 1, argc - 1);
    if (!drop) return 2;
    int result = droppedFile(drop, requestedPath);
    char path[4 * pathUnits];
    WideCharToMultiByte(CP_UTF8, 0, requestedPath, -1, path, sizeof path, nullptr, nullptr);
    printf("%d|%s\n", result, path);
    return 0;
}
