// The playback worker and the speed table, on the fake platform's virtual
// clock: which frames are shown, in what order, and for how long.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gif/gif.h"
#include "playback/playback.h"
#include "playback/playback_platform.h"
#include "tests/fake_playback_platform.h"

namespace {

typedef std::vector<uint32_t> Frames;
typedef std::vector<uint64_t> Durations;

// first, first+1, ..., last (counting down when last < first).
Frames run(uint32_t first, uint32_t last) {
    Frames frames;
    for (uint32_t i = first;; i = first <= last ? i + 1 : i - 1) {
        frames.push_back(i);
        if (i == last) break;
    }
    return frames;
}

Frames operator+(Frames a, const Frames& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Worker : public ::testing::Test {
   protected:
    void SetUp() override { fakeReset(); }

    void load(const std::vector<uint32_t>& delays, uint32_t loopCount) {
        frames.assign(delays.size(), FrameRecord());
        for (size_t i = 0; i < delays.size(); ++i) frames[i].delayMs = delays[i];
        animation = Animation();
        animation.frameCount = (uint32_t)delays.size();
        animation.loopCount = loopCount;
        animation.frames = frames.data();
        view = ViewState();
        view.animation = &animation;
        view.speedIndex = speedNormal;
    }

    // Starts a worker the way the transport commands do and runs it to its end.
    void play(uint32_t startFrame, uint32_t reversed) {
        view.reversed = reversed;
        startPlayback(&view, startFrame);
        ASSERT_TRUE(fakeRunPendingWorker());
    }

    std::vector<FrameRecord> frames;
    Animation animation = {};
    ViewState view = {};
};

void changeSpeed(ViewState* view, int32_t level) {
    exchange32(&view->speedIndex, level);
    signalStopEvent(view);
}

TEST(ScaleDelay, EveryLevel) {
    // Each shifted term is truncated on its own; 30 ms shows it at 5, 6, 7, 9.
    const uint32_t of100[speedLevels] = {6, 12, 25, 50, 56, 68, 81, 89, 100, 131, 200, 400, 800, 1600};
    const uint32_t of30[speedLevels] = {1, 3, 7, 15, 16, 19, 23, 27, 30, 38, 60, 120, 240, 480};
    for (int32_t level = 0; level < speedLevels; ++level) {
        EXPECT_EQ(scaleDelay(100, level), of100[level]) << "100 ms at level " << level;
        EXPECT_EQ(scaleDelay(30, level), of30[level]) << "30 ms at level " << level;
    }
    EXPECT_EQ(scaleDelay(10, 0), 0u);
    EXPECT_EQ(scaleDelay(655350, 13), 10485600u);  // the longest delay a file can give
    for (int32_t outside : {-1, 14, 100, INT32_MIN}) EXPECT_EQ(scaleDelay(100, outside), 100u) << outside;
}

TEST_F(Worker, PassesAndEndStates) {
    struct Case {
        const char* name;
        uint32_t loopCount;
        uint32_t start;
        uint32_t reversed;
        Frames want;
        uint32_t wantCurrentFrame;
    } cases[] = {
        {"forward from 5, two passes", 2, 5, 0, run(5, 9) + run(0, 9), 0},
        {"backward from 5, two passes", 2, 5, 1, run(5, 0) + run(9, 0), 9},
        {"forward, one pass", 1, 0, 0, run(0, 9), 0},
        {"backward, one pass", 1, 9, 1, run(9, 0), 9},
        {"forward, three passes", 3, 8, 0, run(8, 9) + run(0, 9) + run(0, 9), 0},
        {"forward from frameCount: empty pass, nothing else", 1, 10, 0, {}, 0},
        {"forward from frameCount: the empty pass counts", 2, 10, 0, run(0, 9), 0},
        {"forward from beyond frameCount", 1, 4000000000u, 0, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakeReset();
        std::vector<uint32_t> delays;
        for (uint32_t i = 0; i < 10; ++i) delays.push_back(10 * (i + 1));
        load(delays, c.loopCount);
        play(c.start, c.reversed);
        EXPECT_EQ(fakeDrawnFrames(), c.want);
        Durations wantDurations;
        for (uint32_t frame : c.want) wantDurations.push_back(delays[frame]);
        EXPECT_EQ(fakeFrameDurations(), wantDurations);
        EXPECT_EQ(view.currentFrame, c.wantCurrentFrame);
        EXPECT_EQ(view.playing, 0);
        EXPECT_EQ(fake.marginFills, 1u);
    }
}

TEST_F(Worker, LoopCountZeroPlaysUntilStopped) {
    load(std::vector<uint32_t>(10, 10), 0);
    fakeAt(255, fakeRequestStop);
    play(10, 0);  // past the end: an empty first pass, then on from frame 0
    EXPECT_EQ(fakeDrawnFrames(), run(0, 9) + run(0, 9) + run(0, 5));
    EXPECT_EQ(fake.elapsed, 255u);
    EXPECT_EQ(view.currentFrame, 5u);
    EXPECT_EQ(view.playing, 0);
}

TEST_F(Worker, ZeroAndScaledZeroDelaysDoNotWait) {
    load({0, 10, 100}, 1);
    view.speedIndex = 0;
    play(0, 0);
    EXPECT_EQ(fakeFrameDurations(), Durations({0, 0, 6}));
    ASSERT_EQ(fake.waits.size(), 3u);
    EXPECT_EQ(fake.waits[0].timeoutMs, 0u);
    EXPECT_EQ(fake.waits[1].timeoutMs, 0u);
    EXPECT_EQ(fake.waits[2].timeoutMs, 6u);
}

// A frame is on screen for its drawing time plus its scaled delay, also
// when a speed change re-times it.
TEST_F(Worker, DelayClockStartsAfterTheDraw) {
    load({100, 100}, 1);
    fake.drawCostMs = 5;
    play(0, 0);
    EXPECT_EQ(fakeFrameDurations(), Durations({105, 105}));

    fakeReset();
    load({1000, 1000}, 1);
    fake.drawCostMs = 50;
    fakeAt(300, [](ViewState* v) { changeSpeed(v, 10); });
    play(0, 0);
    EXPECT_EQ(fakeFrameDurations(), Durations({2050, 2050}));
}

TEST_F(Worker, DrawsUnderThePaintLockAndClearsPlayingLast) {
    load({40, 70, 30}, 1);
    view.speedIndex = 9;
    play(1, 0);
    for (const FakeDraw& draw : fake.draws) EXPECT_EQ(draw.lockHeld, 1) << "frame " << draw.frame;
    EXPECT_EQ(view.paintLock, 0);
    EXPECT_EQ(view.currentDelayMs, 38u);  // the last frame's, scaled at level 9

    // The margins are filled once, first, and without the lock.
    ASSERT_FALSE(fake.calls.empty());
    size_t fills = 0;
    for (const FakeCall& call : fake.calls) fills += call.kind == callFillMargins;
    EXPECT_EQ(fills, 1u);
    auto firstFill =
        std::find_if(fake.calls.begin(), fake.calls.end(), [](const FakeCall& c) { return c.kind == callFillMargins; });
    auto firstDraw =
        std::find_if(fake.calls.begin(), fake.calls.end(), [](const FakeCall& c) { return c.kind == callDraw; });
    EXPECT_LT(firstFill, firstDraw);
    EXPECT_EQ(firstFill->value, 0) << "paintLock held during the margin fill";

    // The last thing the worker does is drop playing, after storing currentFrame.
    const FakeCall& last = fake.calls.back();
    EXPECT_EQ(last.kind, callExchange);
    EXPECT_EQ(last.target, &view.playing);
    EXPECT_EQ(last.value, 0);
    EXPECT_EQ(last.currentFrame, 0u);
}

// A 1000 ms frame at level 8 followed by another 1000 ms frame; the speed
// level is changed while the first is on screen. The clock base moves the
// tick counter's wrap before, between and after t0 and the re-wait's reading.
TEST_F(Worker, SpeedChangeRetimesTheFrameOnScreen) {
    struct Change {
        uint64_t at;
        int32_t level;
        int32_t thenLevel;  // -1, or a second change before the worker wakes
    };
    struct Case {
        const char* name;
        std::vector<Change> changes;
        uint64_t wantFirst;
        uint64_t wantSecond;
    } cases[] = {
        {"slower after 300 ms: 2000 ms from t0", {{300, 10, -1}}, 2000, 2000},
        {"faster after 600 ms: 500 ms are over, replaced at once", {{600, 3, -1}}, 600, 500},
        {"faster after 400 ms: waits out the rest of 500", {{400, 3, -1}}, 500, 500},
        // The second signal stays pending and cuts the next frame to nothing.
        {"to 9 and back to 8 before the wake-up: replaced at once", {{300, 9, 8}}, 300, 0},
        {"slower twice", {{300, 10, -1}, {1500, 11, -1}}, 4000, 4000},
        {"slower, then normal once 1000 ms are over", {{300, 10, -1}, {1500, 8, -1}}, 1500, 1000},
        {"slower, then a little faster", {{300, 10, -1}, {1200, 9, -1}}, 1312, 1312},
    };
    for (uint32_t clockBase : {0u, 0xFFFFFFFFu - 100, 0xFFFFFFFFu - 700, 0xFFFFFFFFu - 1400, 0xFFFFFFFFu}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", clock base " + std::to_string(clockBase));
            fakeReset(clockBase);
            load({1000, 1000}, 1);
            for (const Change& change : c.changes) {
                fakeAt(change.at, [change](ViewState* v) {
                    changeSpeed(v, change.level);
                    if (change.thenLevel >= 0) changeSpeed(v, change.thenLevel);
                });
            }
            play(0, 0);
            EXPECT_EQ(fakeFrameDurations(), Durations({c.wantFirst, c.wantSecond}));
        }
    }
}

TEST_F(Worker, StopEndsAfterTheWakeUpOnTheFrameOnScreen) {
    struct Case {
        const char* name;
        std::vector<uint32_t> delays;
        uint32_t start;
        uint32_t reversed;
        uint64_t stopAt;
        int32_t slowerAt300;  // 1: switch to level 10 at 300 ms, so the stop hits a re-wait
        uint32_t wantFrame;
    } cases[] = {
        {"long forward wait", {10000, 10000, 10000}, 1, 0, 250, 0, 1},
        {"long backward wait", {10000, 10000, 10000}, 1, 1, 250, 0, 1},
        {"after wrapping round", {100, 100, 100}, 1, 0, 1250, 0, 1},
        {"backward after wrapping round", {100, 100, 100}, 0, 1, 450, 0, 2},
        {"during a re-wait", {1000, 1000}, 0, 0, 700, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakeReset();
        load(c.delays, 0);
        if (c.slowerAt300) fakeAt(300, [](ViewState* v) { changeSpeed(v, 10); });
        fakeAt(c.stopAt, fakeRequestStop);
        play(c.start, c.reversed);
        EXPECT_EQ(fake.elapsed, c.stopAt);
        ASSERT_FALSE(fake.draws.empty());
        EXPECT_EQ(fake.draws.back().frame, c.wantFrame);
        EXPECT_EQ(view.currentFrame, c.wantFrame);
        EXPECT_EQ(view.playing, 0);
    }
}

// A speed change made while a frame is being drawn is read for that frame,
// but its signal is still pending when the frame's wait starts: that frame
// is on screen only as long as its draw takes.
TEST_F(Worker, SpeedChangeDuringADrawCutsThatFrameShort) {
    load({100, 100, 100, 100}, 1);
    fakeBeforeDraw(2, speedDown);
    play(0, 0);
    EXPECT_EQ(fakeFrameDurations(), Durations({100, 100, 0, 131}));
    EXPECT_EQ(view.speedIndex, 9);
}

}  // namespace
