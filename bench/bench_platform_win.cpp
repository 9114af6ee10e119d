// The benchmark's system half for Windows: the process memory counters and
// the C runtime's _popen (which runs cmd.exe).
#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include "bench/bench_platform.h"

namespace {

PROCESS_MEMORY_COUNTERS memoryCounters() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) counters = {};
    return counters;
}

}  // namespace

// The process heap hands blocks this large straight to VirtualAlloc already.
void useFreshMemoryForLargeBlocks() {}

uint64_t residentBytes() { return memoryCounters().WorkingSetSize; }

uint64_t peakResidentBytes() { return memoryCounters().PeakWorkingSetSize; }

std::string selfPath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(path, length);
}

FILE* openCommand(const std::string& command) {
    // cmd.exe /c strips the outermost pair of quotes when the line holds
    // more than two, so the whole line gets one more pair.
    return _popen(("\"" + command + "\"").c_str(), "r");
}

int closeCommand(FILE* stream) { return _pclose(stream); }

std::string quoteArgument(const std::string& argument) { return "\"" + argument + "\""; }
