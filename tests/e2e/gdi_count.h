// The live GDI objects of another process, for the end-to-end tests that
// watch the player for leaks (soak.exe, probe.exe memory).
//
// GetGuiResources is a stub under Wine (it always answers 0), so the GDI
// objects are counted as object viewers count them on Windows: the process's
// GDI handle table, whose address its PEB gives, has one entry per live
// object, with a non-zero type. GetGuiResources is used wherever it answers.
#pragma once

#include <windows.h>
#include <stdint.h>
#include <winternl.h>

#include <vector>

namespace gdicount {

struct GdiHandleEntry {
    uint64_t object;
    uint32_t owner;
    uint16_t unique;
    uint8_t type;  // 0 for a free entry
    uint8_t flags;
    uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "the entry layout Wine and 64-bit Windows share");
inline const size_t gdiHandleEntries = 0x10000;
inline const size_t gdiChunkEntries = 0x400;
inline const size_t gdiTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;  // PEB GdiSharedHandleTable

inline bool readRemote(HANDLE process, const void* address, void* buffer, size_t bytes) {
    SIZE_T done = 0;
    return ReadProcessMemory(process, address, buffer, bytes, &done) && done == bytes;
}

// Live GDI objects of the process, or -1 when its table cannot be read.
inline long countGdiObjects(HANDLE process) {
    DWORD answer = GetGuiResources(process, GR_GDIOBJECTS);
    if (answer != 0) return (long)answer;
    PROCESS_BASIC_INFORMATION basic = {};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
    const uint8_t* peb = reinterpret_cast<const uint8_t*>(basic.PebBaseAddress);
    const GdiHandleEntry* table = nullptr;
    if (!peb || !readRemote(process, peb + gdiTableOffset, &table, sizeof table) || !table) return -1;
    // Entries are handed out from the start of the table, so the first
    // chunk with no entry ever used (all bytes zero) ends the reading.
    static std::vector<GdiHandleEntry> chunk(gdiChunkEntries);
    long live = 0;
    for (size_t first = 0; first < gdiHandleEntries; first += gdiChunkEntries) {
        if (!readRemote(process, table + first, chunk.data(), chunk.size() * sizeof(GdiHandleEntry))) return -1;
        bool everUsed = false;
        for (const GdiHandleEntry& entry : chunk) {
            live += entry.type != 0;
            everUsed = everUsed || entry.object != 0 || entry.unique != 0 || entry.type != 0;
        }
        if (!everUsed) break;
    }
    return live;
}

}  // namespace gdicount

using gdicount::countGdiObjects;
