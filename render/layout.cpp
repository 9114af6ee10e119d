// View geometry: the picture centred in the client area, the margins around
// it, and the zoom table.
#include "render/layout.h"

#include "gif/gif.h"

namespace {

ViewRect rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return {left, top, right, bottom};
}

// Half the free space, signed, truncating toward zero: a picture wider than
// the client by an odd amount overhangs by one pixel more on the right (or
// bottom). The difference wraps like the 32-bit target's signed arithmetic.
int32_t centredOrigin(uint32_t client, uint32_t picture) {
    return (int32_t)(client - picture) / 2;
}

}  // namespace

void layoutView(ViewState* view, uint32_t clientWidth, uint32_t clientHeight) {
    const uint32_t w = view->scaledWidth;
    const uint32_t h = view->scaledHeight;
    const int32_t right = (int32_t)clientWidth;
    const int32_t bottom = (int32_t)clientHeight;
    view->originX = centredOrigin(clientWidth, w);
    view->originY = centredOrigin(clientHeight, h);

    // Top and bottom bands span the whole width; left and right only the
    // rows between them. On an axis where the picture overhangs, both bands
    // of that axis come out empty.
    int32_t t = view->originY > 0 ? view->originY : 0;
    int32_t b = clientHeight > h ? t + (int32_t)h : bottom;
    int32_t l = view->originX > 0 ? view->originX : 0;
    int32_t r = clientWidth > w ? l + (int32_t)w : right;
    view->topMargin = rect(0, 0, right, t);
    view->bottomMargin = rect(0, b, right, bottom);
    view->leftMargin = rect(0, t, l, b);
    view->rightMargin = rect(r, t, right, b);
}

uint32_t zoomedSide(uint32_t side, uint32_t zoomIndex) {
    // clang-format off
    switch (zoomIndex) {
        case 0:  return side << 2;              // 400%
        case 1:  return side << 1;              // 200%
        case 2:  return side + (side >> 1);     // 150%
        case 3:  return side + (side >> 2);     // 125%
        case 5:  return side - (side >> 2);     // 75%: 5 gives 4, not 3
        case 6:  return side >> 1;              // 50%
        case 7:  return side >> 2;              // 25%
        default: return side;                   // 100%
    }
    // clang-format on
}

int stepZoomIndex(uint32_t* zoomIndex, int32_t step) {
    if (step == 0) {
        *zoomIndex = zoomNormal;
        return 0;  // the load that resets the zoom lays the view out itself
    }
    if (step < 0) {
        if (*zoomIndex == 0) return 0;
        *zoomIndex -= 1;
        return 1;
    }
    if (*zoomIndex >= zoomLevels - 1) return 0;
    *zoomIndex += 1;
    return 1;
}

void applyZoom(ViewState* view, uint32_t zoomIndex) {
    view->scaledWidth = zoomedSide(view->animation->width, zoomIndex);
    view->scaledHeight = zoomedSide(view->animation->height, zoomIndex);
}

int marginsToFill(const ViewState* view, ViewRect out[4]) {
    int count = 0;
    // A one-pixel free strip has origin 0 and stays unpainted, as does every
    // band of an axis where the picture overhangs.
    if (view->originX > 0) {
        out[count++] = view->leftMargin;
        out[count++] = view->rightMargin;
    }
    if (view->originY > 0) {
        out[count++] = view->topMargin;
        out[count++] = view->bottomMargin;
    }
    return count;
}

int relayoutFillsMarginsOnly(const ViewState* view) {
    // A worker showing frames of 50 ms or less redraws the picture at its new
    // place soon enough; a full repaint would only flicker against it.
    return view->animation->frameCount != 1 && view->playing != 0 && view->currentDelayMs <= 50;
}

MenuAnchor menuAnchor(int32_t position, const ViewRect* ownerWindowRect) {
    if (position < 0) {
        const ViewRect* r = ownerWindowRect;
        return MenuAnchor{r->left + (r->right - r->left) / 2, r->top + (r->bottom - r->top) / 2, 1};
    }
    uint32_t packed = (uint32_t)position;
    return MenuAnchor{(int32_t)(packed & 0xFFFF), (int32_t)(packed >> 16), 0};
}
