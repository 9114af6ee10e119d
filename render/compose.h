// Frame compositing: every frame's own raster becomes a full-canvas picture
// with the disposal methods and transparency of the frames before it applied.
#pragma once

#include <stdint.h>

struct Animation;

// Replaces each frames[i].bitmap by a width x height picture of the canvas
// as it looks while frame i is on screen. background is a pixel value
// (0x00RRGGBB) shown wherever no frame has drawn and in disposed areas. A
// frame that changes no pixel of the picture before it gets that same
// raster: frames i and i - 1 may share one, and whoever releases frames
// releases such a raster once.
//
// The only canvas-sized rasters made are the pictures. When one cannot be
// made (the budget, the picture limit or the system refuses it), the last
// frames not yet composed give way one by one and it is tried again; when
// no frame is left behind it, the frames composed so far are kept and
// frameCount is cut to them. Returns 0 when not even the first picture
// could be made (the caller then treats the load as failed), 1 otherwise,
// also for 0 frames, which need no picture at all.
int composeFrames(Animation* animation, uint32_t background);

// Pixel operations used by compositing, exposed for tests.
void fillPixels(uint32_t* canvas, uint32_t canvasWidth, uint32_t canvasHeight, uint32_t left, uint32_t top,
                uint32_t width, uint32_t height, uint32_t colour);
void drawFramePixels(uint32_t* canvas, uint32_t canvasWidth, uint32_t canvasHeight, const uint32_t* frame,
                     uint32_t left, uint32_t top, uint32_t width, uint32_t height, uint32_t transparencyKey);
