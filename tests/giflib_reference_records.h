// giflib's record-by-record read (giflib_records.h) under the player's
// rules: the frames the player must show for the images giflib completed.
#pragma once

#include "tests/giflib_records.h"
#include "tests/giflib_reference.h"

struct ReferenceRead {
    // ok: giflib read every block, to the trailer or to the end of the data
    // between two blocks. frames: the images giflib completed.
    ReferenceAnimation animation;
    GiflibStop stop;
    // giflib stopped inside an image whose descriptor the player reads: the
    // player shows it as one more frame, with what it could decode.
    bool partialFrame;
    ReferenceFrame partial;  // its record; no pixels
};

ReferenceRead referenceRead(const Bytes& gif, uint64_t maxPixels);
