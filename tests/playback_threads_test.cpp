// The transport commands against a worker on a real thread, many thousands
// of times over: start, re-time, turn round, paint and stop in a random but
// repeatable order. A deadlock shows as a command that never returns; a
// watchdog thread ends the process with a report when the command loop
// makes no progress for a generous deadline.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "gif/gif.h"
#include "playback/playback.h"
#include "tests/playback_platform_threads.h"

namespace {

const std::chrono::seconds commandDeadline(5);

struct Watchdog {
    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    std::atomic<uint64_t> progress{0};
    std::atomic<const char*> command{""};
};

void watch(Watchdog* dog) {
    std::unique_lock<std::mutex> lock(dog->mutex);
    while (!dog->finished) {
        uint64_t before = dog->progress.load();
        if (dog->finishedChanged.wait_for(lock, commandDeadline, [dog] { return dog->finished; })) return;
        if (dog->progress.load() == before) {
            fprintf(stderr, "deadlock: %s has not returned after %lld s\n", dog->command.load(),
                    (long long)commandDeadline.count());
            abort();
        }
    }
}

void finishWatch(Watchdog* dog, std::thread* watcher) {
    {
        std::lock_guard<std::mutex> lock(dog->mutex);
        dog->finished = true;
    }
    dog->finishedChanged.notify_one();
    watcher->join();
}

struct Session {
    ViewState* view;
    Animation* animation;
    std::mt19937 random;
    uint32_t endedByItself;
    uint32_t retimed;  // speed changes made while a worker ran
};

void stopIfPlaying(Session* s) {
    if (s->view->playing) stopPlayback(s->view);
}

void playOrPause(Session* s) {
    playPause(s->view);
}
void reverse(Session* s) {
    reversePlayback(s->view);
}
void faster(Session* s) {
    if (!s->view->playing) return;
    speedUp(s->view);
    s->retimed += 1;
}
void slower(Session* s) {
    if (!s->view->playing) return;
    speedDown(s->view);
    s->retimed += 1;
}
void rewind(Session* s) {
    stopAndRewind(s->view);
}
void step(Session* s) {
    s->random() % 2 ? nextFrame(s->view) : previousFrame(s->view);
}

// A paint on the UI thread contends for the worker's lock.
void paint(Session* s) {
    takePaintLock(s->view);
    releasePaintLock(s->view);
}

// Lets a running worker get as far as its first frame's wait, so that the
// next stop or speed change finds it waiting rather than not yet started.
void settle(Session* s) {
    if (!s->view->playing) return;
    auto deadline = std::chrono::steady_clock::now() + commandDeadline;
    while (s->view->playing && threadsDrawCounts().latestWorkerDraws == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "a started worker drew nothing and did not end";
            return;
        }
        std::this_thread::yield();
    }
    if (!s->view->playing) s->endedByItself += 1;
}

// A new loop count, as a new document would bring; never while playing.
void reload(Session* s) {
    stopIfPlaying(s);
    s->animation->loopCount = s->random() % 3;
}

struct Command {
    const char* name;
    void (*run)(Session*);
    uint32_t weight;
};

const Command commands[] = {
    {"playPause", playOrPause, 3},
    {"reversePlayback", reverse, 2},
    {"speedUp", faster, 4},
    {"speedDown", slower, 4},
    {"stopAndRewind", rewind, 1},
    {"stopPlayback", stopIfPlaying, 1},
    {"step", step, 1},
    {"paint", paint, 2},
    {"settle", settle, 4},
    {"reload", reload, 1},
};

const Command& pickCommand(std::mt19937* random) {
    uint32_t total = 0;
    for (const Command& c : commands) total += c.weight;
    uint32_t pick = (*random)() % total;
    for (const Command& c : commands) {
        if (pick < c.weight) return c;
        pick -= c.weight;
    }
    return commands[0];
}

TEST(PlaybackThreads, StartRetimeAndStopNeverDeadlock) {
    const uint32_t delays[] = {0, 10, 0, 10, 10, 0, 10};
    std::vector<FrameRecord> frames(sizeof delays / sizeof delays[0]);
    for (size_t i = 0; i < frames.size(); ++i) frames[i].delayMs = delays[i];
    Animation animation = {};
    animation.frameCount = (uint32_t)frames.size();
    animation.frames = frames.data();
    ViewState view = {};
    view.animation = &animation;
    view.stopEvent = createThreadsStopEvent();
    view.speedIndex = speedNormal;

    Watchdog dog;
    std::thread watcher(watch, &dog);
    Session session = {&view, &animation, std::mt19937(20240611), 0, 0};
    // The command sequence is fixed; on a busy machine it is cut short after
    // the time budget, but never below minimumCommands.
    const int maximumCommands = 60000;
    const int minimumCommands = 1000;
    const auto budgetEnd = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int commandCount = 0;
    int stillFrameOutOfRange = 0;
    for (; commandCount < maximumCommands; ++commandCount) {
        if (commandCount >= minimumCommands && std::chrono::steady_clock::now() > budgetEnd) break;
        const Command& command = pickCommand(&session.random);
        dog.command = command.name;
        command.run(&session);
        dog.progress.fetch_add(1);
        if (!view.playing && view.currentFrame >= animation.frameCount) ++stillFrameOutOfRange;
    }
    dog.command = "the final stop";
    stopIfPlaying(&session);
    finishWatch(&dog, &watcher);

    EXPECT_EQ(view.playing, 0);
    EXPECT_EQ(view.paintLock, 0);
    EXPECT_EQ(stillFrameOutOfRange, 0);
    EXPECT_GE(view.speedIndex, 0);
    EXPECT_LT(view.speedIndex, speedLevels);
    ThreadsDrawCounts counts = threadsDrawCounts();
    EXPECT_GE(counts.workersStarted, (uint32_t)commandCount / 10) << "hardly any worker was started";
    EXPECT_GE(counts.draws, counts.workersStarted / 2) << "the workers hardly ran";
    EXPECT_EQ(counts.unlockedDraws, 0u);
    printf("%d commands, %u workers started, %u ended by themselves, %u re-timed, %u frames drawn\n", commandCount,
           counts.workersStarted, session.endedByItself, session.retimed, counts.draws);
    destroyThreadsStopEvent(view.stopEvent);
}

}  // namespace
