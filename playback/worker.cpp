// The playback worker: shows the frames in time, forwards or backwards, for
// the file's loop count, and the speed table that scales each delay.
//
// stopEvent carries two meanings, told apart after a wake-up: stopRequested
// set means stop; a speedIndex other than the level the frame was timed
// with means re-time the frame on screen.
#include "gif/gif.h"
#include "playback/playback.h"
#include "playback/playback_platform.h"

namespace {

// Loop count 0 plays forever; it still counts as one pass so that the pass
// test below never ends it.
struct Passes {
    uint32_t total;
    uint32_t completed;
    int forever;
};

Passes passesOf(const Animation* animation) {
    if (animation->loopCount == 0) return {1, 0, 1};
    return {animation->loopCount, 0, 0};
}

// Returns 1 while another pass is due.
int countPass(Passes* passes) {
    if (!passes->forever) passes->completed += 1;
    return passes->completed < passes->total;
}

// Milliseconds still to wait when target ms must have passed since t0.
// Elapsed time is taken modulo 2^32, so a wrap of the tick counter between
// t0 and now changes nothing.
uint32_t remainingDelay(uint32_t now, uint32_t t0, uint32_t target) {
    uint32_t elapsed = now - t0;
    return elapsed < target ? target - elapsed : 0;
}

// Draws frame index and works out its delay, all under paintLock so that a
// paint on the UI thread never interleaves with the select and the draw.
// Returns the level the delay was scaled with.
int32_t drawFrame(ViewState* view, const FrameRecord* frame, uint32_t index) {
    takePaintLock(view);
    drawFrameOnScreen(view, index);
    int32_t level = view->speedIndex;
    view->currentDelayMs = scaleDelay(frame->delayMs, level);
    releasePaintLock(view);
    return level;
}

// Shows frame index for its scaled delay. The clock starts after the draw:
// drawing time is not subtracted. Returns 1 when a stop was requested.
int showFrame(ViewState* view, const Animation* animation, uint32_t index) {
    const FrameRecord* frame = &animation->frames[index];
    int32_t level = drawFrame(view, frame, index);
    uint32_t t0 = tickCount();
    if (waitForStopEvent(view, view->currentDelayMs)) rewaitAtNewSpeed(view, level, frame->delayMs, t0);
    return view->stopRequested != 0;
}

// currentFrame is stored before playing drops, and the exchange is a full
// barrier, so whoever sees playing 0 also sees the final currentFrame. After
// the exchange the worker touches nothing shared: the UI thread may free the
// frames the moment it reads 0.
uint32_t endWorker(ViewState* view, uint32_t currentFrame) {
    view->currentFrame = currentFrame;
    exchange32(&view->playing, 0);
    return 0;
}

}  // namespace

uint32_t scaleDelay(uint32_t d, int32_t speedIndex) {
    // Every shifted term is truncated on its own before the terms are added,
    // so 30 ms at level 5 is 1 + 3 + 15 = 19, not 20.
    // clang-format off
    switch (speedIndex) {
        case 0:  return d >> 4;                             // x 16.00
        case 1:  return d >> 3;                             // x 8.00
        case 2:  return d >> 2;                             // x 4.00
        case 3:  return d >> 1;                             // x 2.00
        case 4:  return (d >> 4) + (d >> 1);                // x 1.75: 9/16 of d
        case 5:  return (d >> 4) + (d >> 3) + (d >> 1);     // x 1.50: 11/16
        case 6:  return (d >> 4) + (d >> 2) + (d >> 1);     // x 1.25: 13/16
        case 7:  return d + (d >> 6) - (d >> 3);            // x 1.125: 57/64
        case 9:  return d + (d >> 2) + (d >> 4);            // x 0.75: 21/16
        case 10: return d << 1;                             // x 0.50
        case 11: return d << 2;                             // x 0.25
        case 12: return d << 3;                             // x 0.125
        case 13: return d << 4;                             // x 0.0625
        default: return d;                                  // x 1.00, and any level out of range
    }
    // clang-format on
}

void rewaitAtNewSpeed(ViewState* view, int32_t levelUsed, uint32_t delayMs, uint32_t t0) {
    // Same level: the wake-up was a stop request, or a change undone before
    // the worker woke. Either way the frame's time is over.
    if (view->speedIndex == levelUsed) return;
    for (;;) {
        uint32_t now = tickCount();
        int32_t level = view->speedIndex;
        uint32_t remaining = remainingDelay(now, t0, scaleDelay(delayMs, level));
        if (remaining != 0) waitForStopEvent(view, remaining);
        if (view->speedIndex == level) return;
    }
}

uint32_t forwardWorker(ViewState* view) {
    const Animation* animation = view->animation;
    uint32_t i = view->currentFrame;
    Passes passes = passesOf(animation);
    // Once per worker and without paintLock: racing a paint, it can only fill
    // the same bands with the same brush.
    fillMarginsOnScreen(view);
    for (;;) {
        // A start frame at or past frameCount gives an empty first pass.
        for (; i < animation->frameCount; ++i) {
            if (showFrame(view, animation, i)) return endWorker(view, i);
        }
        i = 0;
        if (!countPass(&passes)) return endWorker(view, i);
    }
}

uint32_t reverseWorker(ViewState* view) {
    const Animation* animation = view->animation;
    int32_t i = (int32_t)view->currentFrame;
    Passes passes = passesOf(animation);
    fillMarginsOnScreen(view);
    for (;;) {
        for (; i >= 0; --i) {
            if (showFrame(view, animation, (uint32_t)i)) return endWorker(view, (uint32_t)i);
        }
        i = (int32_t)animation->frameCount - 1;
        if (!countPass(&passes)) return endWorker(view, (uint32_t)i);
    }
}
