// Playback: the worker that shows frames in time, the speed table, and the
// transport commands the UI thread runs. Portable; every system call goes
// through playback_platform.h.
#pragma once

#include <stdint.h>

#include "render/view.h"

enum { speedLevels = 14, speedNormal = 8 };

// A frame's delay scaled by speed level s (0 fastest .. 13 slowest; any
// other value leaves the delay unchanged). Shifts and adds only, each term
// truncated on its own.
uint32_t scaleDelay(uint32_t delayMs, int32_t speedIndex);

// Thread bodies; the platform's thread procedure calls one of them with the
// ViewState pointer. They return the thread's exit code, 0.
uint32_t forwardWorker(ViewState* view);
uint32_t reverseWorker(ViewState* view);

// After a frame's wait was cut short: keeps the frame on screen for its
// delay at the level now in force, measured from t0.
void rewaitAtNewSpeed(ViewState* view, int32_t levelUsed, uint32_t delayMs, uint32_t t0);

// Transport commands, UI thread only, frameCount >= 2.
void startPlayback(ViewState* view, uint32_t startFrame);
void stopPlayback(ViewState* view);
int playPause(ViewState* view);        // 0 paused, 1 started
int reversePlayback(ViewState* view);  // always 0
int nextFrame(ViewState* view);        // 0 frame changed, 1 worker running
int previousFrame(ViewState* view);
void stopAndRewind(ViewState* view);
void speedUp(ViewState* view);
void speedDown(ViewState* view);
