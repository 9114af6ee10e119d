// Every draw to the main window: the shown frame and the margin fill, which
// the playback worker uses as well; WM_PAINT, the relayout after a size or
// zoom change, zoom steps and the first frame shown while a large file is
// still loading.
#pragma once

#include <windows.h>

#include "render/view.h"

struct Animation;

// Stretches the frame now in frameDc into the picture rectangle of
// windowDc. Callers hold paintLock or know that no worker runs.
void drawShownFrame(ViewState* view);

// Fills the four margins of the last layout with backgroundBrush, straight
// into windowDc. Callers hold paintLock or know that no worker runs.
void fillMargins(ViewState* view);

// WM_PAINT: the margins and the frame now in frameDc, scaled into the
// picture rectangle, under paintLock.
void paintView(ViewState* view, HWND window);

// Lays the picture out for a client area of width x height and brings the
// screen up to date: margins only while a fast animation plays (the worker
// redraws the picture within 50 ms), otherwise a full repaint before return.
void relayoutView(ViewState* view, uint32_t width, uint32_t height);

// Moves *zoomIndex by step (-1 in, +1 out, 0 reset to 100%), resizes the
// picture, and repaints when the index moved.
void zoomView(ViewState* view, uint32_t* zoomIndex, int32_t step);

// Shows frame 0's own raster at 100% with the title "Processing data..."
// while the rest of a large file decodes.
void previewFirstFrame(ViewState* view, Animation* animation);

// Turns a WM_RBUTTONDOWN lParam of owner, or a negative position (centre
// on owner's window rectangle), into the screen point for TrackPopupMenuEx,
// and returns its alignment flags. Used by the player's context menu and
// the About text's menu.
UINT popupMenuPoint(HWND owner, LPARAM position, POINT* point);
