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

int cursorSkipSubBlocks(ByteCursor* cursor) {
    for (;;) {
        int32_t at = cursor->position;
        if (at == cursor->size - 1 && at >= 0 && cursor->data[at] == 0) {
            cursor->position = cursor->size;
            return 1;
        }
        uint8_t length = 0;
        if (!cursorRead(cursor, 1, &length)) return 0;
        if (length == 0) return 1;
        // A length that runs past the end leaves the cursor at the end,
        // where the next read fails; clamped so that a file of nearly 2 GiB
        // cannot wrap the position.
        cursor->position = cursor->size - cursor->position > length ? cursor->position + length : cursor->size;
    }
}
