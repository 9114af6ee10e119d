// Turns any bytes into a GIF, for the differential target: the bytes are a
// recipe of choices (screen, tables, the blocks in order, and for each image
// its place, size, table, code size and code stream), and a generator
// seeded from the recipe fills in the bulk (pixels, colours, sub-block
// splits). A small recipe so reaches shapes that raw byte mutation seldom
// builds: long code streams that fill the dictionary, clear codes anywhere,
// strings up to the raster's end, controls and application blocks of any
// size and number, cut files. Every file is written with the project's GIF
// writer; the sizes are capped so that a run stays fast.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "tools/gif_writer.h"

Bytes generateGif(const uint8_t* recipe, size_t size);
