#include "tests/differential_check.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include "render/compose.h"
#include "tests/decoder_support.h"
#include "tests/giflib_reference.h"

namespace {

std::string hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "0x%06x", value);
    return text;
}

// Empty when equal, else where the first difference is.
std::string firstDifference(const std::vector<uint32_t>& have, const std::vector<uint32_t>& want, uint32_t width) {
    if (have.size() != want.size()) {
        return "have " + std::to_string(have.size()) + " pixels, want " + std::to_string(want.size());
    }
    for (size_t i = 0; i < have.size(); ++i) {
        if (have[i] != want[i]) {
            return "pixel (" + std::to_string(i % width) + ", " + std::to_string(i / width) + "): have " +
                   hex(have[i]) + ", want " + hex(want[i]);
        }
    }
    return "";
}

uint32_t colorrefOf(uint32_t pixel) {
    return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

void expectSameRecords(const std::string& name, const Animation& have, const ReferenceAnimation& want) {
    const std::vector<uint32_t> delays = referenceDelays(want);
    for (uint32_t i = 0; i < have.frameCount; ++i) {
        const FrameRecord& h = have.frames[i];
        const ReferenceFrame& w = want.frames[i];
        const std::string where = name + ", frame " + std::to_string(i);
        EXPECT_EQ(h.left, w.left) << where;
        EXPECT_EQ(h.top, w.top) << where;
        EXPECT_EQ(h.width, w.width) << where;
        EXPECT_EQ(h.height, w.height) << where;
        EXPECT_EQ(h.disposal, w.disposal) << where;
        EXPECT_EQ(h.delayMs, delays[i]) << where;
        const uint32_t wantKey = w.transparentIndex >= 0 ? keyMarker | colorrefOf(w.keyColour) : 0;
        EXPECT_EQ(h.transparencyKey, wantKey) << where;
        const std::string difference = firstDifference(framePixels(have, i), w.colours, w.width);
        EXPECT_EQ(difference, "") << where << ", own raster";
    }
}

}  // namespace

void expectSameAsGiflib(const std::string& name, const Bytes& gif) {
    expectLoadLikeGiflib(name, gif, gif, loadComplete);
}

void expectLoadLikeGiflib(const std::string& name, const Bytes& gif, const Bytes& giflibReads, int wantResult) {
    const ReferenceAnimation want = referenceFrom(giflibReads);
    ASSERT_TRUE(want.ok) << name << ": giflib cannot read it: " << want.error;
    ParsedGif have(gif);
    ASSERT_EQ(have.result, wantResult) << name << ": have " << describeResult(have.result) << ", want "
                                       << describeResult(wantResult);
    EXPECT_EQ(have.animation.width, want.width) << name;
    EXPECT_EQ(have.animation.height, want.height) << name;
    EXPECT_EQ(have.animation.loopCount, want.loopCount) << name;
    ASSERT_EQ(have.animation.frameCount, want.frames.size()) << name;
    expectSameRecords(name, have.animation, want);

    ASSERT_EQ(composeFrames(&have.animation, differentialBackground), 1) << name;
    const std::vector<std::vector<uint32_t>> pictures = referenceCompose(want, differentialBackground);
    for (uint32_t i = 0; i < have.animation.frameCount; ++i) {
        const std::vector<uint32_t> composed =
            rasterCopy(have.animation.frames[i].bitmap, have.animation.width, have.animation.height);
        EXPECT_EQ(firstDifference(composed, pictures[i], want.width), "") << name << ", frame " << i << ", composed";
    }
}
