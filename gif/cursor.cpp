#include "gif/cursor.h"

#include <string.h>

int cursorRead(ByteCursor* cursor, int32_t count, void* destination) {
    int32_t start = cursor->position;
    // Wraps like the 32-bit arithmetic it models; a wrapped position is
    // negative and then fails the bounds test below as well.
    cursor->position = (int32_t)((uint32_t)start + (uint32_t)count);
    if (cursor->position >= cursor->size || cursor->position < 0 || start < 0) return 0;
    memcpy(destination, cursor->data + start, (size_t)count);
    return 1;
}

int cursorReadSubBlock(ByteCursor* cursor, uint8_t* block, uint32_t* length) {
    *length = 0;
    const int32_t at = cursor->position;
    if (at >= 0 && at == cursor->size - 1 && cursor->data[at] == 0) {
        cursor->position = cursor->size;
        return 1;
    }
    uint8_t n = 0;
    if (!cursorRead(cursor, 1, &n)) return 0;
    *length = n;
    if (n == 0) return 1;
    // The bytes must end before the last byte of the data, as for cursorRead;
    // tested before moving, so that the position cannot wrap.
    if (cursor->size - cursor->position <= (int32_t)n) {
        cursor->position = cursor->size;
        return 0;
    }
    if (block) return cursorRead(cursor, n, block);
    cursor->position += n;
    return 1;
}

int cursorSkipSubBlocks(ByteCursor* cursor) {
    uint32_t length = 0;
    do {
        if (!cursorReadSubBlock(cursor, nullptr, &length)) return 0;
    } while (length != 0);
    return 1;
}
