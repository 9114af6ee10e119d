// stb_image's GIF loader, built into the benchmark (it is one header).
// Third-party code: compiled without the project's warning flags.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_GIF
#define STBI_NO_STDIO
#include <stb/stb_image.h>

#include "bench/peer_decoders.h"

int loadWithStb(const uint8_t* data, size_t size, StbFrames* out) {
    *out = StbFrames{0, 0, 0, nullptr, nullptr};
    int channels = 0;
    out->pixels = stbi_load_gif_from_memory(data, (int)size, &out->delays, &out->width, &out->height, &out->count,
                                            &channels, 4);
    return out->pixels != nullptr;
}

void releaseStbFrames(StbFrames* frames) {
    stbi_image_free(frames->pixels);
    STBI_FREE(frames->delays);
    *frames = StbFrames{0, 0, 0, nullptr, nullptr};
}
