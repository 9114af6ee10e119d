#include "fuzz/player_walk.h"

#include <string.h>

namespace {

const uint32_t maxCode = 4095;

struct Reader {
    const Bytes* gif;
    size_t at;
    bool has(size_t n) const { return at + n <= gif->size(); }
    uint8_t take() { return (*gif)[at++]; }
    uint8_t peek(size_t ahead) const { return at + ahead < gif->size() ? (*gif)[at + ahead] : 0; }
};

// Passes over sub-blocks up to and including the terminator. Returns false
// when the data ends first.
bool skipSubBlocks(Reader* r) {
    while (r->has(1)) {
        uint8_t length = r->take();
        if (length == 0) return true;
        if (!r->has(length)) return false;
        r->at += length;
    }
    return false;
}

// The image's codes, least significant bit first, from its sub-blocks.
struct CodeReader {
    Reader* r;
    uint32_t blockLeft;
    uint64_t bits;
    uint32_t count;
    bool terminator;  // a zero-length sub-block ended the data

    bool read(uint32_t size, uint32_t* code) {
        while (count < size) {
            if (blockLeft == 0) {
                if (!r->has(1)) return false;
                blockLeft = r->take();
                if (blockLeft == 0) {
                    terminator = true;
                    return false;
                }
            }
            if (!r->has(1)) return false;
            bits |= (uint64_t)r->take() << count;
            count += 8;
            blockLeft -= 1;
        }
        *code = (uint32_t)bits & ((1u << size) - 1);
        bits >>= size;
        count -= size;
        return true;
    }
};

enum Outcome { endCode, overflow, dataEnded, badData };

// The player's decode, in string lengths: a first code (at the start or
// behind clear codes) writes one pixel and makes no entry; every further
// code writes its string and makes the entry of the previous string plus
// one pixel; the code size grows when the entry just made is the highest
// the size can name. m below 2 starts above that highest code, so its codes
// never grow.
Outcome decodeLengths(CodeReader* codes, uint32_t m, uint64_t pixels, WalkedImage* image) {
    static uint32_t length[maxCode + 1];
    const uint32_t clear = 1u << m, end = clear + 1;
    for (uint32_t k = 0; k < clear; ++k) length[k] = 1;
    length[clear] = length[end] = 0;
    uint32_t size = m + 1, mask = (1u << size) - 1, next = end + 1;
    uint64_t written = 0;
    uint32_t c = 0;
    if (!codes->read(size, &c)) return dataEnded;
    for (;;) {
        if (c == end) return endCode;
        while (c == clear) {
            size = m + 1;
            mask = (1u << size) - 1;
            next = end + 1;
            if (!codes->read(size, &c)) return dataEnded;
            if (c == end) return endCode;
        }
        if (written == pixels) return overflow;
        if (c >= 256) {
            image->badFirstCode = true;
            return badData;
        }
        written += 1;
        uint32_t previous = 1;
        for (;;) {
            if (!codes->read(size, &c)) return dataEnded;
            uint32_t stringLength;
            if (c < next) {
                if (length[c] == 0) break;  // clear or end
                stringLength = length[c];
            } else if (c == next) {
                stringLength = previous + 1;
            } else {
                image->namesNoEntry = true;
                return badData;
            }
            if (written + stringLength > pixels) {
                image->crossesEnd = written < pixels;
                return overflow;
            }
            if (next <= maxCode) {
                length[next] = previous + 1;
                if (next == mask && mask < maxCode) {
                    size += 1;
                    mask = 2 * mask + 1;
                }
                next += 1;
            }
            written += stringLength;
            previous = stringLength;
        }
    }
}

// The image behind its introducer. Returns false where the player's walk
// ends with it. After bad data the player's cursor stands inside the
// image's data, right behind its code size or the sub-block it last read,
// and its walk goes on from there as from anywhere else.
bool walkImage(Reader* r, PlayerWalk* walk) {
    if (!r->has(9)) return false;
    const uint8_t* d = r->gif->data() + r->at;
    r->at += 9;
    walk->images.push_back(WalkedImage{});
    WalkedImage* image = &walk->images.back();
    image->width = d[4] + 256u * d[5];
    image->height = d[6] + 256u * d[7];
    image->minCodeSize = 2;  // until it is read
    // A side of 0 fails the image step before its data is read.
    if (image->width == 0 || image->height == 0) return false;
    image->decoded = true;
    const size_t table = d[8] & 0x80 ? 3u * (2u << (d[8] & 7)) : 0;
    if (!r->has(table + 1)) return false;
    r->at += table;
    image->minCodeSize = r->take();
    if (image->minCodeSize > 8) {
        image->decoded = false;
        return true;
    }
    CodeReader codes = {r, 0, 0, 0, false};
    Outcome outcome = decodeLengths(&codes, image->minCodeSize, (uint64_t)image->width * image->height, image);
    if (outcome == dataEnded) return codes.terminator;
    if (!r->has(codes.blockLeft)) return false;
    r->at += codes.blockLeft;
    if (outcome == badData) {
        image->decoded = false;
        return true;
    }
    // The rest of the image's data is passed over by its lengths.
    return skipSubBlocks(r);
}

}  // namespace

PlayerWalk walkAsThePlayer(const Bytes& gif) {
    PlayerWalk walk = {};
    walk.signatureShown =
        gif.size() >= 6 && (memcmp(gif.data(), "GIF87a", 6) == 0 || memcmp(gif.data(), "GIF89a", 6) == 0);
    if (gif.size() < 13) return walk;
    walk.width = gif[6] + 256u * gif[7];
    walk.height = gif[8] + 256u * gif[9];
    Reader r = {&gif, 13};
    if (gif[10] & 0x80) r.at += 3u * (2u << (gif[10] & 7));
    while (r.has(1)) {
        uint8_t introducer = r.take();
        if (introducer == 0x21) {
            if (!r.has(1)) break;
            r.take();  // every label is passed over by its sub-blocks' lengths
            if (!skipSubBlocks(&r)) break;
        } else if (introducer != 0x2C || !walkImage(&r, &walk)) {
            break;
        }
    }
    return walk;
}
