// LZW decoder: one image's code stream into 32-bit pixels.
//
// The dictionary stores no strings. Every string is written into the raster
// in order, one behind the other, so an entry is just a place in the raster
// and a length: the entry made after a code is the previous code's string
// plus the first pixel of this code's string, and those pixels already
// stand side by side in the raster. Every copy therefore reads pixels that
// already exist in the raster, and making an entry copies nothing.
//
// This is the load's inner loop, so it is written for speed: the bit reader
// refills a machine word at a time, every code is one dictionary look-up
// (roots included, see enterRoots), and strings are copied in blocks of four
// pixels (see copyBlocks). The results, the pixels and the cursor position
// are those of the plain decoder described beside each case.
#include <string.h>

#include "gif/gif.h"

namespace {

const uint32_t maxCode = 4095;

// The accumulator is one machine word: 64 bits on x86-64, 32 on the 32-bit
// target, where a 64-bit shift would cost several instructions per code.
typedef uintptr_t BitWord;
const uint32_t bitWordBits = sizeof(BitWord) * 8;

// Bits come least significant first, from sub-blocks read through the
// cursor one at a time. A code cut off by the end of the data is dropped.
//
// Whole words are loaded from the sub-block buffer and only the bytes that
// fit are counted; the bits of the bytes loaded but not counted sit above
// `count` and are loaded again, with the same values, by the next refill.
// Behind the sub-block the buffer holds a word of zeros, so a load near its
// end adds nothing that the next sub-block's bytes could collide with.
//
// The accumulator and its count live in the decode loop's own variables
// (Bits), so that they stay in registers; the slow path gets them through
// the reader's fields.
struct BitReader {
    ByteCursor* cursor;
    uint32_t next;    // index of the next byte of block not yet counted
    uint32_t length;  // bytes in block
    BitWord bits;
    uint32_t count;
    uint8_t block[255 + sizeof(BitWord)];
};

struct Bits {
    BitWord bits;
    uint32_t count;  // valid bits in bits
};

void startBits(BitReader* reader, ByteCursor* cursor) {
    reader->cursor = cursor;
    reader->next = 0;
    reader->length = 0;
    memset(reader->block, 0, sizeof(BitWord));
}

// Counts as many whole bytes of the current sub-block as the word can take.
inline Bits refillWord(BitReader* reader, Bits b) {
    BitWord word;
    memcpy(&word, reader->block + reader->next, sizeof word);
    b.bits |= word << b.count;
    uint32_t take = (bitWordBits - 1 - b.count) >> 3;
    uint32_t left = reader->length - reader->next;
    if (take > left) take = left;
    reader->next += take;
    b.count += take * 8;
    return b;
}

// The slow path: tops the accumulator (reader->bits, reader->count) up to
// n bits across sub-block boundaries. Returns 0 when the data ends first.
__attribute__((noinline)) int refillAcrossBlocks(BitReader* reader, uint32_t n) {
    Bits b = {reader->bits, reader->count};
    while (b.count < n) {
        if (reader->next == reader->length) {
            uint8_t length = 0;
            if (!cursorRead(reader->cursor, 1, &length) || length == 0) return 0;
            if (!cursorRead(reader->cursor, length, reader->block)) return 0;
            memset(reader->block + length, 0, sizeof(BitWord));
            reader->length = length;
            reader->next = 0;
        }
        b = refillWord(reader, b);
    }
    reader->bits = b.bits;
    reader->count = b.count;
    return 1;
}

inline int readCode(BitReader* reader, Bits* b, uint32_t codeSize, uint32_t codeMask, uint32_t* code) {
    if (b->count < codeSize) {
        *b = refillWord(reader, *b);
        if (b->count < codeSize) {
            reader->bits = b->bits;
            reader->count = b->count;
            if (!refillAcrossBlocks(reader, codeSize)) return 0;
            b->bits = reader->bits;
            b->count = reader->count;
        }
    }
    *code = (uint32_t)b->bits & codeMask;
    b->bits >>= codeSize;
    b->count -= codeSize;
    return 1;
}

// Strings are copied in blocks of four pixels (one 16-byte move), which
// suits the short strings of busy images: a string of up to four pixels is
// one block. A block may write up to three pixels past the string; they
// lie behind everything written so far and the next string overwrites them,
// and at the end of the decode clearSlack puts back the zeros there. The
// source is always earlier output, ending at or before the destination, so
// the pixels of the string itself are read before anything overwrites them.
// Near the end of the raster, where a block would pass its last pixel, the
// copy is exact.
const uint32_t copyBlock = 4;
const uint32_t copySlack = copyBlock - 1;

// The caller has made sure that length + copySlack pixels fit behind
// destination. length is never 0, so the first block is copied without a
// test: most strings of a busy image are that one block.
inline void copyBlocks(uint32_t* destination, const uint32_t* source, uint32_t length) {
    // memmove: a block may read pixels that an earlier block of the same
    // copy wrote; those only ever land in the slack.
    memmove(destination, source, copyBlock * 4);
    for (uint32_t i = copyBlock; i < length; i += copyBlock) memmove(destination + i, source + i, copyBlock * 4);
}

// A string that ends within copySlack pixels of the raster's end.
void copyExact(uint32_t* destination, const uint32_t* source, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) destination[i] = source[i];
}

// The block copies may have left up to copySlack pixels behind the last
// string; the raster keeps its initial zeros there.
void clearSlack(uint32_t* output, uint32_t end, uint32_t pixelCount) {
    for (uint32_t i = end; i < end + copySlack && i < pixelCount; ++i) output[i] = 0;
}

struct Decoder {
    LzwEntry* dictionary;
    const uint32_t* roots;  // the palette, padded for block copies
    uint32_t* output;
    uint32_t pixelCount;
    uint32_t clearCode;
    uint32_t endCode;
    uint32_t initialCodeSize;
    uint32_t end;  // right behind the last string written
};

// Roots, clear and end code as dictionary entries, so that the loop looks
// every code up the same way: a root is a one-pixel string in the padded
// palette copy, the clear and end codes are empty strings. These entries
// point into the decode's own stack and are made again by every decode.
void enterRoots(LzwEntry* dictionary, const uint32_t* roots, uint32_t clearCode) {
    for (uint32_t k = 0; k < clearCode; ++k) {
        dictionary[k].string = (uint32_t*)roots + k;
        dictionary[k].length = 1;
    }
    dictionary[clearCode].length = 0;
    dictionary[clearCode + 1].length = 0;
}

// Copies the string of a code up to the last code, or the KwKwK string,
// to out. Returns the string's length, or 0 when it does not fit.
inline uint32_t writeString(uint32_t* out, const uint32_t* source, uint32_t sourceLength, uint32_t length,
                            const uint32_t* blockEnd, const uint32_t* outputEnd) {
    // Compared as addresses: one addition and one test. out is at most
    // outputEnd, so neither side can wrap.
    if ((uintptr_t)out + (uintptr_t)length * sizeof(uint32_t) <= (uintptr_t)blockEnd) {
        copyBlocks(out, source, sourceLength);
    } else if (length <= (uint32_t)(outputEnd - out)) {
        copyExact(out, source, sourceLength);
    } else {
        return 0;
    }
    return length;
}

// Decodes the codes behind the minimum code size. Stores in d->end how far
// the strings reach.
LoadResult decodeCodes(BitReader* reader, Decoder* d) {
    LzwEntry* const dictionary = d->dictionary;
    uint32_t* const outputEnd = d->output + d->pixelCount;
    // Strings that end at or before this place may be copied in blocks.
    uint32_t* const blockEnd = d->pixelCount > copySlack ? outputEnd - copySlack : d->output;

    uint32_t codeSize = d->initialCodeSize;
    uint32_t codeMask = (1u << codeSize) - 1;
    // The dictionary is walked by pointers: nextEntry is the entry the next
    // code defines (last code + 1), so "c <= last code" is e < nextEntry.
    LzwEntry* nextEntry = dictionary + d->endCode + 1;
    LzwEntry* growEntry = dictionary + codeMask;  // the entry that fills the code size
    uint32_t* out = d->output;     // right behind the last string written
    uint32_t* previous = out;      // where the last string written begins
    uint32_t previousLength = 0;  // its length
    uint32_t c = 0;
    Bits b = {0, 0};
    LoadResult result = loadComplete;

    if (!readCode(reader, &b, codeSize, codeMask, &c)) return loadDataEnded;
    for (;;) {
        // c is the first code of the data or comes behind a clear code.
        if (c == d->endCode) break;
        if (c == d->clearCode) {
            codeSize = d->initialCodeSize;
            codeMask = (1u << codeSize) - 1;
            nextEntry = dictionary + d->endCode + 1;
            growEntry = dictionary + codeMask;
            // Further clear codes restart again; an end code ends the image.
            do {
                if (!readCode(reader, &b, codeSize, codeMask, &c)) {
                    result = loadDataEnded;
                    goto done;
                }
            } while (c == d->clearCode);
            if (c == d->endCode) break;
        }
        // A first code starts a fresh set of strings and makes no entry. Its
        // pixel comes from the palette even between the end code and 256.
        if (out == outputEnd) {
            result = loadOverflow;
            break;
        }
        if (c >= 256) {
            result = loadBadData;
            break;
        }
        *out = d->roots[c];
        previous = out;
        previousLength = 1;
        out += 1;

        // Every further code up to the next clear or end code.
        for (;;) {
            if (!readCode(reader, &b, codeSize, codeMask, &c)) {
                result = loadDataEnded;
                goto done;
            }
            const LzwEntry* e = dictionary + c;
            uint32_t length;
            if (e < nextEntry) {
                // A root or an entry: copy its string.
                if (e->length == 0) break;  // a clear or end code
                length = writeString(out, e->string, e->length, e->length, blockEnd, outputEnd);
            } else if (e == nextEntry) {
                // The code about to be defined (KwKwK): the previous string
                // plus its own first pixel.
                length = writeString(out, previous, previousLength, previousLength + 1, blockEnd, outputEnd);
                if (length != 0) out[previousLength] = previous[0];
            } else {
                // A code further above names no entry: the stream is broken.
                result = loadBadData;
                goto done;
            }
            if (length == 0) {
                result = loadOverflow;
                goto done;
            }
            // The new entry: the previous string and the first pixel of this
            // one, which stand side by side in the raster. One test on the
            // common path: below growEntry the new entry can neither fill
            // the code size nor the dictionary.
            if (nextEntry < growEntry) {
                nextEntry->string = previous;
                nextEntry->length = previousLength + 1;
                ++nextEntry;
            } else if (nextEntry <= dictionary + maxCode) {
                nextEntry->string = previous;
                nextEntry->length = previousLength + 1;
                if (nextEntry == growEntry && codeMask < maxCode) {
                    codeSize += 1;
                    codeMask = 2 * codeMask + 1;
                    growEntry = dictionary + codeMask;
                }
                ++nextEntry;
            }
            previous = out;
            previousLength = length;
            out += length;
        }
    }
done:
    d->end = (uint32_t)(out - d->output);
    return result;
}

}  // namespace

LoadResult lzwDecode(uint32_t pixelCount, ByteCursor* cursor, const uint32_t* palette, LzwEntry* dictionary,
                     uint32_t* output) {
    uint8_t minimumCodeSize = 0;
    if (!cursorRead(cursor, 1, &minimumCodeSize)) return loadDataEnded;
    if (minimumCodeSize > 8) return loadBadData;

    uint32_t roots[256 + copySlack];
    memcpy(roots, palette, 256 * sizeof(uint32_t));
    memset(roots + 256, 0, copySlack * sizeof(uint32_t));

    BitReader reader;
    startBits(&reader, cursor);
    Decoder d;
    d.dictionary = dictionary;
    d.roots = roots;
    d.output = output;
    d.pixelCount = pixelCount;
    d.clearCode = 1u << minimumCodeSize;
    d.endCode = d.clearCode + 1;
    d.initialCodeSize = minimumCodeSize + 1u;
    d.end = 0;
    enterRoots(dictionary, roots, d.clearCode);

    LoadResult result = decodeCodes(&reader, &d);
    // Encoders may leave sub-blocks behind the end code, and a frame that is
    // full may have more data: either way the image's data is a run of
    // sub-blocks, and the next block starts behind its terminator.
    if ((result == loadComplete || result == loadOverflow) && !cursorSkipSubBlocks(cursor)) result = loadDataEnded;
    clearSlack(output, d.end, pixelCount);
    return result;
}

int skipImageData(ByteCursor* cursor) {
    uint8_t minimumCodeSize = 0;
    return cursorRead(cursor, 1, &minimumCodeSize) && cursorSkipSubBlocks(cursor);
}
