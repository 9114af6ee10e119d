// A native stand-in for the player's kernel32 half: real threads, a steady
// millisecond clock and an auto-reset event, so that the portable worker and
// transport commands can be run concurrently on Linux. Drawing only counts.
#pragma once

#include <stdint.h>

// The event for ViewState::stopEvent: auto-reset, initially not signalled.
void* createThreadsStopEvent();
void destroyThreadsStopEvent(void* event);

struct ThreadsDrawCounts {
    uint32_t draws;          // drawFrameOnScreen calls
    uint32_t unlockedDraws;  // of those, made while paintLock was not held
    uint32_t marginFills;
    uint32_t workersStarted;
    uint32_t latestWorkerDraws;  // frames drawn by the worker started last
};

ThreadsDrawCounts threadsDrawCounts();
