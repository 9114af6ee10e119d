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
