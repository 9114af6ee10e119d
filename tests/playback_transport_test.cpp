// Transport commands on the fake platform: the frame each command shows or
// starts from, the direction afterwards, the stop and start sequences, and
// what happens when no thread can be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gif/gif.h"
#include "playback/playback.h"
#include "playback/playback_platform.h"
#include "tests/fake_playback_platform.h"

namespace {

const uint32_t frameCount = 10;

class Transport : public ::testing::Test {
   protected:
    void SetUp() override { load(0); }

    void load(uint32_t loopCount) {
        fakeReset();
        frames.assign(frameCount, FrameRecord());
        for (FrameRecord& frame : frames) frame.delayMs = 100;
        animation = Animation();
        animation.frameCount = frameCount;
        animation.loopCount = loopCount;
        animation.frames = frames.data();
        view = ViewState();
        view.animation = &animation;
        view.speedIndex = speedNormal;
    }

    // Paused with frame k as currentFrame.
    void pausedAt(uint32_t k, uint32_t reversed) {
        view.currentFrame = k;
        view.reversed = reversed;
    }

    // A worker started from k, not yet run: it runs when a stop spins.
    void playingFrom(uint32_t k, uint32_t reversed) {
        view.reversed = reversed;
        startPlayback(&view, k);
        ASSERT_EQ(view.playing, 1);
        fake.calls.clear();
    }

    size_t countCalls(FakeCallKind kind) {
        return (size_t)std::count_if(fake.calls.begin(), fake.calls.end(),
                                     [kind](const FakeCall& c) { return c.kind == kind; });
    }

    std::vector<FrameRecord> frames;
    Animation animation = {};
    ViewState view = {};
};

enum Command { commandPlayPause, commandReverse, commandNext, commandPrevious, commandRewind };

int runCommand(Command command, ViewState* view) {
    switch (command) {
        case commandPlayPause:
            return playPause(view);
        case commandReverse:
            return reversePlayback(view);
        case commandNext:
            return nextFrame(view);
        case commandPrevious:
            return previousFrame(view);
        case commandRewind:
            stopAndRewind(view);
            return -1;
    }
    return -1;
}

TEST_F(Transport, FrameChoiceOfEveryCommandWhilePaused) {
    struct Case {
        const char* name;
        Command command;
        uint32_t reversed;
        uint32_t k;
        int wantResult;
        uint32_t wantReversed;
        int wantStarted;  // 1: a worker started from wantFrame; 0: wantFrame selected
        uint32_t wantFrame;
    } cases[] = {
        {"resume forward", commandPlayPause, 0, 3, 1, 0, 1, 4},
        {"resume forward on the last frame: no wrap", commandPlayPause, 0, 9, 1, 0, 1, 10},
        {"resume forward after a forward run ended", commandPlayPause, 0, 0, 1, 0, 1, 1},
        {"resume backward", commandPlayPause, 1, 1, 1, 1, 1, 0},
        {"resume backward from frame 0", commandPlayPause, 1, 0, 1, 1, 1, 9},
        {"resume backward after a backward run ended", commandPlayPause, 1, 9, 1, 1, 1, 8},
        {"reverse from forward", commandReverse, 0, 4, 0, 1, 1, 3},
        {"reverse from forward at frame 0", commandReverse, 0, 0, 0, 1, 1, 9},
        {"reverse from backward", commandReverse, 1, 4, 0, 0, 1, 5},
        {"reverse from backward at the last frame", commandReverse, 1, 9, 0, 0, 1, 0},
        {"reverse from backward onto the last frame", commandReverse, 1, 8, 0, 0, 1, 9},
        {"next", commandNext, 0, 3, 0, 0, 0, 4},
        {"next on the last frame", commandNext, 1, 9, 0, 1, 0, 0},
        {"next onto the last frame", commandNext, 0, 8, 0, 0, 0, 9},
        {"previous", commandPrevious, 1, 3, 0, 1, 0, 2},
        {"previous on frame 0", commandPrevious, 0, 0, 0, 0, 0, 9},
        {"previous onto frame 0", commandPrevious, 0, 1, 0, 0, 0, 0},
        {"rewind while paused backward", commandRewind, 1, 5, -1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load(0);
        view.speedIndex = 5;
        pausedAt(c.k, c.reversed);
        EXPECT_EQ(runCommand(c.command, &view), c.wantResult);
        EXPECT_EQ(view.reversed, c.wantReversed);
        EXPECT_EQ(view.currentFrame, c.wantFrame);
        EXPECT_EQ(view.speedIndex, 5) << "no command but the speed keys changes the level";
        if (c.wantStarted) {
            EXPECT_EQ(view.playing, 1);
            ASSERT_EQ(fake.workerPending, 1);
            EXPECT_EQ(fake.workerReversed, c.wantReversed);
            EXPECT_TRUE(fake.selected.empty());
        } else {
            EXPECT_EQ(view.playing, 0);
            EXPECT_EQ(countCalls(callStartThread), 0u);
            EXPECT_EQ(fake.selected, std::vector<uint32_t>({c.wantFrame}));
        }
    }
}

TEST_F(Transport, StartSequenceStoresEverythingBeforeTheThreadExists) {
    view.stopRequested = 1;  // left over from the last stop
    signalStopEvent(&view);  // and so is a signal
    pausedAt(2, 0);
    fake.calls.clear();
    ASSERT_EQ(playPause(&view), 1);
    ASSERT_EQ(fake.calls.size(), 2u);
    EXPECT_EQ(fake.calls[0].kind, callReset);
    EXPECT_EQ(fake.calls[1].kind, callStartThread);
    EXPECT_EQ(fake.calls[1].currentFrame, 3u);
    EXPECT_EQ(view.stopRequested, 0);
    EXPECT_EQ(view.playing, 1);

    // With the old signal gone, the first frame gets its full delay.
    fakeAt(250, fakeRequestStop);
    fakeRunPendingWorker();
    EXPECT_EQ(fakeDrawnFrames(), std::vector<uint32_t>({3, 4, 5}));
    EXPECT_EQ(view.currentFrame, 5u);
}

TEST_F(Transport, PauseStopsOnTheFrameOnScreen) {
    playingFrom(6, 0);
    EXPECT_EQ(playPause(&view), 0);
    // The request is stored before the signal, so the woken worker sees it.
    ASSERT_GE(fake.calls.size(), 2u);
    EXPECT_EQ(fake.calls[0].kind, callExchange);
    EXPECT_EQ(fake.calls[0].target, &view.stopRequested);
    EXPECT_EQ(fake.calls[1].kind, callSignal);
    EXPECT_EQ(fakeDrawnFrames(), std::vector<uint32_t>({6}));
    EXPECT_EQ(view.currentFrame, 6u);
    EXPECT_EQ(view.playing, 0);
    EXPECT_EQ(countCalls(callStartThread), 0u);
}

TEST_F(Transport, StepsWhilePlayingDoNothing) {
    playingFrom(4, 0);
    EXPECT_EQ(nextFrame(&view), 1);
    EXPECT_EQ(previousFrame(&view), 1);
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(view.currentFrame, 4u);
    EXPECT_EQ(view.playing, 1);
    EXPECT_EQ(fake.workerPending, 1);
}

TEST_F(Transport, ReverseTwiceWhilePlayingComesBackToTheSameFrame) {
    playingFrom(4, 0);
    EXPECT_EQ(reversePlayback(&view), 0);  // the worker stops on 4 ...
    EXPECT_EQ(view.reversed, 1u);
    EXPECT_EQ(view.currentFrame, 3u);      // ... and a backward one starts at 3
    EXPECT_EQ(reversePlayback(&view), 0);  // it stops on 3 ...
    EXPECT_EQ(view.reversed, 0u);
    EXPECT_EQ(view.currentFrame, 4u);  // ... and forward goes on at 4
    EXPECT_EQ(fakeDrawnFrames(), std::vector<uint32_t>({4, 3}));
    EXPECT_EQ(view.playing, 1);
}

TEST_F(Transport, RewindWhilePlayingBackward) {
    playingFrom(7, 1);
    stopAndRewind(&view);
    EXPECT_EQ(view.playing, 0);
    EXPECT_EQ(view.reversed, 0u);
    EXPECT_EQ(view.currentFrame, 0u);
    EXPECT_EQ(fake.selected, std::vector<uint32_t>({0}));
    EXPECT_EQ(view.speedIndex, speedNormal);
}

TEST_F(Transport, AfterARunEndsByItself) {
    struct Case {
        const char* name;
        uint32_t reversed;
        Command command;
        uint32_t wantReversed;
        int wantStarted;
        uint32_t wantFrame;
    } cases[] = {
        {"forward run, then play", 0, commandPlayPause, 0, 1, 1},
        {"forward run, then next", 0, commandNext, 0, 0, 1},
        {"forward run, then previous", 0, commandPrevious, 0, 0, 9},
        {"forward run, then reverse", 0, commandReverse, 1, 1, 9},
        {"backward run, then reverse", 1, commandReverse, 0, 1, 0},
        {"backward run, then play", 1, commandPlayPause, 1, 1, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load(1);
        view.reversed = c.reversed;
        startPlayback(&view, c.reversed ? 9 : 0);
        ASSERT_TRUE(fakeRunPendingWorker());
        ASSERT_EQ(view.playing, 0);
        EXPECT_EQ(fake.draws.back().frame, c.reversed ? 0u : 9u) << "the last frame drawn stays on screen";
        runCommand(c.command, &view);
        EXPECT_EQ(view.reversed, c.wantReversed);
        EXPECT_EQ(view.currentFrame, c.wantFrame);
        EXPECT_EQ(fake.workerPending, c.wantStarted);
        if (!c.wantStarted) {
            EXPECT_EQ(fake.selected.back(), c.wantFrame);
        }
    }
}

TEST_F(Transport, PlayFromTheLastFrameWithOnePassEndsAtOnce) {
    load(1);
    pausedAt(9, 0);
    ASSERT_EQ(playPause(&view), 1);
    ASSERT_TRUE(fakeRunPendingWorker());
    EXPECT_TRUE(fake.draws.empty());
    EXPECT_EQ(fake.marginFills, 1u);
    EXPECT_EQ(fake.elapsed, 0u);
    EXPECT_EQ(view.currentFrame, 0u);
    EXPECT_EQ(view.playing, 0);
}

TEST_F(Transport, SpeedKeysStopAtTheEndsAndSignalEachChange) {
    struct Case {
        void (*press)(ViewState*);
        int presses;
        int32_t wantLevel;
        size_t wantSignals;
    } cases[] = {
        {speedUp, 8, 0, 8},
        {speedUp, 11, 0, 8},  // further presses at level 0 change nothing
        {speedDown, 5, 13, 5},
        {speedDown, 9, 13, 5},
    };
    for (const Case& c : cases) {
        load(0);
        playingFrom(0, 0);
        for (int i = 0; i < c.presses; ++i) c.press(&view);
        EXPECT_EQ(view.speedIndex, c.wantLevel);
        EXPECT_EQ(countCalls(callSignal), c.wantSignals);
        // Each new level is stored before its signal.
        for (size_t i = 0; i + 1 < fake.calls.size(); i += 2) {
            EXPECT_EQ(fake.calls[i].kind, callExchange);
            EXPECT_EQ(fake.calls[i].target, &view.speedIndex);
            EXPECT_EQ(fake.calls[i + 1].kind, callSignal);
        }
    }
}

TEST_F(Transport, NoThreadLeavesThePlayerPaused) {
    struct Case {
        const char* name;
        Command command;
        uint32_t reversed;
        uint32_t k;
    } cases[] = {
        {"play past the last frame", commandPlayPause, 0, 9},
        {"play backward", commandPlayPause, 1, 0},
        {"reverse", commandReverse, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load(0);
        fake.threadCreationFails = 1;
        pausedAt(c.k, c.reversed);
        runCommand(c.command, &view);
        EXPECT_EQ(countCalls(callStartThread), 1u);
        EXPECT_EQ(view.playing, 0);
        EXPECT_EQ(view.currentFrame, c.k) << "still on the frame that is shown";
        // Nothing waits for a worker that does not exist, and steps stay in range.
        EXPECT_EQ(playPause(&view), 1);
        EXPECT_EQ(view.playing, 0);
        EXPECT_EQ(nextFrame(&view), 0);
        EXPECT_LT(fake.selected.back(), frameCount);
        stopAndRewind(&view);
        EXPECT_EQ(fake.spinsWithoutWorker, 0u);
    }
}

}  // namespace
