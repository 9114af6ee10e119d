// Setting the window title, the player's only status display.
#pragma once

#include <stdint.h>

// The bare program name: the title of an empty player.
extern const wchar_t programName[];

// Rewrites the title from the shared state. path (a full path, or null to
// keep the current name) gives the displayed file name; frameNumber 0 asks
// for the playing or single-frame form, any other number names that frame.
void setTitle(const wchar_t* path, uint32_t frameNumber);
