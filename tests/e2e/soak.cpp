// The soak test's driver: hands the running player file after file, as
// second starts would, and reads what the player holds after each.
//
//   soak LOADS RESET FILE...
//
// Cycles through FILE... until LOADS files have been handed over. Behind
// each one it hands over RESET (a small one-frame file), so that every
// reading is taken with the same document loaded, its painting done. The
// first pass over the files warms up (heap growth, Wine's caches). Wine
// itself makes and frees a transient object now and then, so single
// readings may pass the others by one and come back; they are counted but
// are no leak. A leak stays: the fewest GDI objects read in the last pass
// over the files may not exceed the fewest read in the first pass after the
// warm-up, so one object lost anywhere in between shows. And the working
// set must not drift: the mean of the last readings may exceed the mean of
// the first ones by at most driftLimit.
// Prints one line per load and a summary line; exit 0 when nothing leaked,
// 1 on a leak, 2 when no player runs or it refuses a hand-over. The GDI
// objects are counted as gdi_count.h says.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <vector>

#include "gdi_count.h"

namespace {

const ULONG_PTR handOverTag = 1237548;
const SIZE_T driftLimit = 2u << 20;  // a frame table per load would pass it within 120 loads
const size_t driftWindow = 50;       // readings averaged at each end

struct Reading {
    long gdi;
    SIZE_T workingSet;
};

bool measure(HANDLE process, Reading* reading) {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    reading->gdi = countGdiObjects(process);
    if (reading->gdi < 0 || !GetProcessMemoryInfo(process, &memory, sizeof memory)) return false;
    reading->workingSet = memory.WorkingSetSize;
    return true;
}

// What a second start does: the path, NUL included, under the hand-over tag.
// The player loads the file before SendMessageW returns; its painting is
// then forced, so that a reading never falls in the middle of it.
bool handOver(HWND player, const wchar_t* path) {
    COPYDATASTRUCT record = {handOverTag, (DWORD)((wcslen(path) + 1) * sizeof(wchar_t)), (void*)path};
    if (SendMessageW(player, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record)) != 1) return false;
    RedrawWindow(player, nullptr, nullptr, RDW_UPDATENOW);
    return true;
}

long fewestGdiObjects(const std::vector<Reading>& readings, size_t first, size_t count) {
    long fewest = count ? readings[first].gdi : 0;
    for (size_t i = first; i < first + count; ++i) fewest = readings[i].gdi < fewest ? readings[i].gdi : fewest;
    return fewest;
}

double meanWorkingSet(const std::vector<Reading>& readings, size_t first, size_t count) {
    double sum = 0;
    for (size_t i = first; i < first + count; ++i) sum += (double)readings[i].workingSet;
    return sum / (double)count;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: soak LOADS RESET FILE...\n");
        return 2;
    }
    const long loads = wcstol(argv[1], nullptr, 10);
    const wchar_t* reset = argv[2];
    const int files = argc - 3;
    HWND player = FindWindowW(L"MorvixClass123", nullptr);
    DWORD id = 0;
    if (player) GetWindowThreadProcessId(player, &id);
    HANDLE process = id ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id) : nullptr;
    if (!process) {
        printf("no player\n");
        return 2;
    }

    std::vector<Reading> readings;  // after the warm-up pass
    Reading baseline = {};
    int leaks = 0;
    int excursions = 0;  // single readings above the baseline
    for (long load = 0; load < files + loads; ++load) {
        const wchar_t* path = argv[3 + load % files];
        Reading now = {};
        if (!handOver(player, path) || !handOver(player, reset) || !measure(process, &now)) {
            printf("load %ld: hand-over refused or player gone (%ls)\n", load, path);
            return 2;
        }
        bool warmUp = load < files;
        printf("%s %ld gdi %ld workingset %llu %ls\n", warmUp ? "warm-up" : "load", warmUp ? load : load - files,
               now.gdi, (unsigned long long)now.workingSet, path);
        if (warmUp) {
            if (now.gdi > baseline.gdi) baseline.gdi = now.gdi;
            baseline.workingSet = now.workingSet;
            continue;
        }
        readings.push_back(now);
        if (now.gdi > baseline.gdi) {
            printf("above: %ld GDI objects after %ls, baseline %ld\n", now.gdi, path, baseline.gdi);
            ++excursions;
        }
    }
    const size_t pass = readings.size() < (size_t)files ? readings.size() : (size_t)files;
    const long firstPassLowest = fewestGdiObjects(readings, 0, pass);
    const long lastPassLowest = fewestGdiObjects(readings, readings.size() - pass, pass);
    if (lastPassLowest > firstPassLowest) {
        printf("LEAK: at least %ld GDI objects in every reading of the last pass, %ld in the first\n", lastPassLowest,
               firstPassLowest);
        ++leaks;
    }
    const size_t window = readings.size() < 2 * driftWindow ? readings.size() / 2 : driftWindow;
    double drift = window ? meanWorkingSet(readings, readings.size() - window, window) - meanWorkingSet(readings, 0, window)
                          : 0;
    SIZE_T peak = 0;
    for (const Reading& r : readings) peak = r.workingSet > peak ? r.workingSet : peak;
    if (drift > (double)driftLimit) {
        printf("LEAK: working set drifted by %.0f bytes over %zu loads\n", drift, readings.size());
        ++leaks;
    }
    printf("soak: %zu loads, gdi fewest %ld in the first pass, %ld in the last, warm-up most %ld, readings above "
           "it %d, leaks %d, workingset baseline %llu peak %llu drift %.0f bytes\n",
           readings.size(), firstPassLowest, lastPassLowest, baseline.gdi, excursions, leaks,
           (unsigned long long)baseline.workingSet, (unsigned long long)peak, drift);
    CloseHandle(process);
    return leaks ? 1 : 0;
}
