// The window title: file name, then the frame count, direction, speed and
// zoom while playing, or the frame on show while paused. Composed by hand
// so that the portable core needs no printf of the platform.
#include "app/title.h"

#include "gif/gif.h"

const char16_t* const speedLabels[14] = {
    u"16.00", u"8.00", u"4.00", u"2.00", u"1.75", u"1.50",  u"1.25",
    u"1.125", u"1.00", u"0.75", u"0.50", u"0.25", u"0.125", u"0.0625",
};

const char16_t* const zoomLabels[8] = {u"400%", u"200%", u"150%", u"125%", u"100%", u"75%", u"50%", u"25%"};

namespace {

// A bounded text buffer of pathUnits code units. Anything past the last
// unit is dropped; the text stays terminated.
struct TitleText {
    char16_t* out;
    uint32_t length;
    int cut;
};

void appendUnit(TitleText* text, char16_t unit) {
    if (text->length + 1 >= pathUnits) {
        text->cut = 1;
        return;
    }
    text->out[text->length++] = unit;
}

void append(TitleText* text, const char16_t* s) {
    for (; *s && !text->cut; ++s) appendUnit(text, *s);
}

// Decimal as %i prints it: the value taken as signed 32-bit.
void appendInt(TitleText* text, uint32_t value) {
    char16_t digits[12];
    int count = 0;
    int negative = (int32_t)value < 0;
    uint32_t magnitude = negative ? 0u - value : value;
    do {
        digits[count++] = (char16_t)(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) appendUnit(text, u'-');
    while (count > 0) appendUnit(text, digits[--count]);
}

// A cut right after a high surrogate would leave half a character behind.
void finish(TitleText* text) {
    if (text->cut && text->length > 0) {
        char16_t last = text->out[text->length - 1];
        if (last >= 0xD800 && last <= 0xDBFF) text->length -= 1;
    }
    text->out[text->length] = 0;
}

template <uint32_t count>
const char16_t* labelOf(const char16_t* const (&table)[count], uint32_t index) {
    return index < count ? table[index] : u"";
}

// ", 600 in file" when memory cut the load; nothing for a whole file. An
// upper bound of what the file holds, so never an "of" form.
void appendCut(TitleText* text, const Animation* animation, uint32_t frameCount) {
    if (animation->imagesInFile <= frameCount) return;
    append(text, u", ");
    appendInt(text, animation->imagesInFile);
    append(text, u" in file");
}

}  // namespace

void takeDisplayName(char16_t* displayName, const char16_t* path) {
    const char16_t* name = path;
    for (const char16_t* p = path; *p; ++p) {
        if (*p == u'\\') name = p + 1;
    }
    uint32_t i = 0;
    for (; name[i] && i + 1 < pathUnits; ++i) displayName[i] = name[i];
    displayName[i] = 0;
}

void composeTitle(char16_t* out, const char16_t* displayName, const Animation* animation, const ViewState* view,
                  uint32_t zoomIndex, uint32_t frameNumber) {
    TitleText text = {out, 0, 0};
    const char16_t* zoom = labelOf(zoomLabels, zoomIndex);
    // One snapshot of the fields a running worker may change under us.
    const uint32_t frameCount = animation->frameCount;
    const int32_t playing = view->playing;
    append(&text, displayName);
    if (frameCount <= 1) {
        append(&text, u" (1 frame");
        appendCut(&text, animation, frameCount);
        append(&text, u" | ");
    } else if (!playing && frameNumber != 0) {
        append(&text, u" (");
        appendInt(&text, frameNumber);
        append(&text, u" of ");
        appendInt(&text, frameCount);
        append(&text, u" frames");
        appendCut(&text, animation, frameCount);
        append(&text, u" | ");
    } else {
        append(&text, u" (");
        appendInt(&text, frameCount);
        append(&text, u" frames");
        appendCut(&text, animation, frameCount);
        append(&text, u" | ");
        append(&text, view->reversed ? u"<<" : u">>");
        append(&text, u" | x\u2009");
        append(&text, labelOf(speedLabels, (uint32_t)view->speedIndex));
        append(&text, u" | ");
    }
    append(&text, zoom);
    append(&text, u")");
    finish(&text);
}
