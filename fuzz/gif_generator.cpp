#include "fuzz/gif_generator.h"

#include <algorithm>

namespace {

// Screens and images stay below this many pixels, so that one input decodes
// and composes in milliseconds; a few screens are huge on purpose (the
// budget then cuts the load).
const uint32_t maxArea = 1u << 15;
const size_t maxBlocks = 48;
const size_t maxOutput = 1u << 18;
const uint32_t maxCode = 4095;

// The recipe, read one choice at a time; past its end every choice is 0,
// and a choice of 0 is always the usual one.
struct Recipe {
    const uint8_t* data;
    size_t size;
    size_t at;
    uint32_t byte() { return at < size ? data[at++] : 0; }
    uint32_t word() { return byte() | byte() << 8; }
    uint32_t below(uint32_t n) { return n <= 1 ? 0 : (n <= 256 ? byte() : word()) % n; }
    // True for the top percent of byte values, never for 0.
    bool chance(uint32_t percent) { return (255 - byte()) * 100 < percent * 256; }
    bool done() const { return at >= size; }
};

// The bulk: xorshift32 from a seed the recipe gives.
struct Bulk {
    uint32_t state;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    uint32_t below(uint32_t n) { return n <= 1 ? 0 : next() % n; }
};

// Few colours, black and the small values the player's key move picks among
// them, so that tables often hold one colour twice.
const uint32_t colourPool[] = {0x000000, 0x000001, 0x000002, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080};

Colours randomTable(Recipe* recipe, Bulk* bulk) {
    Colours table(2u << recipe->below(8));
    const bool pooled = !recipe->chance(30);
    for (uint32_t& colour : table) colour = pooled ? colourPool[bulk->below(8)] : bulk->next() & 0xFFFFFF;
    return table;
}

// Mostly small, now and then 0 or large; the area stays under maxArea.
uint32_t side(Recipe* recipe) {
    const uint32_t kind = recipe->below(100);
    if (kind < 60) return 1 + recipe->below(16);
    if (kind < 85) return 17 + recipe->below(48);
    if (kind < 95) return 65 + recipe->below(192);
    if (kind < 99) return 257 + recipe->below(4000);
    return 0;
}

void capArea(uint32_t* width, uint32_t* height) {
    if ((uint64_t)*width * *height > maxArea) *height = std::max(1u, maxArea / std::max(1u, *width));
}

Bytes randomBytes(Bulk* bulk, size_t count) {
    Bytes bytes(count);
    for (uint8_t& b : bytes) b = (uint8_t)bulk->next();
    return bytes;
}

std::vector<Bytes> randomSubBlocks(Recipe* recipe, Bulk* bulk, uint32_t most) {
    std::vector<Bytes> blocks(recipe->below(most + 1));
    for (Bytes& block : blocks) block = randomBytes(bulk, 1 + bulk->below(recipe->chance(20) ? 255 : 16));
    return blocks;
}

// Graphic control: mostly the standard 4-byte sub-block; now and then other
// sizes and more sub-blocks.
void putControl(Bytes* gif, Recipe* recipe, Bulk* bulk, uint32_t tableSize) {
    uint8_t packed = (uint8_t)(recipe->below(8) << 2);
    if (recipe->chance(50)) packed |= 0x01;
    if (recipe->chance(5)) packed |= (uint8_t)(bulk->next() & 0xE2);
    const uint32_t kind = recipe->below(10);
    const uint32_t delay = kind < 6 ? recipe->below(11) : kind < 9 ? recipe->below(201) : recipe->word();
    const uint8_t index = (uint8_t)(recipe->chance(40) ? recipe->byte() : recipe->below(tableSize));
    Bytes control = {packed, (uint8_t)delay, (uint8_t)(delay >> 8), index};
    std::vector<Bytes> blocks = {control};
    if (recipe->chance(8)) {
        blocks[0].resize(recipe->below(9), 0);
        if (recipe->chance(50)) blocks.push_back(randomBytes(bulk, 1 + bulk->below(8)));
        if (blocks[0].empty()) blocks.erase(blocks.begin());
    }
    putExtension(gif, 0xF9, blocks);
}

Bytes header(const char* identifier, const Bytes& authentication) {
    Bytes bytes(identifier, identifier + 8);
    bytes.insert(bytes.end(), authentication.begin(), authentication.end());
    return bytes;
}

void putApplicationBlock(Bytes* gif, Recipe* recipe, Bulk* bulk, bool netscape) {
    static const char* const identifiers[] = {"XMP Data", "ICCRGBG1", "ANIMEXTS", "NETSCAPE"};
    Bytes head = header(netscape ? "NETSCAPE" : identifiers[recipe->below(4)], {'2', '.', '0'});
    if (!netscape && recipe->chance(30)) head = randomBytes(bulk, 11);
    if (recipe->chance(10)) head.resize(recipe->below(21), ' ');
    std::vector<Bytes> blocks = {head};
    if (netscape) {
        const uint16_t loops = (uint16_t)(recipe->chance(50) ? recipe->below(4) : recipe->word());
        Bytes loop = {1, (uint8_t)loops, (uint8_t)(loops >> 8)};
        if (recipe->chance(15)) loop = randomBytes(bulk, recipe->below(7));
        if (!loop.empty()) blocks.push_back(loop);
    }
    std::vector<Bytes> more = randomSubBlocks(recipe, bulk, netscape ? 1 : 4);
    blocks.insert(blocks.end(), more.begin(), more.end());
    if (head.empty()) blocks.erase(blocks.begin());
    putExtension(gif, 0xFF, blocks);
}

// Extensions the player passes over: comments, plain text, unknown labels,
// empty ones. Their data holds the bytes that start blocks.
void putOtherExtension(Bytes* gif, Recipe* recipe, Bulk* bulk) {
    const uint32_t kind = recipe->below(4);
    std::vector<Bytes> blocks = randomSubBlocks(recipe, bulk, 3);
    for (Bytes& block : blocks) {
        if (recipe->chance(30)) block[bulk->below((uint32_t)block.size())] = (uint8_t) "\x21\x2C\x3B"[bulk->below(3)];
    }
    if (kind == 0) return putExtension(gif, 0xFE, blocks);
    if (kind == 1) return putPlainText(gif, "text");
    if (kind == 2) return putExtension(gif, (uint8_t)(0x02 + recipe->below(0xF7 - 0x02)), blocks);
    static const uint8_t labels[] = {0xF9, 0xFE, 0xFF, 0x01, 0xCE};
    putExtension(gif, labels[recipe->below(5)], {});
}

// A code stream written code by code with the decoder's entry rule in mind:
// roots, entries already made, the entry about to be made (KwKwK), clear
// codes anywhere, and now and then a code that names no entry or a string
// that runs past the raster's end. Stops at the raster's end.
Codes codeProgram(Recipe* recipe, Bulk* bulk, uint32_t m, uint64_t pixels) {
    const uint32_t clear = 1u << m, end = clear + 1;
    const uint32_t clears = recipe->chance(50) ? 0 : 1 + recipe->below(8);  // in a thousand codes
    const bool mayCross = recipe->chance(10);
    const uint32_t strays = recipe->chance(10) ? 1 + recipe->below(5) : 0;  // in a thousand codes
    std::vector<uint32_t> length(maxCode + 1, 1);
    Codes codes;
    if (!recipe->chance(10)) codes.push_back(clear);
    uint32_t next = end + 1, previous = 0;
    bool first = true;
    uint64_t written = 0;
    while (written < pixels && codes.size() < 3 * maxArea) {
        if (bulk->below(1000) < clears) {
            codes.push_back(clear);
            next = end + 1;
            first = true;
            continue;
        }
        uint32_t code = bulk->below(clear);
        uint32_t stringLength = 1;
        if (first && bulk->below(1000) < strays) {
            code = end + 1 + bulk->below(std::max(1u, 256 - std::min(256u, end + 1)));
        } else if (!first) {
            const uint32_t kind = bulk->below(100);
            if (bulk->below(1000) < strays && next + 1 <= maxCode) {
                code = next + 1 + bulk->below(maxCode - next);
            } else if (kind < 35 && next > end + 1) {
                code = end + 1 + bulk->below(next - end - 1);
                stringLength = length[code];
            } else if (kind < 50 && next <= maxCode) {
                code = next;
                stringLength = previous + 1;
            }
            if (written + stringLength > pixels && !mayCross) {
                code = bulk->below(clear);
                stringLength = 1;
            }
            if (next <= maxCode) length[next++] = previous + 1;
        }
        codes.push_back(code);
        written += stringLength;
        previous = stringLength;
        first = false;
    }
    codes.push_back(end);
    return codes;
}

// The codes behind an image's minimum code size.
Codes imageCodes(Recipe* recipe, Bulk* bulk, uint32_t m, const std::vector<uint8_t>& indices, uint64_t pixels) {
    const uint32_t kind = recipe->below(100);
    Codes codes;
    if (m > 11) {
        codes = {bulk->below(4096), bulk->below(4096)};
    } else if (kind < 30 || indices.empty() || (kind >= 70 && m > 8)) {
        codes = codeProgram(recipe, bulk, m, pixels);
    } else if (kind < 55) {
        codes = encodeIndices(m, indices, clearOften);
    } else if (kind < 70) {
        codes = encodeIndices(m, indices, clearNever);
    } else {
        codes = compressIndices(m, indices);
    }
    const uint32_t change = recipe->below(100);
    if (change >= 83 && change < 91) {
        // An early end code.
        codes.resize(1 + bulk->below((uint32_t)codes.size()));
        codes.push_back((1u << m) + 1);
    } else if (change >= 91 && change < 95) {
        codes.pop_back();  // no end code
    } else if (change >= 95) {
        // Codes for more pixels than the frame holds.
        codes.pop_back();
        for (uint32_t n = 1 + bulk->below(64); n > 0; --n) codes.push_back(bulk->below(1u << m));
        codes.push_back((1u << m) + 1);
    }
    return codes;
}

// The data sub-blocks: any split, now and then a terminator inside the data,
// sub-blocks behind the one that holds the end code, or no terminator.
void putData(Bytes* gif, Recipe* recipe, Bulk* bulk, uint32_t m, const Codes& codes) {
    gif->push_back((uint8_t)m);
    Bytes packed = packCodes(m, codes);
    std::vector<size_t> splits;
    if (recipe->chance(40)) {
        for (size_t n = 0; n < packed.size(); n += splits.back()) splits.push_back(1 + bulk->below(255));
    }
    const uint32_t kind = recipe->below(100);
    if (kind >= 91 && kind < 94 && packed.size() > 1) {
        const size_t cut = 1 + bulk->below((uint32_t)packed.size() - 1);
        putSubBlocks(gif, Bytes(packed.begin(), packed.begin() + cut), splits);
        packed.erase(packed.begin(), packed.begin() + cut);
    }
    if (kind >= 94 && kind < 97) {
        const size_t extra = 1 + bulk->below(600);
        for (size_t i = 0; i < extra; ++i) packed.push_back((uint8_t)bulk->next());
    }
    putSubBlocks(gif, packed, splits, kind < 97);
}

struct Screen {
    uint32_t width;
    uint32_t height;
    uint32_t globalSize;  // 0: none
};

void putImage(Bytes* gif, Recipe* recipe, Bulk* bulk, const Screen& screen) {
    const uint32_t place = recipe->below(100);
    uint32_t width = side(recipe), height = side(recipe), left = 0, top = 0;
    if (place < 20) {
        width = screen.width;
        height = screen.height;
    } else if (place < 60) {
        left = recipe->below(screen.width);
        top = recipe->below(screen.height);
        width = std::min(width, screen.width - left);
        height = std::min(height, screen.height - top);
    } else if (place < 95) {
        left = recipe->below(screen.width + 8);
        top = recipe->below(screen.height + 8);
    } else {
        left = recipe->word();
        top = recipe->word();
    }
    width = std::min(width, 65535u);
    capArea(&width, &height);
    const bool interlaced = recipe->chance(25);
    const int32_t localBits = recipe->chance(30) ? (int32_t)recipe->below(8) : -1;
    putImageDescriptor(gif, {(uint16_t)left, (uint16_t)top, (uint16_t)width, (uint16_t)height, interlaced, localBits});
    uint32_t tableSize = screen.globalSize ? screen.globalSize : 256;
    if (localBits >= 0) {
        Colours local = randomTable(recipe, bulk);
        putColourTable(gif, local, (uint32_t)localBits);
        tableSize = 2u << localBits;
    }
    const uint64_t pixels = (uint64_t)width * height;
    const bool outside = recipe->chance(10);
    std::vector<uint8_t> indices(pixels);
    const uint32_t run = 1 + recipe->below(16);
    for (size_t i = 0; i < indices.size(); ++i) {
        indices[i] = i % run && i > 0 ? indices[i - 1] : (uint8_t)bulk->below(outside ? 256 : tableSize);
    }
    uint32_t m = minCodeSizeFor(indices);
    const uint32_t codeSize = recipe->below(100);
    if (codeSize >= 88 && codeSize < 95) m = 2 + recipe->below(7);
    if (codeSize >= 95) m = "\x00\x01\x09\x0a\x0b\x0c"[recipe->below(6)];
    for (uint8_t& index : indices) index = m < 8 ? index & ((1u << m) - 1) : index;
    if (interlaced && !indices.empty()) indices = interlaceRows(indices, width, height);
    putData(gif, recipe, bulk, m, imageCodes(recipe, bulk, m, indices, pixels));
}

Screen putScreenAndTable(Bytes* gif, Recipe* recipe, Bulk* bulk) {
    static const char* const signatures[] = {"GIF89a", "GIF87a", "GIF88a"};
    const uint32_t kind = recipe->below(100);
    putHeader(gif, signatures[kind < 90 ? 0 : kind < 98 ? 1 : 2]);
    Screen screen = {side(recipe), side(recipe), 0};
    capArea(&screen.width, &screen.height);
    if (recipe->chance(1)) screen.width = screen.height = 65535;
    const bool global = !recipe->chance(30);
    const Colours table = global ? randomTable(recipe, bulk) : Colours();
    const uint32_t bits = global ? tableSizeBits((uint32_t)table.size()) : 0;
    putScreen(gif, (uint16_t)screen.width, (uint16_t)screen.height, global ? colourTableFlags(bits) : 0,
              (uint8_t)recipe->byte());
    if (global) putColourTable(gif, table, bits);
    screen.globalSize = global ? 2u << bits : 0;
    return screen;
}

}  // namespace

Bytes generateGif(const uint8_t* data, size_t size) {
    Recipe recipe = {data, size, 0};
    Bulk bulk = {recipe.word() * 2654435761u + 1};
    Bytes gif;
    const Screen screen = putScreenAndTable(&gif, &recipe, &bulk);
    const uint32_t tableSize = screen.globalSize ? screen.globalSize : 256;
    Bytes lastImage;
    for (size_t block = 0; block < maxBlocks && !recipe.done() && gif.size() < maxOutput; ++block) {
        const uint32_t kind = recipe.below(100);
        if (kind >= 44 && kind < 50 && !lastImage.empty()) {
            gif.insert(gif.end(), lastImage.begin(), lastImage.end());  // the same image again
        } else if (kind < 50) {
            const size_t start = gif.size();
            putImage(&gif, &recipe, &bulk, screen);
            lastImage.assign(gif.begin() + (long)start, gif.end());
        } else if (kind < 75) {
            putControl(&gif, &recipe, &bulk, tableSize);
        } else if (kind < 80) {
            putApplicationBlock(&gif, &recipe, &bulk, true);
        } else if (kind < 84) {
            putApplicationBlock(&gif, &recipe, &bulk, false);
        } else if (kind < 98) {
            putOtherExtension(&gif, &recipe, &bulk);
        } else {
            Bytes junk = randomBytes(&bulk, 1 + recipe.below(8));
            gif.insert(gif.end(), junk.begin(), junk.end());
        }
    }
    if (!recipe.chance(10)) putTrailer(&gif);
    if (recipe.chance(5)) {
        Bytes behind = randomBytes(&bulk, 1 + recipe.below(16));
        gif.insert(gif.end(), behind.begin(), behind.end());
    }
    if (recipe.chance(8)) gif.resize(13 + recipe.below((uint32_t)std::max<size_t>(gif.size(), 14) - 13));
    return gif;
}
