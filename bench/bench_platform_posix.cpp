// The benchmark's system half for Linux: /proc and popen.
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "bench/bench_platform.h"

namespace {

// One "Name:   1234 kB" line of /proc/self/status, in bytes.
uint64_t statusField(const char* name) {
    FILE* file = fopen("/proc/self/status", "r");
    if (!file) return 0;
    char line[256];
    uint64_t value = 0;
    size_t nameLength = strlen(name);
    while (fgets(line, sizeof line, file)) {
        if (strncmp(line, name, nameLength) == 0 && line[nameLength] == ':') {
            value = strtoull(line + nameLength + 1, nullptr, 10) * 1024;
            break;
        }
    }
    fclose(file);
    return value;
}

}  // namespace

void useFreshMemoryForLargeBlocks() {
    // Setting the threshold at all turns its adjustment off.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

uint64_t residentBytes() { return statusField("VmRSS"); }

uint64_t peakResidentBytes() { return statusField("VmHWM"); }

std::string selfPath() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return std::string();
    return std::string(path, (size_t)length);
}

FILE* openCommand(const std::string& command) { return popen(command.c_str(), "r"); }

int closeCommand(FILE* stream) { return pclose(stream); }

std::string quoteArgument(const std::string& argument) {
    std::string quoted = "'";
    for (char c : argument) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}
