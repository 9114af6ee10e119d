// The window title, the player's only status display. Portable text
// composition; the Windows half sets it with WM_SETTEXT.
#pragma once

#include <stdint.h>

#include "files/path.h"
#include "render/view.h"

struct Animation;

extern const char16_t* const speedLabels[14];  // "16.00" ... "0.0625"
extern const char16_t* const zoomLabels[8];    // "400%" ... "25%"

// Copies the part of a full path after its last backslash, terminator
// included, into displayName (pathUnits units).
void takeDisplayName(char16_t* displayName, const char16_t* path);

// Composes the title into out (pathUnits units, always terminated, cut
// without splitting a surrogate pair):
//   frameCount <= 1:                 "%s (1 frame | %s)"
//   not playing and frameNumber != 0: "%s (%i of %i frames | %s)"
//   otherwise:                        "%s (%i frames | %s | x\u2009%s | %s)"
// When memory cut the load, ", %i in file" follows the frame count.
void composeTitle(char16_t* out, const char16_t* displayName, const Animation* animation, const ViewState* view,
                  uint32_t zoomIndex, uint32_t frameNumber);
