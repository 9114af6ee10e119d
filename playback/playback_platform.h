// What playback needs from the platform, chosen at link time:
//   playback_platform_win.cpp  kernel32 and gdi32 (the player)
//   tests link a fake clock and event, or a native threads version.
#pragma once

#include <stdint.h>

#include "render/view.h"

// Millisecond tick counter; differences are taken modulo 2^32.
uint32_t tickCount();

// Waits on view->stopEvent (auto-reset) for at most timeoutMs. Returns 1
// when the event was signalled (and is now reset), 0 when the time ran out.
int waitForStopEvent(ViewState* view, uint32_t timeoutMs);
void signalStopEvent(ViewState* view);
void resetStopEvent(ViewState* view);

// Selects frames[index].bitmap into frameDc and draws it into the picture
// rectangle of windowDc. Called by the worker under paintLock.
void drawFrameOnScreen(ViewState* view, uint32_t index);

// Selects frames[index].bitmap into frameDc without drawing (UI thread,
// no worker running).
void selectFrame(ViewState* view, uint32_t index);

// Fills the margins that marginsToFill names with backgroundBrush.
void fillMarginsOnScreen(ViewState* view);

// Starts forwardWorker (reversed 0) or reverseWorker on a new thread and
// lets it run unjoined. Returns 1 when the thread exists, 0 when it could
// not be created.
int startWorkerThread(ViewState* view, uint32_t reversed);
