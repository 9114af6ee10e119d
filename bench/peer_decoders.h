// The decoders Morvix is measured against, each doing the same job: every
// frame of a GIF in memory composed into a full-canvas 32-bit picture.
#pragma once

#include <stddef.h>
#include <stdint.h>

// giflib's DGifSlurp, then a plain compositor: each frame composed into a
// fresh 32-bit buffer of its own, with disposal 2 and 3 and transparency.
struct GiflibFrames {
    uint32_t width;
    uint32_t height;
    uint32_t count;
    uint32_t** frames;
};

// Returns 1 when the file was decoded and composed.
int loadWithGiflib(const uint8_t* data, size_t size, uint32_t background, GiflibFrames* out);
void releaseGiflibFrames(GiflibFrames* frames);

// stb_image's stbi_load_gif_from_memory: one block of count RGBA pictures.
struct StbFrames {
    int width;
    int height;
    int count;
    unsigned char* pixels;
    int* delays;
};

int loadWithStb(const uint8_t* data, size_t size, StbFrames* out);
void releaseStbFrames(StbFrames* frames);
