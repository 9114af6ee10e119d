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

// Every extension and every image's data is a chain of sub-blocks: a length
// byte, that many bytes, and so on up to a length byte of 0, the block
// terminator. These two functions are the one walk over such chains, for
// the loader, the decoder and the count of images ahead.
//
// Reads the sub-block at the cursor: its length into *length (0 for the
// terminator) and its bytes into block (room for 255), or past them when
// block is null. A terminator that is the last byte of the data is taken,
// unlike cursorRead's rule, so that a file without a trailer reads like the
// same file with one. Returns 1 with the cursor right behind the sub-block,
// 0 when the data ends first; the cursor then stands at or past the end,
// where every read fails. Lengths never move the cursor past the end, so a
// file of nearly 2 GiB cannot wrap the position.
int cursorReadSubBlock(ByteCursor* cursor, uint8_t* block, uint32_t* length);

// Passes over sub-blocks up to and including the terminator. Returns 1 with
// the cursor right behind the terminator, 0 when the data ends first.
int cursorSkipSubBlocks(ByteCursor* cursor);
