// Directory enumeration for the neighbour query: the system's own order and
// pattern rules, unfiltered.
#include <windows.h>

#include "files/neighbours_platform.h"

namespace {

void copyFoundName(char16_t* name, const WIN32_FIND_DATAW* found) {
    static_assert(sizeof found->cFileName / sizeof found->cFileName[0] == findNameUnits, "MAX_PATH names");
    const wchar_t* from = found->cFileName;
    uint32_t i = 0;
    for (; i + 1 < findNameUnits && from[i]; ++i) name[i] = (char16_t)from[i];
    name[i] = 0;
}

}  // namespace

FindHandle findFirst(const char16_t* pattern, char16_t* name) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern), &found);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    copyFoundName(name, &found);
    return reinterpret_cast<FindHandle>(find);
}

int32_t findNext(FindHandle find, char16_t* name) {
    WIN32_FIND_DATAW found;
    if (!FindNextFileW(reinterpret_cast<HANDLE>(find), &found)) return 0;
    copyFoundName(name, &found);
    return 1;
}

void findClose(FindHandle find) { FindClose(reinterpret_cast<HANDLE>(find)); }
