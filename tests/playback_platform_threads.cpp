// Native threads implementation of playback_platform.h (see the header).
#include "tests/playback_platform_threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "playback/playback.h"
#include "playback/playback_platform.h"

namespace {

struct AutoResetEvent {
    std::mutex mutex;
    std::condition_variable changed;
    bool signalled = false;
};

AutoResetEvent* eventOf(ViewState* view) {
    return static_cast<AutoResetEvent*>(view->stopEvent);
}

std::atomic<uint32_t> drawCount{0};
std::atomic<uint32_t> unlockedDrawCount{0};
std::atomic<uint32_t> marginFillCount{0};
std::atomic<uint32_t> workerCount{0};
std::atomic<uint32_t> latestWorkerDrawCount{0};

}  // namespace

void* createThreadsStopEvent() {
    return new AutoResetEvent;
}

void destroyThreadsStopEvent(void* event) {
    delete static_cast<AutoResetEvent*>(event);
}

ThreadsDrawCounts threadsDrawCounts() {
    return {drawCount.load(), unlockedDrawCount.load(), marginFillCount.load(), workerCount.load(),
            latestWorkerDrawCount.load()};
}

uint32_t tickCount() {
    auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return (uint32_t)std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
}

int waitForStopEvent(ViewState* view, uint32_t timeoutMs) {
    AutoResetEvent* event = eventOf(view);
    std::unique_lock<std::mutex> lock(event->mutex);
    if (!event->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [event] { return event->signalled; })) {
        return 0;
    }
    event->signalled = false;  // auto-reset: one signal ends one wait
    return 1;
}

void signalStopEvent(ViewState* view) {
    AutoResetEvent* event = eventOf(view);
    {
        std::lock_guard<std::mutex> lock(event->mutex);
        event->signalled = true;
    }
    event->changed.notify_one();
}

void resetStopEvent(ViewState* view) {
    AutoResetEvent* event = eventOf(view);
    std::lock_guard<std::mutex> lock(event->mutex);
    event->signalled = false;
}

int32_t exchange32(volatile int32_t* target, int32_t value) {
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

void yieldProcessor() {
    std::this_thread::yield();
}

void drawFrameOnScreen(ViewState* view, uint32_t) {
    drawCount.fetch_add(1);
    latestWorkerDrawCount.fetch_add(1);
    if (__atomic_load_n(&view->paintLock, __ATOMIC_SEQ_CST) != 1) unlockedDrawCount.fetch_add(1);
}

void selectFrame(ViewState*, uint32_t) {}

void fillMarginsOnScreen(ViewState*) {
    marginFillCount.fetch_add(1);
}

int startWorkerThread(ViewState* view, uint32_t reversed) {
    // Only one worker exists at a time, and it does not exist yet.
    latestWorkerDrawCount = 0;
    try {
        std::thread([view, reversed] { reversed ? reverseWorker(view) : forwardWorker(view); }).detach();
    } catch (const std::system_error&) {
        return 0;
    }
    workerCount.fetch_add(1);
    return 1;
}
