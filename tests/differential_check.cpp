#include "tests/differential_check.h"

#include <gtest/gtest.h>

#include "render/compose.h"
#include "tests/decoder_support.h"
#include "tests/giflib_reference.h"
#include "tests/reference_difference.h"

void expectSameAsGiflib(const std::string& name, const Bytes& gif) {
    expectLoadLikeGiflib(name, gif, gif, loadComplete);
}

void expectLoadLikeGiflib(const std::string& name, const Bytes& gif, const Bytes& giflibReads, int wantResult) {
    const ReferenceAnimation want = referenceFrom(giflibReads);
    ASSERT_TRUE(want.ok) << name << ": giflib cannot read it: " << want.error;
    ParsedGif have(gif);
    ASSERT_EQ(have.result, wantResult) << name << ": have " << describeResult(have.result) << ", want "
                                       << describeResult(wantResult);
    const ComparisonPlan plan = comparisonPlan(want);
    ASSERT_EQ(recordDifference(have.animation, have.result, want, plan), "") << name;
    ASSERT_EQ(composeFrames(&have.animation, differentialBackground), 1) << name;
    EXPECT_EQ(pictureDifference(have.animation, want, plan, differentialBackground), "") << name;
}
