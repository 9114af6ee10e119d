// Where the player's load of a GIF and the reference's reading of it part,
// as one line naming the first difference ("" where they agree): the frame,
// the field or the pixel, and both values. Shared by the differential tests
// and the differential fuzz target.
#pragma once

#include <stdint.h>

#include <string>

#include "gif/gif.h"
#include "tests/giflib_reference.h"

// What can be compared. Where giflib read every block the player read (it
// stopped at the trailer, at the end of the data, or at a byte that starts
// no block, as the player does), everything: the frame count, the loop
// count and every delay as well (whole). Where giflib stopped inside an
// image with data left (a defect, an early end code, a terminator before
// the end code, a code size above 8), the player goes on, and only the
// images giflib completed are compared.
struct ComparisonPlan {
    bool whole;
    uint32_t frames;  // the leading frames compared pixel by pixel
};

const uint32_t everyFrame = UINT32_MAX;

// framesAllowed cuts the comparison to that many leading frames, and then
// nothing is compared whole.
ComparisonPlan comparisonPlan(const ReferenceAnimation& reference, uint32_t framesAllowed = everyFrame);

// Before compositing: the frames the player shows (none when result is
// loadFailed), the loop count and the screen size; each compared frame's
// place, size, disposal, transparency key and own raster; the delays after
// the player's normalisation.
std::string recordDifference(const Animation& player, int result, const ReferenceAnimation& reference,
                             const ComparisonPlan& plan);

// After compositing: every pixel of each compared frame's picture.
std::string pictureDifference(const Animation& player, const ReferenceAnimation& reference, const ComparisonPlan& plan,
                              uint32_t background);

// The first pixel where two width x height rasters differ, the two sides
// named as given.
std::string pixelDifference(const std::string& what, const uint32_t* have, const uint32_t* want, uint32_t width,
                            uint32_t height, const char* haveName = "player", const char* wantName = "reference");

// The same for two numbers.
std::string valueDifference(const std::string& what, uint64_t have, uint64_t want, const char* haveName = "player",
                            const char* wantName = "reference");
