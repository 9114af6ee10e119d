// make-e2e-gifs: writes the end-to-end tests' GIF files.
//
//   make-e2e-gifs OUTDIR                   the whole set, by the names below
//   make-e2e-gifs --stress FILE W H        the thread stress test's animation
//   make-e2e-gifs --recording FILE FRAMES  a long 1080p screen recording
//   make-e2e-gifs --walk OUTDIR            the random walk's extra files
//
// Each file is a recipe: a canvas, a palette and frames made of filled
// rectangles, so a reviewer can see what the player must show. The LZW data
// is literal codes with a clear code before the table would grow past 9-bit
// codes, which every decoder reads like any other GIF.
//
// Exit status: 0 written, 1 a file could not be written, 2 usage error.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/gif_writer.h"

namespace {

// Palette entries the tests name by index.
enum : uint8_t { red, green, blue, yellow, cyan, magenta, white, black };
const Colours palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF,
                         0xFFFFFF, 0x000000, 0x010203, 0xFE0180, 0x0AC85A, 0xFA8214};

struct Rect {
    uint16_t x, y, width, height;
    uint8_t index;
};

// Fields left out take the canvas size, colour 0, 100 ms, disposal 0 and no
// transparent colour.
struct Recipe {
    uint16_t left, top, width, height;
    uint8_t fill;
    std::vector<Rect> rects;
    uint16_t delayCs = 10;
    uint32_t disposal;
    int32_t transparent = -1;
};

std::vector<uint8_t> framePixels(const Recipe& f) {
    std::vector<uint8_t> pixels((size_t)f.width * f.height, f.fill);
    for (const Rect& r : f.rects) {
        for (uint32_t row = r.y; row < (uint32_t)r.y + r.height && row < f.height; ++row) {
            for (uint32_t col = r.x; col < (uint32_t)r.x + r.width && col < f.width; ++col) {
                pixels[(size_t)row * f.width + col] = r.index;
            }
        }
    }
    return pixels;
}

// Every frame has a graphic control and uses the 256-entry global table;
// code size 8 keeps every code at 9 bits behind encodeIndices' clears.
void putRecipeFrame(Bytes* gif, Recipe f, uint16_t canvasWidth, uint16_t canvasHeight) {
    if (f.width == 0) f.width = canvasWidth;
    if (f.height == 0) f.height = canvasHeight;
    putGraphicControl(gif, {f.disposal, f.delayCs, f.transparent});
    putImageDescriptor(gif, {f.left, f.top, f.width, f.height, false, -1});
    putImageData(gif, 8, encodeIndices(8, framePixels(f)));
}

// Header, screen and table, the loop extension when loops >= 0, the frames;
// the caller adds anything else and the trailer.
Bytes startGif(uint16_t width, uint16_t height, const std::vector<Recipe>& frames, int32_t loops = -1) {
    Bytes gif;
    putHeader(&gif);
    putScreen(&gif, width, height, 0xF7);  // global table of 256, 8-bit colour resolution
    putColourTable(&gif, palette, 7);
    if (loops >= 0) putNetscapeLoop(&gif, (uint16_t)loops);
    for (const Recipe& f : frames) putRecipeFrame(&gif, f, width, height);
    return gif;
}

Bytes gif(uint16_t width, uint16_t height, const std::vector<Recipe>& frames, int32_t loops = -1) {
    Bytes out = startGif(width, height, frames, loops);
    putTrailer(&out);
    return out;
}

std::vector<Recipe> solidFrames(const std::vector<uint8_t>& colours, uint16_t delayCs) {
    std::vector<Recipe> frames;
    for (uint8_t c : colours) frames.push_back({0, 0, 0, 0, c, {}, delayCs});
    return frames;
}

// A comment of about bytes bytes, in sub-blocks of 255.
std::vector<std::string> bigComment(size_t bytes) {
    return std::vector<std::string>(bytes / 256, std::string(255, 'c'));
}

struct NamedFile {
    const char* name;
    Bytes bytes;
};

std::vector<NamedFile> recipes() {
    std::vector<NamedFile> files;
    files.push_back({"a.gif", gif(40, 30, solidFrames({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 100))});  // 12 s, forever
    files.push_back({"b.gif", gif(30, 20, solidFrames({green, blue, red}, 100))});
    files.push_back({"one.gif", gif(40, 30, solidFrames({red}, 0))});
    // Header, screen, palette and a comment, but no image: loaded, 0 frames.
    Bytes zero = startGif(40, 30, {});
    putComment(&zero, {"hello"});
    putTrailer(&zero);
    files.push_back({"zero.gif", zero});
    const char text[] = "this is text, not a GIF\n";
    files.push_back({"notgif.gif", Bytes(text, text + strlen(text))});
    files.push_back({"wrongext.png", gif(40, 30, solidFrames({red}, 10))});
    // Three frames of 400 ms, two passes: the run takes 2.4 s at normal speed.
    files.push_back({"loop2.gif", gif(20, 20, solidFrames({red, green, blue}, 40), 2)});
    // Four frames of 300 ms, forever: pausing names a frame by its colour.
    files.push_back({"four.gif", gif(20, 20, solidFrames({red, green, blue, yellow}, 30))});
    // Compositing on screen: transparency over the frame before, disposal 2
    // (restore to the window's background), disposal 3 (restore previous),
    // odd colours that show any rounding.
    files.push_back({"layers.gif", gif(41, 31,
                                       {
                                           {0, 0, 0, 0, 8, {{5, 5, 20, 10, 9}, {0, 0, 1, 1, white}}, 100},
                                           {10, 8, 12, 9, 10, {{2, 2, 4, 4, yellow}}, 100, 2, 10},
                                           {20, 15, 15, 10, cyan, {}, 100, 3},
                                           {0, 20, 8, 8, 11, {}, 100},
                                       })});
    // A 65535 x 65535 canvas: 16 GiB per composed frame, more than the
    // player may ever hold; the load fails into the empty player.
    files.push_back({"huge.gif", gif(65535, 65535, {{0, 0, 2, 2, red}})});
    // Thousands of tiny frames, delays of 10 ms raised to 100 ms.
    std::vector<Recipe> many;
    for (uint32_t i = 0; i < 3000; ++i) many.push_back({0, 0, 2, 2, (uint8_t)(i % 8), {}, 1});
    files.push_back({"many.gif", gif(4, 4, many)});
    // Over 5,000,000 bytes: the first frame is shown before the rest is read.
    Bytes large = startGif(20, 20, {{0, 0, 0, 0, red, {}, 50}});
    putComment(&large, bigComment(5100000));
    putRecipeFrame(&large, {0, 0, 20, 20, green, {}, 50}, 20, 20);
    putTrailer(&large);
    files.push_back({"large.gif", large});
    return files;
}

// 120 frames of 10 ms: 1200 ms in all, so normalisation keeps the delays.
Bytes stressAnimation(uint16_t width, uint16_t height) {
    std::vector<Recipe> frames;
    for (uint32_t i = 0; i < 120; ++i) frames.push_back({0, 0, 0, 0, (uint8_t)(i % 12), {}, 1});
    return gif(width, height, frames);
}

// The kind of GIF a screen recorder makes: 1920 x 1080, every frame
// full-screen, a white bar 40 pixels wide moving from the left edge to the
// right one over black, a 4-colour table, 40 ms a frame, disposal 1, looping
// forever. Compressed as recorders do, so that 300 frames (2.4 GiB composed)
// stay near 1 MB, below the size at which the player previews early.
Bytes screenRecording(uint32_t count) {
    const uint16_t width = 1920, height = 1080, bar = 40;
    const uint32_t minCodeSize = 2;
    Bytes bytes;
    beginGif(&bytes, width, height, {0x000000, 0xFFFFFF, 0x808080, 0xFF0000});
    putNetscapeLoop(&bytes, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t left = count > 1 ? i * (width - bar) / (count - 1) : 0;
        std::vector<uint8_t> row(width, 0), indices;
        std::fill(row.begin() + left, row.begin() + left + bar, 1);
        indices.reserve((size_t)width * height);
        for (uint32_t y = 0; y < height; ++y) indices.insert(indices.end(), row.begin(), row.end());
        putGraphicControl(&bytes, {1, 4, -1});
        putImageDescriptor(&bytes, {0, 0, width, height, false, -1});
        putImageData(&bytes, minCodeSize, compressIndices(minCodeSize, indices));
    }
    putTrailer(&bytes);
    return bytes;
}

int writeFile(const std::string& path, const Bytes& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return 0;
    size_t written = fwrite(bytes.data(), 1, bytes.size(), file);
    return fclose(file) == 0 && written == bytes.size();
}

// The random walk's files beside the set above: a damaged file that still
// shows its first frames, one whose images sit behind plain text, one that
// plays a single pass and stops by itself, and one whose frames pass the
// picture limit so that the load is cut ("N frames, 10000 in file").
std::vector<NamedFile> walkRecipes() {
    std::vector<NamedFile> files;
    // Four frames, cut in the middle of the third one's data: 3 frames.
    Bytes cut = startGif(24, 16, solidFrames({red, green, blue, yellow}, 20));
    const size_t frameBytes = (cut.size() - 13 - 768 - 1) / 4;
    cut.resize(13 + 768 + 2 * frameBytes + frameBytes / 2);
    files.push_back({"truncated.gif", cut});
    Bytes text = startGif(24, 16, solidFrames({cyan}, 30));
    putPlainText(&text, "walk");
    putRecipeFrame(&text, {0, 0, 0, 0, magenta, {}, 30}, 24, 16);
    putTrailer(&text);
    files.push_back({"plaintext.gif", text});
    files.push_back({"once.gif", gif(16, 16, solidFrames({red, blue, green}, 20), 1)});
    std::vector<Recipe> many;
    for (uint32_t i = 0; i < 10000; ++i) many.push_back({0, 0, 1, 1, (uint8_t)(i % 2 ? red : blue), {}, 2});
    files.push_back({"cut.gif", gif(1, 1, many)});
    return files;
}

int writeSet(const char* dir, const std::vector<NamedFile>& files) {
    mkdir(dir, 0777);  // an existing directory is fine
    for (const NamedFile& file : files) {
        std::string path = std::string(dir) + "/" + file.name;
        if (!writeFile(path, file.bytes)) {
            fprintf(stderr, "make-e2e-gifs: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}


}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && strcmp(argv[1], "--stress") == 0) {
        if (writeFile(argv[2], stressAnimation((uint16_t)atoi(argv[3]), (uint16_t)atoi(argv[4])))) return 0;
        fprintf(stderr, "make-e2e-gifs: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 4 && strcmp(argv[1], "--recording") == 0) {
        const long count = atol(argv[3]);
        if (count < 1 || count > 100000) {
            fprintf(stderr, "make-e2e-gifs: FRAMES is 1 to 100000\n");
            return 2;
        }
        if (writeFile(argv[2], screenRecording((uint32_t)count))) return 0;
        fprintf(stderr, "make-e2e-gifs: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 3 && strcmp(argv[1], "--walk") == 0) return writeSet(argv[2], walkRecipes());
    if (argc != 2) {
        fprintf(stderr,
                "usage: make-e2e-gifs OUTDIR | make-e2e-gifs --stress FILE WIDTH HEIGHT | "
                "make-e2e-gifs --recording FILE FRAMES | make-e2e-gifs --walk OUTDIR\n");
        return 2;
    }
    return writeSet(argv[1], recipes());
}
