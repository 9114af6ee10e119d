#include "render/paint_win.h"

#include "gif/gif.h"
#include "render/layout.h"

namespace {

RECT asRect(const ViewRect& band) { return RECT{band.left, band.top, band.right, band.bottom}; }

void fillBand(ViewState* view, const ViewRect& band) {
    RECT rect = asRect(band);
    FillRect(static_cast<HDC>(view->windowDc), &rect, static_cast<HBRUSH>(view->backgroundBrush));
}

}  // namespace

int32_t exchange32(volatile int32_t* target, int32_t value) {
    static_assert(sizeof(LONG) == sizeof(int32_t), "interlocked words are 32-bit");
    return InterlockedExchange(reinterpret_cast<volatile LONG*>(target), value);
}

void yieldProcessor() {
    SwitchToThread();
}

void drawShownFrame(ViewState* view) {
    // windowDc keeps the HALFTONE mode set at window creation.
    StretchBlt(static_cast<HDC>(view->windowDc), view->originX, view->originY, (int)view->scaledWidth,
               (int)view->scaledHeight, static_cast<HDC>(view->frameDc), 0, 0, (int)view->animation->width,
               (int)view->animation->height, SRCCOPY);
}

void fillMargins(ViewState* view) {
    // All four bands, also when an origin is 0: an empty band draws nothing,
    // and a free space of exactly one pixel leaves a one-pixel band beside
    // the picture that nothing else would ever paint (no background erase).
    fillBand(view, view->leftMargin);
    fillBand(view, view->rightMargin);
    fillBand(view, view->topMargin);
    fillBand(view, view->bottomMargin);
}

void paintView(ViewState* view, HWND window) {
    takePaintLock(view);
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);  // with CS_OWNDC the paint DC is windowDc
    fillMargins(view);
    drawShownFrame(view);
    EndPaint(window, &paint);
    releasePaintLock(view);
}

void relayoutView(ViewState* view, uint32_t width, uint32_t height) {
    // Under the lock so that a running worker never draws with half of a
    // new layout.
    takePaintLock(view);
    layoutView(view, width, height);
    releasePaintLock(view);
    if (relayoutFillsMarginsOnly(view)) {
        takePaintLock(view);
        fillMargins(view);
        releasePaintLock(view);
        return;
    }
    HWND window = static_cast<HWND>(view->window);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void zoomView(ViewState* view, uint32_t* zoomIndex, int32_t step) {
    int moved = stepZoomIndex(zoomIndex, step);
    takePaintLock(view);
    applyZoom(view, *zoomIndex);
    releasePaintLock(view);
    // The reset after a load repaints nothing: the document switch lays
    // the view out itself next.
    if (step == 0 || !moved) return;
    RECT client;
    GetClientRect(static_cast<HWND>(view->window), &client);
    relayoutView(view, (uint32_t)client.right, (uint32_t)client.bottom);
}

void previewFirstFrame(ViewState* view, Animation* animation) {
    HBITMAP first = reinterpret_cast<HBITMAP>(animation->frames[0].bitmap);
    if (!first) return;
    HDC frameDc = static_cast<HDC>(view->frameDc);
    HGDIOBJ kept = SelectObject(frameDc, first);
    HWND window = static_cast<HWND>(view->window);
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Processing data..."));
    RECT client;
    GetClientRect(window, &client);
    view->scaledWidth = animation->width;  // 100%, whatever the zoom index says
    view->scaledHeight = animation->height;
    // No worker runs during a load, so this always paints at once.
    relayoutView(view, (uint32_t)client.right, (uint32_t)client.bottom);
    // Frame 0 goes back to the compositor, which selects it elsewhere.
    SelectObject(frameDc, kept);
}

UINT popupMenuPoint(HWND owner, LPARAM position, POINT* point) {
    RECT window = {};
    if ((int32_t)position < 0) GetWindowRect(owner, &window);
    ViewRect rect = {window.left, window.top, window.right, window.bottom};
    MenuAnchor anchor = menuAnchor((int32_t)position, &rect);
    point->x = anchor.x;
    point->y = anchor.y;
    if (anchor.centred) return TPM_CENTERALIGN | TPM_VCENTERALIGN;
    ClientToScreen(owner, point);
    return 0;
}
