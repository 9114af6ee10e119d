// LZW decoder: one image's code stream into 32-bit pixels.
//
// The dictionary stores no strings. An entry points at the place in the
// raster where its string was already written; an entry made from the
// previous string plus one pixel stays pending (prefix + last pixel) until
// the data first uses it, and is written out then. Every copy therefore
// reads pixels that already exist in the raster.
#include <string.h>

#include "gif/gif.h"

namespace {

const uint32_t maxCode = 4095;

// Bits come least significant first, from sub-blocks read through the
// cursor one at a time. A code cut off by the end of the data is dropped.
struct BitReader {
    ByteCursor* cursor;
    uint8_t block[256];
    uint32_t blockLength;
    uint32_t next;
    uint64_t bits;
    uint32_t bitCount;
};

// Tops the accumulator up to at least n bits. Returns 0 when the data ends.
int fillBits(BitReader* reader, uint32_t n) {
    while (reader->bitCount < n) {
        if (reader->next == reader->blockLength) {
            uint8_t length = 0;
            if (!cursorRead(reader->cursor, 1, &length) || length == 0) return 0;
            if (!cursorRead(reader->cursor, length, reader->block)) return 0;
            reader->blockLength = length;
            reader->next = 0;
        }
        // Take as many whole bytes of this sub-block as fit the accumulator.
        while (reader->next < reader->blockLength && reader->bitCount <= 56) {
            reader->bits |= (uint64_t)reader->block[reader->next++] << reader->bitCount;
            reader->bitCount += 8;
        }
    }
    return 1;
}

int readCode(BitReader* reader, uint32_t codeSize, uint32_t* code) {
    if (reader->bitCount < codeSize && !fillBits(reader, codeSize)) return 0;
    *code = (uint32_t)reader->bits & ((1u << codeSize) - 1);
    reader->bits >>= codeSize;
    reader->bitCount -= codeSize;
    return 1;
}

// Copies count pixels; source and destination never overlap because every
// string is copied from output written before the place it goes to.
inline void copyPixels(uint32_t* destination, const uint32_t* source, uint32_t count) {
    memcpy(destination, source, (size_t)count * sizeof(uint32_t));
}

struct Decoder {
    LzwEntry* dictionary;
    const uint32_t* palette;
    uint32_t* output;
    uint32_t pixelCount;
    uint32_t clearCode;
    uint32_t endCode;
    uint32_t initialCodeSize;
    uint32_t codeSize;
    uint32_t codeMask;
    uint32_t lastCode;
    uint32_t writeOffset;  // where the last string written begins
    uint32_t previousCode;
    bool started;
};

void resetCodes(Decoder* d) {
    d->codeSize = d->initialCodeSize;
    d->codeMask = (1u << d->codeSize) - 1;
    d->lastCode = d->endCode;
}

// Offset right behind the last string written.
uint32_t nextOffset(const Decoder* d) { return d->writeOffset + d->dictionary[d->previousCode].length; }

// True when a string of length pixels at offset w would pass the last pixel.
bool overflows(const Decoder* d, uint32_t w, uint32_t length) { return (uint64_t)w + length > d->pixelCount; }

// The first code of the data and the code behind every clear code: it
// starts a fresh set of strings and makes no entry.
//
// Strings left by an earlier decode point into a raster that may be gone,
// so the first code of a decode forgets them all. Behind a clear code that
// is not needed, and would cost 4096 stores for every 18 bits of data (a
// small file of clear codes would take seconds): every code above the end
// code is made again before the data can use it, and a root's old string
// still points at a pixel of its own colour in this raster, which is never
// written twice.
int firstCode(Decoder* d, uint32_t f) {
    LzwEntry* dictionary = d->dictionary;
    if (!d->started) {
        for (uint32_t k = 0; k <= maxCode; ++k) dictionary[k].string = nullptr;
    }
    uint32_t w = d->started ? nextOffset(d) : 0;
    d->started = true;
    if (overflows(d, w, 1)) return loadOverflow;
    if (f >= 256) return loadBadData;
    d->output[w] = d->palette[f];
    dictionary[f].string = d->output + w;
    // A code above the end code holds whatever length an earlier decode left
    // there; one pixel is what was written.
    dictionary[f].length = 1;
    d->writeOffset = w;
    d->previousCode = f;
    return -1;
}

// Any code after the first. Returns -1 to go on, or a result code.
int nextCode(Decoder* d, uint32_t c) {
    LzwEntry* dictionary = d->dictionary;
    LzwEntry* p = &dictionary[d->previousCode];
    uint32_t w = nextOffset(d);
    uint32_t* out = d->output + w;

    if (c > d->lastCode) {
        // Only the code about to be defined is meaningful here (KwKwK); a
        // code further above names no entry and the stream is broken.
        if (c != d->lastCode + 1) return loadBadData;
        if (overflows(d, w, p->length + 1)) return loadOverflow;
        copyPixels(out, p->string, p->length);
        out[p->length] = p->string[0];
        ++d->lastCode;
        dictionary[c].string = out;
        dictionary[c].length = p->length + 1;
    } else {
        LzwEntry* e = &dictionary[c];
        if (e->string) {
            if (overflows(d, w, e->length)) return loadOverflow;
            copyPixels(out, e->string, e->length);
        } else if (c < d->endCode) {
            if (overflows(d, w, 1)) return loadOverflow;
            *out = e->pixel;
            e->string = out;
        } else {
            if (overflows(d, w, e->length + 1)) return loadOverflow;
            copyPixels(out, e->prefix, e->length);
            out[e->length] = e->pixel;
            e->string = out;
            e->length += 1;
        }
        if (d->lastCode < maxCode) {
            LzwEntry* made = &dictionary[++d->lastCode];
            made->string = nullptr;
            made->length = p->length;
            made->prefix = p->string;
            made->pixel = *out;
        }
    }
    if (d->lastCode == d->codeMask && d->codeMask < maxCode) {
        d->codeSize += 1;
        d->codeMask = 2 * d->codeMask + 1;
    }
    d->writeOffset = w;
    d->previousCode = c;
    return -1;
}

}  // namespace

int lzwDecode(uint32_t pixelCount, ByteCursor* cursor, const uint32_t* palette, LzwEntry* dictionary,
              uint32_t* output) {
    BitReader reader;
    reader.cursor = cursor;
    reader.blockLength = 0;
    reader.next = 0;
    reader.bits = 0;
    reader.bitCount = 0;

    uint8_t minimumCodeSize = 0;
    if (!cursorRead(cursor, 1, &minimumCodeSize)) return loadDataEnded;
    if (minimumCodeSize > 8) return loadBadData;

    Decoder d;
    d.dictionary = dictionary;
    d.palette = palette;
    d.output = output;
    d.pixelCount = pixelCount;
    d.clearCode = 1u << minimumCodeSize;
    d.endCode = d.clearCode + 1;
    d.initialCodeSize = minimumCodeSize + 1u;
    d.writeOffset = 0;
    d.previousCode = 0;
    d.started = false;
    resetCodes(&d);
    for (uint32_t k = 0; k < d.clearCode; ++k) {
        dictionary[k].length = 1;
        dictionary[k].pixel = palette[k];
    }
    dictionary[d.clearCode].length = 1;
    dictionary[d.endCode].length = 1;

    uint32_t c = 0;
    if (!readCode(&reader, d.codeSize, &c)) return loadDataEnded;
    for (;;) {
        int result;
        if (c == d.endCode) {
            cursor->position += 1;  // the block terminator behind the last sub-block
            return loadComplete;
        }
        if (c == d.clearCode) {
            resetCodes(&d);
            // Further clear codes restart again; an end code ends the image.
            do {
                if (!readCode(&reader, d.codeSize, &c)) return loadDataEnded;
            } while (c == d.clearCode);
            if (c == d.endCode) continue;
            result = firstCode(&d, c);
        } else if (!d.started) {
            result = firstCode(&d, c);
        } else {
            result = nextCode(&d, c);
        }
        if (result >= 0) return result;
        if (!readCode(&reader, d.codeSize, &c)) return loadDataEnded;
    }
}
