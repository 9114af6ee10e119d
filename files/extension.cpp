#include "files/extension.h"

namespace {

int isLetter(char16_t unit, char16_t lower) { return unit == lower || unit == lower - 'a' + 'A'; }

}  // namespace

int hasGifExtension(const char16_t* text) {
    uint32_t length = 0;
    while (text[length]) ++length;
    // The bare ".gif" is a name without a stem, not a GIF file.
    if (length <= 4) return 0;
    const char16_t* tail = text + length - 4;
    return isLetter(tail[3], u'f') && isLetter(tail[2], u'i') && isLetter(tail[1], u'g') && tail[0] == u'.';
}
