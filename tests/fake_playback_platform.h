// A virtual-time stand-in for playback_platform.h, so that worker timing and
// the transport commands can be tested deterministically on one thread.
//
// - tickCount() is clockBase + elapsed virtual ms (modulo 2^32).
// - waitForStopEvent advances virtual time by its timeout, unless a scripted
//   UI action that runs during the wait signals the event first; then time
//   stands at that action.
// - startWorkerThread only records the request; the test runs the worker with
//   fakeRunPendingWorker(), and the stop spin of stopPlayback runs it through
//   yieldProcessor().
// - Draws, waits, selections and the order of exchanges and signals are
//   recorded with their virtual times.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <vector>

#include "render/view.h"

typedef std::function<void(ViewState*)> FakeAction;

struct FakeDraw {
    uint32_t frame;
    uint64_t at;       // virtual ms since fakeReset
    int32_t lockHeld;  // paintLock while drawing
};

struct FakeWait {
    uint64_t at;
    uint32_t timeoutMs;
    int signalled;  // the result
};

enum FakeCallKind { callExchange, callSignal, callReset, callStartThread, callSelect, callDraw, callFillMargins };

struct FakeCall {
    FakeCallKind kind;
    const volatile int32_t* target;  // exchanges only
    int32_t value;                   // exchanges: the new value; thread start: the direction
    uint32_t currentFrame;           // view->currentFrame at the call
};

struct FakeTimedAction {
    uint64_t at;
    FakeAction run;
};

struct FakeDrawAction {
    size_t drawNumber;
    FakeAction run;
};

struct FakePlayback {
    uint64_t elapsed;
    uint32_t clockBase;
    uint32_t drawCostMs;      // virtual time each draw takes
    int threadCreationFails;  // startWorkerThread returns 0
    int eventSignalled;       // a signal pending on stopEvent
    int waiting;              // inside waitForStopEvent
    int wokeUp;               // the current wait was ended by a signal
    ViewState* view;          // the last view the platform saw
    int workerPending;
    uint32_t workerReversed;
    uint32_t spinsWithoutWorker;
    uint32_t marginFills;
    std::vector<FakeDraw> draws;
    std::vector<FakeWait> waits;
    std::vector<FakeCall> calls;
    std::vector<uint32_t> selected;
    std::vector<FakeTimedAction> timedActions;
    std::vector<FakeDrawAction> drawActions;
};

extern FakePlayback fake;

void fakeReset(uint32_t clockBase = 0);

// Runs action as the UI thread at virtual time at (ms since fakeReset),
// during whichever wait spans it.
void fakeAt(uint64_t at, FakeAction action);

// Runs action as the UI thread while the worker draws its drawNumber-th
// frame (0-based), after it took paintLock and before it reads speedIndex.
void fakeBeforeDraw(size_t drawNumber, FakeAction action);

// Runs the worker that startWorkerThread recorded, to its end. Returns 0
// when none was pending.
int fakeRunPendingWorker();

// The UI thread's half of a stop: the request and the signal, without the
// spin (the worker is further down this very stack).
void fakeRequestStop(ViewState* view);

// How long each drawn frame stayed on screen: the time to the next draw, or
// to the end of the run for the last one.
std::vector<uint64_t> fakeFrameDurations();
std::vector<uint32_t> fakeDrawnFrames();
