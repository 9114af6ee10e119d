// What the load benchmark needs from the system: memory figures of its own
// process and a way to run a copy of itself. One file per platform, chosen
// at link time like the decoder's own platform half.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>

// Resident memory now, and its high-water mark since the process started
// (Linux: VmRSS and VmHWM; Windows: WorkingSetSize and PeakWorkingSetSize).
// 0 when the system does not tell.
uint64_t residentBytes();
uint64_t peakResidentBytes();

// Makes every large block come from the system as fresh pages, the way a
// DIB section does, for the benchmark's own decoders and its peers alike.
// Without this glibc raises its mmap threshold after the first large free
// and then hands out recycled heap memory, which calloc must clear: Morvix's
// zero-filled rasters would pay a memset that its peers' malloc does not.
void useFreshMemoryForLargeBlocks();

// The full path of the running executable.
std::string selfPath();

// Starts command through the system's shell and returns a stream of its
// standard output; closeCommand waits for it and returns its exit status.
FILE* openCommand(const std::string& command);
int closeCommand(FILE* stream);

// The argument quoted for the shell that openCommand uses.
std::string quoteArgument(const std::string& argument);
