// The player's raster budget, measured before each load.
#pragma once

// Sets the live-raster budget to what this process can hold now for the
// file at path: its free address space and the available physical memory
// (GlobalMemoryStatusEx), less the reserve and the file's bytes. Called with
// the previous document released, so its rasters count as free.
void budgetRastersForLoad(const wchar_t* path);
