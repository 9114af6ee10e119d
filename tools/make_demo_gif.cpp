// make-demo-gif: writes the demo animation that the run command plays.
//
//   make-demo-gif OUT.gif
//
// The file is made here, with the project's GIF writer, so that the demo shows
// exactly the features a player has to get right and nothing is downloaded:
//   frame 0      the whole scene, interlaced, kept (disposal 1);
//   frames 1-8   a ball bouncing over the scene: small transparent frames
//                with disposal 3, so the scene comes back behind the ball;
//   frames 9-15  a turning propeller in the dark panel: transparent frames
//                with a local palette and disposal 2, so each position is
//                cleared to the background before the next one is drawn.
// It loops forever (NETSCAPE loop count 0).
//
// Exit status: 0 written, 1 the file could not be written, 2 usage error.
#include <math.h>
#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "tools/gif_writer.h"

namespace {

const uint32_t canvasWidth = 160;
const uint32_t canvasHeight = 120;

// Global palette indices (32 entries, 5 bits).
enum : uint8_t {
    panel = 0,      // also the screen's background colour: what disposal 2 reveals
    skyTop = 1,     // 1..8: sky from top to horizon
    grass = 9,      // 9..11: ground stripes
    sun = 12,
    sunRim = 13,
    ballRed = 14,
    ballLight = 15,
    ballDark = 16,
    panelRim = 17,
    clear = 31,     // never shown: the ball frames' transparent index
};

const uint8_t globalPalette[32][3] = {
    {0x1c, 0x24, 0x3a}, {0x2a, 0x5d, 0xb0}, {0x35, 0x6b, 0xbc}, {0x41, 0x79, 0xc6},
    {0x4e, 0x88, 0xcf}, {0x5c, 0x97, 0xd8}, {0x6c, 0xa6, 0xdf}, {0x7e, 0xb5, 0xe6},
    {0x92, 0xc4, 0xec}, {0x3f, 0x8f, 0x3a}, {0x4d, 0xa0, 0x45}, {0x36, 0x7a, 0x31},
    {0xff, 0xd8, 0x4a}, {0xf5, 0xa6, 0x23}, {0xd8, 0x2b, 0x2b}, {0xff, 0xb0, 0xa8},
    {0x8a, 0x14, 0x14}, {0x8d, 0x96, 0xab}, {0, 0, 0},          {0, 0, 0},
    {0, 0, 0},          {0, 0, 0},          {0, 0, 0},          {0, 0, 0},
    {0, 0, 0},          {0, 0, 0},          {0, 0, 0},          {0, 0, 0},
    {0, 0, 0},          {0, 0, 0},          {0, 0, 0},          {0xff, 0x00, 0xff},
};

// The propeller frames' local palette (4 entries, 2 bits); entry 0 is their
// transparent index.
const uint8_t propellerPalette[4][3] = {{0, 0, 0}, {0xff, 0xd8, 0x4a}, {0xf5, 0x6a, 0x23}, {0xff, 0xff, 0xff}};

// Where the panel sits in the scene; the propeller frames cover exactly it.
const uint32_t panelLeft = 112, panelTop = 20, panelSize = 40;

struct Picture {
    uint32_t width;
    uint32_t height;
    std::vector<uint8_t> index;  // row by row
};

struct Frame {
    uint32_t left;
    uint32_t top;
    Picture picture;
    uint32_t delayCs;
    uint32_t disposal;
    int32_t transparentIndex;  // -1: none
    bool interlaced;
    bool localPalette;         // the propeller palette instead of the global one
};

Picture makePicture(uint32_t width, uint32_t height, uint8_t fill) {
    Picture p = {width, height, std::vector<uint8_t>((size_t)width * height, fill)};
    return p;
}

void fillRect(Picture* p, int32_t left, int32_t top, int32_t width, int32_t height, uint8_t colour) {
    for (int32_t y = top; y < top + height; ++y)
        for (int32_t x = left; x < left + width; ++x)
            if (x >= 0 && y >= 0 && x < (int32_t)p->width && y < (int32_t)p->height)
                p->index[(size_t)y * p->width + x] = colour;
}

// Pixel centres within radius r of (cx, cy).
void fillDisc(Picture* p, double cx, double cy, double r, uint8_t colour) {
    for (uint32_t y = 0; y < p->height; ++y)
        for (uint32_t x = 0; x < p->width; ++x) {
            double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            if (dx * dx + dy * dy <= r * r) p->index[(size_t)y * p->width + x] = colour;
        }
}

// A filled triangle: pixel centres on the inner side of all three edges.
void fillTriangle(Picture* p, const double (&vx)[3], const double (&vy)[3], uint8_t colour) {
    for (uint32_t y = 0; y < p->height; ++y)
        for (uint32_t x = 0; x < p->width; ++x) {
            double px = x + 0.5, py = y + 0.5;
            int positive = 0, negative = 0;
            for (int e = 0; e < 3; ++e) {
                int n = (e + 1) % 3;
                double side = (vx[n] - vx[e]) * (py - vy[e]) - (vy[n] - vy[e]) * (px - vx[e]);
                positive += side >= 0;
                negative += side <= 0;
            }
            if (positive == 3 || negative == 3) p->index[(size_t)y * p->width + x] = colour;
        }
}

Frame sceneFrame() {
    Picture scene = makePicture(canvasWidth, canvasHeight, skyTop);
    for (uint32_t band = 0; band < 8; ++band) fillRect(&scene, 0, band * 12, canvasWidth, 12, skyTop + band);
    for (uint32_t stripe = 0; stripe < 4; ++stripe)
        fillRect(&scene, 0, 96 + stripe * 6, canvasWidth, 6, stripe % 2 ? grass + 1 : grass);
    fillRect(&scene, 0, 96, canvasWidth, 1, grass + 2);
    fillDisc(&scene, 28, 24, 13, sunRim);
    fillDisc(&scene, 28, 24, 11, sun);
    fillRect(&scene, panelLeft - 2, panelTop - 2, panelSize + 4, panelSize + 4, panelRim);
    fillRect(&scene, panelLeft, panelTop, panelSize, panelSize, panel);
    return Frame{0, 0, scene, 30, 1, -1, true, false};
}

// Frame i of 8: one hop from left to right, landing on the grass line.
Frame ballFrame(uint32_t i) {
    const uint32_t size = 18;
    double t = i / 7.0;
    int32_t left = 8 + (int32_t)lround(t * 80);
    int32_t top = 96 - (int32_t)size - (int32_t)lround(56 * 4 * t * (1 - t));
    Picture ball = makePicture(size, size, clear);
    fillDisc(&ball, 9, 9, 8.6, ballDark);
    fillDisc(&ball, 8.4, 8.4, 7.6, ballRed);
    fillDisc(&ball, 6, 6, 2.6, ballLight);
    return Frame{(uint32_t)left, (uint32_t)top, ball, 6, 3, clear, false, false};
}

// Frame i of 7: three blades turned by i sevenths of a third of a turn.
Frame propellerFrame(uint32_t i) {
    Picture blades = makePicture(panelSize, panelSize, 0);
    const double pi = 3.14159265358979323846;
    const double c = panelSize / 2.0;
    for (int blade = 0; blade < 3; ++blade) {
        double a = (i / 7.0 + blade) * 2 * pi / 3;
        double vx[3] = {c, c + 17 * cos(a - 0.28), c + 17 * cos(a + 0.28)};
        double vy[3] = {c, c + 17 * sin(a - 0.28), c + 17 * sin(a + 0.28)};
        fillTriangle(&blades, vx, vy, blade == 0 ? 2 : 1);
    }
    fillDisc(&blades, c, c, 3.2, 3);
    return Frame{panelLeft, panelTop, blades, 10, 2, 0, false, true};
}

Colours coloursOf(const uint8_t (*rgb)[3], size_t count) {
    Colours colours;
    for (size_t k = 0; k < count; ++k) colours.push_back((uint32_t)rgb[k][0] << 16 | rgb[k][1] << 8 | rgb[k][2]);
    return colours;
}

void putDemoFrame(Bytes* out, const Frame& f) {
    FrameRecipe frame = frameAt((uint16_t)f.left, (uint16_t)f.top, (uint16_t)f.picture.width,
                                (uint16_t)f.picture.height, f.picture.index);
    frame.hasControl = true;
    frame.control = {f.disposal, (uint16_t)f.delayCs, f.transparentIndex};
    if (f.localPalette) frame.localColours = coloursOf(propellerPalette, 4);
    frame.interlaced = f.interlaced;
    frame.clearMode = compressed;  // as a real encoder writes it, and small
    putFrame(out, frame);
}

std::vector<Frame> demoFrames() {
    std::vector<Frame> frames;
    frames.push_back(sceneFrame());
    for (uint32_t i = 0; i < 8; ++i) frames.push_back(ballFrame(i));
    for (uint32_t i = 0; i < 7; ++i) frames.push_back(propellerFrame(i));
    return frames;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make-demo-gif OUT.gif\n");
        return 2;
    }
    Bytes out;
    beginGif(&out, canvasWidth, canvasHeight, coloursOf(globalPalette, 32), panel);
    putNetscapeLoop(&out, 0);  // 0: loop forever
    putComment(&out, {"Morvix demo: interlacing, transparency, disposal 2 and 3, looping"});
    for (const Frame& f : demoFrames()) putDemoFrame(&out, f);
    putTrailer(&out);

    FILE* file = fopen(argv[1], "wb");
    if (!file) {
        fprintf(stderr, "make-demo-gif: cannot write %s\n", argv[1]);
        return 1;
    }
    size_t written = fwrite(out.data(), 1, out.size(), file);
    if (fclose(file) != 0 || written != out.size()) {
        fprintf(stderr, "make-demo-gif: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
