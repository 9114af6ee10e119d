#include "tests/reference_difference.h"

#include <stdio.h>

#include <initializer_list>
#include <vector>

namespace {

std::string hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "0x%06x", value);
    return text;
}

std::string frameText(uint32_t i) {
    return "frame " + std::to_string(i);
}

// The first of several checks that found a difference.
std::string firstOf(std::initializer_list<std::string> checks) {
    for (const std::string& check : checks) {
        if (!check.empty()) return check;
    }
    return "";
}

// The frame's own raster and record, before compositing.
std::string ownFrameDifference(uint32_t i, const FrameRecord& player, const ReferenceFrame& reference) {
    const std::string where = frameText(i);
    const uint32_t key = reference.transparentIndex >= 0 ? keyMarker | swapRedBlue(reference.keyColour) : 0;
    const std::string record = firstOf({
        valueDifference(where + " left", player.left, reference.left),
        valueDifference(where + " top", player.top, reference.top),
        valueDifference(where + " width", player.width, reference.width),
        valueDifference(where + " height", player.height, reference.height),
        valueDifference(where + " disposal", player.disposal, reference.disposal),
        valueDifference(where + " transparency key", player.transparencyKey, key),
    });
    if (!record.empty()) return record;
    return pixelDifference(where + " own raster", rasterPixels(player.bitmap), reference.colours.data(),
                           reference.width, reference.height);
}

// Compared in full where the comparison is whole. Otherwise only the first
// frames are compared, and the player's normalisation over all its frames
// may have set every delay to 100: accepted where the first frames' delays
// add up to less than 1000 ms, as they must then.
std::string delayDifference(const Animation& player, const ReferenceAnimation& reference, const ComparisonPlan& plan) {
    std::vector<uint32_t> want = referenceDelays(reference);
    if (!plan.whole) {
        want.clear();
        uint64_t sum = 0;
        for (uint32_t i = 0; i < plan.frames; ++i) want.push_back(reference.frames[i].delayMs);
        for (uint32_t delay : want) sum += delay;
        bool allHundred = true;
        for (uint32_t i = 0; i < player.frameCount; ++i) allHundred = allHundred && player.frames[i].delayMs == 100;
        if (allHundred && sum < 1000) return "";
    }
    for (uint32_t i = 0; i < want.size(); ++i) {
        const std::string d = valueDifference(frameText(i) + " delay", player.frames[i].delayMs, want[i]);
        if (!d.empty()) return d;
    }
    return "";
}

}  // namespace

ComparisonPlan comparisonPlan(const ReferenceAnimation& reference, uint32_t framesAllowed) {
    const GiflibStop stop = reference.stop;
    const uint32_t completed = (uint32_t)reference.frames.size();
    ComparisonPlan plan;
    plan.whole = framesAllowed == everyFrame && (stop == giflibTrailer || stop == giflibDataEnded ||
                                                 stop == giflibWrongRecord || stop == giflibNotOpened);
    plan.frames = completed < framesAllowed ? completed : framesAllowed;
    return plan;
}

std::string recordDifference(const Animation& player, int result, const ReferenceAnimation& reference,
                             const ComparisonPlan& plan) {
    const uint32_t shown = result == loadFailed ? 0 : player.frameCount;
    if (plan.whole) {
        // The image giflib stopped in is the player's last frame, with what
        // it could decode.
        const std::string counts = firstOf({
            valueDifference("frame count", shown, reference.frames.size() + (reference.partialFrame ? 1 : 0)),
            valueDifference("loop count", player.loopCount, reference.loopCount),
        });
        if (!counts.empty()) return counts;
    } else if (shown < plan.frames) {
        return valueDifference("frame count (at least)", shown, plan.frames);
    }
    if (shown == 0) return "";
    const std::string screen = firstOf({
        valueDifference("screen width", player.width, reference.width),
        valueDifference("screen height", player.height, reference.height),
    });
    if (!screen.empty()) return screen;
    for (uint32_t i = 0; i < plan.frames; ++i) {
        const std::string d = ownFrameDifference(i, player.frames[i], reference.frames[i]);
        if (!d.empty()) return d;
    }
    if (plan.whole && reference.partialFrame) {
        const std::string d = valueDifference(frameText(plan.frames) + " disposal", player.frames[plan.frames].disposal,
                                              reference.partial.disposal);
        if (!d.empty()) return d;
    }
    return delayDifference(player, reference, plan);
}

std::string pictureDifference(const Animation& player, const ReferenceAnimation& reference, const ComparisonPlan& plan,
                              uint32_t background) {
    const std::vector<std::vector<uint32_t>> pictures = referenceCompose(reference, background, plan.frames);
    for (uint32_t i = 0; i < plan.frames; ++i) {
        const std::string d = pixelDifference(frameText(i) + " composed", rasterPixels(player.frames[i].bitmap),
                                              pictures[i].data(), player.width, player.height);
        if (!d.empty()) return d;
    }
    return "";
}

std::string pixelDifference(const std::string& what, const uint32_t* have, const uint32_t* want, uint32_t width,
                            uint32_t height, const char* haveName, const char* wantName) {
    for (size_t i = 0; i < (size_t)width * height; ++i) {
        if (have[i] != want[i]) {
            return what + ", pixel (" + std::to_string(i % width) + ", " + std::to_string(i / width) +
                   "): " + haveName + " " + hex(have[i]) + ", " + wantName + " " + hex(want[i]);
        }
    }
    return "";
}

std::string valueDifference(const std::string& what, uint64_t have, uint64_t want, const char* haveName,
                            const char* wantName) {
    if (have == want) return "";
    return what + ": " + haveName + " " + std::to_string(have) + ", " + wantName + " " + std::to_string(want);
}
