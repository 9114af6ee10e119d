// View geometry: where the scaled picture goes in the client area, the four
// margins around it, the zoom table, and where a popup menu opens. Pure
// arithmetic; drawing is done by the platform half (paint_win.cpp).
#pragma once

#include <stdint.h>

#include "render/view.h"

enum { zoomLevels = 8, zoomNormal = 4 };

// Places the picture (scaledWidth x scaledHeight) centred in a client area
// of clientWidth x clientHeight: originX/originY with signed division
// truncating toward zero, and the four margins.
void layoutView(ViewState* view, uint32_t clientWidth, uint32_t clientHeight);

// The side s scaled at zoom level index (0 = 400% ... 7 = 25%), unsigned
// arithmetic with logical shifts.
uint32_t zoomedSide(uint32_t side, uint32_t zoomIndex);

// Moves *zoomIndex by step (-1 in, +1 out, 0 reset to 100%). Returns 1 when
// the picture must be repainted (the index moved), else 0.
int stepZoomIndex(uint32_t* zoomIndex, int32_t step);

// scaledWidth/scaledHeight from the animation's canvas at zoomIndex.
void applyZoom(ViewState* view, uint32_t zoomIndex);

// The margins that a margin fill paints, in paint order; returns how many
// (0, 2 or 4). Left and right only when originX > 0, top and bottom only
// when originY > 0.
int marginsToFill(const ViewState* view, ViewRect out[4]);

// After a size or zoom change: 1 when only the margins need refilling
// because a running worker redraws the picture within 50 ms; 0 when the
// whole client area must be repainted now.
int relayoutFillsMarginsOnly(const ViewState* view);

// Where a popup menu opens. position is a WM_RBUTTONDOWN lParam (client
// x in the low 16 bits, y in the high 16 bits) or, when negative, a request
// to centre the menu on the owner's window rectangle.
struct MenuAnchor {
    int32_t x;  // client coordinates unless centred, then screen coordinates
    int32_t y;
    uint32_t centred;  // 1: align the menu's centre on (x, y); 0: its top-left corner
};

MenuAnchor menuAnchor(int32_t position, const ViewRect* ownerWindowRect);
