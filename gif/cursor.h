// The whole file in memory and the one read through which the decoder
// takes every byte of it.
#pragma once

#include <stdint.h>

// position may run past size (see cursorRead).
struct ByteCursor {
    const uint8_t* data;
    int32_t position;
    int32_t size;
};

// Advances position by count at once, even when the read then fails, and
// succeeds only while at least one byte remains behind the bytes read: the
// last byte of the data is never delivered.
int cursorRead(ByteCursor* cursor, int32_t count, void* destination);

// Passes over sub-blocks by their length bytes up to and including the
// zero-length block terminator. Unlike cursorRead it takes a terminator
// that is the last byte of the data, so that a file without a trailer reads
// like the same file with one. Returns 1 with the cursor right behind the
// terminator, 0 when the data ends first (the cursor then stands at or past
// its end).
int cursorSkipSubBlocks(ByteCursor* cursor);
