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
