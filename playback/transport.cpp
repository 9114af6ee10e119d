// Transport commands: the UI thread's side of playback. They start and stop
// the worker, turn it round, re-time it, and step through the frames while
// nothing plays.
//
// While no worker runs, currentFrame is the only record of where playback
// stands (the frame on screen, or the first frame of the direction after a
// worker ran out of passes); every command takes its neighbour from it.
#include "gif/gif.h"
#include "playback/playback.h"
#include "playback/playback_platform.h"

namespace {

uint32_t frameCountOf(const ViewState* view) {
    return view->animation->frameCount;
}

// The frame before k, wrapping from 0 to the last frame.
uint32_t frameBefore(const ViewState* view, uint32_t k) {
    return k == 0 ? frameCountOf(view) - 1 : k - 1;
}

// The frame after k, wrapping from the last frame to 0.
uint32_t frameAfter(const ViewState* view, uint32_t k) {
    return k + 1 > frameCountOf(view) - 1 ? 0 : k + 1;
}

void showStill(ViewState* view, uint32_t index) {
    view->currentFrame = index;
    selectFrame(view, index);  // no worker runs, so no paintLock
}

void stopIfPlaying(ViewState* view) {
    if (view->playing) stopPlayback(view);
}

}  // namespace

void startPlayback(ViewState* view, uint32_t startFrame) {
    // A signal left over from the last stop or speed change would cut the
    // new worker's first frame short.
    resetStopEvent(view);
    uint32_t stillFrame = view->currentFrame;
    view->currentFrame = startFrame;
    view->stopRequested = 0;
    view->playing = 1;  // before the thread exists, so a stop right away waits for it
    if (startWorkerThread(view, view->reversed)) return;
    // No thread: nobody would ever clear playing, and every later stop would
    // spin for good. Fall back to the paused state on the frame still shown
    // (startFrame may lie past the last frame).
    view->currentFrame = stillFrame;
    view->playing = 0;
}

void stopPlayback(ViewState* view) {
    // The request goes in before the signal, so the woken worker finds it.
    exchange32(&view->stopRequested, 1);
    signalStopEvent(view);
    // The worker never waits for this thread (it needs paintLock only, which
    // is free while we spin), so the spin ends within one frame's draw.
    while (view->playing) yieldProcessor();
}

int playPause(ViewState* view) {
    if (view->playing) {
        stopPlayback(view);
        return 0;
    }
    // Forwards there is no wrap: from the last frame the worker gets an empty
    // first pass and goes on from frame 0 if it has passes left.
    uint32_t k = view->currentFrame;
    startPlayback(view, view->reversed ? frameBefore(view, k) : k + 1);
    return 1;
}

int reversePlayback(ViewState* view) {
    stopIfPlaying(view);
    uint32_t k = view->currentFrame;
    uint32_t startFrame = view->reversed ? frameAfter(view, k) : frameBefore(view, k);
    view->reversed = !view->reversed;
    startPlayback(view, startFrame);
    return 0;
}

int nextFrame(ViewState* view) {
    if (view->playing) return 1;
    showStill(view, frameAfter(view, view->currentFrame));
    return 0;
}

int previousFrame(ViewState* view) {
    if (view->playing) return 1;
    showStill(view, frameBefore(view, view->currentFrame));
    return 0;
}

void stopAndRewind(ViewState* view) {
    stopIfPlaying(view);
    showStill(view, 0);
    view->reversed = 0;
}

// The level is stored before the signal, so the woken worker re-times the
// frame on screen at the new level. Only this thread writes speedIndex.
void speedUp(ViewState* view) {
    int32_t level = view->speedIndex;
    if (level <= 0) return;
    exchange32(&view->speedIndex, level - 1);
    signalStopEvent(view);
}

void speedDown(ViewState* view) {
    int32_t level = view->speedIndex;
    if (level >= speedLevels - 1) return;
    exchange32(&view->speedIndex, level + 1);
    signalStopEvent(view);
}
