#include "tests/fake_playback_platform.h"

#include <gtest/gtest.h>

#include "playback/playback.h"
#include "playback/playback_platform.h"

FakePlayback fake;

namespace {

// A stop spin with no worker to end can never finish; after this many yields
// the fake reports it and lets the code under test return.
const uint32_t spinLimit = 100000;

void logCall(FakeCallKind kind, const volatile int32_t* target, int32_t value) {
    uint32_t frame = fake.view ? fake.view->currentFrame : 0;
    fake.calls.push_back({kind, target, value, frame});
}

// Index of the earliest timed action due before deadline (or already
// overdue), the earlier-scheduled one first on a tie; -1 when none.
int nextDueAction(uint64_t deadline) {
    int best = -1;
    for (size_t i = 0; i < fake.timedActions.size(); ++i) {
        uint64_t at = fake.timedActions[i].at;
        if (at >= deadline && at > fake.elapsed) continue;
        if (best < 0 || at < fake.timedActions[best].at) best = (int)i;
    }
    return best;
}

void runTimedAction(int index, ViewState* view) {
    FakeTimedAction action = fake.timedActions[index];
    fake.timedActions.erase(fake.timedActions.begin() + index);
    if (action.at > fake.elapsed) fake.elapsed = action.at;
    action.run(view);
}

void runDrawActions(ViewState* view) {
    size_t number = fake.draws.size();
    for (size_t i = 0; i < fake.drawActions.size(); ++i) {
        if (fake.drawActions[i].drawNumber == number) fake.drawActions[i].run(view);
    }
}

}  // namespace

void fakeReset(uint32_t clockBase) {
    fake = FakePlayback();
    fake.clockBase = clockBase;
}

void fakeAt(uint64_t at, FakeAction action) {
    fake.timedActions.push_back({at, action});
}

void fakeBeforeDraw(size_t drawNumber, FakeAction action) {
    fake.drawActions.push_back({drawNumber, action});
}

int fakeRunPendingWorker() {
    if (!fake.workerPending) return 0;
    fake.workerPending = 0;
    ViewState* view = fake.view;
    if (fake.workerReversed) {
        reverseWorker(view);
    } else {
        forwardWorker(view);
    }
    return 1;
}

void fakeRequestStop(ViewState* view) {
    exchange32(&view->stopRequested, 1);
    signalStopEvent(view);
}

std::vector<uint64_t> fakeFrameDurations() {
    std::vector<uint64_t> durations;
    for (size_t i = 0; i < fake.draws.size(); ++i) {
        uint64_t end = i + 1 < fake.draws.size() ? fake.draws[i + 1].at : fake.elapsed;
        durations.push_back(end - fake.draws[i].at);
    }
    return durations;
}

std::vector<uint32_t> fakeDrawnFrames() {
    std::vector<uint32_t> frames;
    for (const FakeDraw& draw : fake.draws) frames.push_back(draw.frame);
    return frames;
}

uint32_t tickCount() {
    return (uint32_t)(fake.clockBase + fake.elapsed);
}

int waitForStopEvent(ViewState* view, uint32_t timeoutMs) {
    fake.view = view;
    const uint64_t start = fake.elapsed;
    if (fake.eventSignalled) {
        fake.eventSignalled = 0;
        fake.waits.push_back({start, timeoutMs, 1});
        return 1;
    }
    const uint64_t deadline = start + timeoutMs;
    fake.waiting = 1;
    fake.wokeUp = 0;
    for (int next = nextDueAction(deadline); next >= 0 && !fake.wokeUp; next = nextDueAction(deadline)) {
        runTimedAction(next, view);
    }
    fake.waiting = 0;
    if (!fake.wokeUp) fake.elapsed = deadline;
    fake.waits.push_back({start, timeoutMs, fake.wokeUp});
    return fake.wokeUp;
}

// As with a Win32 auto-reset event, a signal that finds a waiter releases it
// and leaves the event unsignalled; any later signal stays pending.
void signalStopEvent(ViewState* view) {
    fake.view = view;
    logCall(callSignal, nullptr, 0);
    if (fake.waiting && !fake.wokeUp) {
        fake.wokeUp = 1;
    } else {
        fake.eventSignalled = 1;
    }
}

void resetStopEvent(ViewState* view) {
    fake.view = view;
    logCall(callReset, nullptr, 0);
    fake.eventSignalled = 0;
}

int32_t exchange32(volatile int32_t* target, int32_t value) {
    logCall(callExchange, target, value);
    int32_t previous = *target;
    *target = value;
    return previous;
}

void yieldProcessor() {
    if (fakeRunPendingWorker()) return;
    if (++fake.spinsWithoutWorker < spinLimit || !fake.view) return;
    ADD_FAILURE() << "spinning on a flag that no worker will ever clear";
    fake.view->playing = 0;
    fake.view->paintLock = 0;
}

void drawFrameOnScreen(ViewState* view, uint32_t index) {
    fake.view = view;
    runDrawActions(view);
    logCall(callDraw, nullptr, (int32_t)index);
    fake.draws.push_back({index, fake.elapsed, view->paintLock});
    fake.elapsed += fake.drawCostMs;
}

void selectFrame(ViewState* view, uint32_t index) {
    fake.view = view;
    logCall(callSelect, nullptr, (int32_t)index);
    fake.selected.push_back(index);
}

void fillMarginsOnScreen(ViewState* view) {
    fake.view = view;
    logCall(callFillMargins, &view->paintLock, view->paintLock);
    fake.marginFills += 1;
}

int startWorkerThread(ViewState* view, uint32_t reversed) {
    fake.view = view;
    logCall(callStartThread, nullptr, (int32_t)reversed);
    if (fake.threadCreationFails) return 0;
    fake.workerPending = 1;
    fake.workerReversed = reversed;
    return 1;
}
