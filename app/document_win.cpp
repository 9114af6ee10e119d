#include "app/document_win.h"

#include <wchar.h>

#include "app/state_win.h"
#include "app/title_win.h"
#include "app/window_win.h"
#include "gif/raster_budget_win.h"
#include "playback/playback.h"
#include "playback/playback_platform.h"
#include "render/compose.h"
#include "render/layout.h"
#include "render/paint_win.h"

namespace {

HWND mainWindow() { return static_cast<HWND>(appState.view.window); }

// Frees frameDc of any frame bitmap: CreateBitmap of size 0 hands out the
// system's 1x1 monochrome bitmap, which is never deleted.
void selectPlaceholder(ViewState* view) {
    SelectObject(static_cast<HDC>(view->frameDc), CreateBitmap(0, 0, 1, 1, nullptr));
}

void resetView(ViewState* view) {
    view->reversed = 0;
    view->currentDelayMs = 0;
    view->currentFrame = 0;
    view->originX = 0;
    view->originY = 0;
    view->scaledWidth = 0;
    view->scaledHeight = 0;
    view->playing = 0;
    view->stopRequested = 0;
    view->paintLock = 0;
    view->speedIndex = 0;
}

// The same file again: nothing is reloaded, a paused animation plays on
// from the frame it shows.
void reviveDocument() {
    bringForward(mainWindow());
    ViewState* view = &appState.view;
    if (appState.animation.frameCount > 1 && !view->playing) startPlayback(view, view->currentFrame);
}

// Whatever the document holds, also a 0-frame one whose header fields must
// not reach the next load. The worker ends before any bitmap is touched.
void releaseDocument() {
    ViewState* view = &appState.view;
    if (view->playing) stopPlayback(view);
    selectPlaceholder(view);
    freeAnimation(&appState.animation);
    resetView(view);
}

// The window's background colour as a raster pixel, 0x00RRGGBB.
uint32_t backgroundPixel() { return swapRedBlue(GetSysColor(COLOR_APPWORKSPACE)); }

// Loader result 5, a frame table that cannot be had, or not even one
// frame composed all count as a failed load.
int loadCurrentPath() {
    Animation* animation = &appState.animation;
    if (!allocateFrameTable(animation)) return 0;
    budgetRastersForLoad(appState.currentPath);
    if (loadGif(asUtf16(appState.currentPath), appState.lzwTable, animation) == loadFailed) return 0;
    return 1;
}

int showLoadedDocument(uint32_t clientWidth, uint32_t clientHeight) {
    ViewState* view = &appState.view;
    Animation* animation = &appState.animation;
    view->speedIndex = speedNormal;
    zoomView(view, &appState.zoomIndex, 0);
    layoutView(view, clientWidth, clientHeight);
    if (!composeFrames(animation, backgroundPixel())) return 0;
    setTitle(appState.currentPath, 0);
    if (animation->frameCount > 1) {
        startPlayback(view, 0);
        return 1;
    }
    view->currentFrame = 0;
    if (animation->frameCount == 1) selectFrame(view, 0);  // a 0-frame document shows the empty picture
    InvalidateRect(mainWindow(), nullptr, FALSE);
    return 1;
}

void showEmptyPlayer(uint32_t clientWidth, uint32_t clientHeight) {
    releaseDocument();
    layoutView(&appState.view, clientWidth, clientHeight);
    InvalidateRect(mainWindow(), nullptr, FALSE);
    SendMessageW(mainWindow(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(programName));
    // Both cleared, so that asking for the same path again is a new attempt.
    appState.requestedPath[0] = 0;
    appState.currentPath[0] = 0;
}

}  // namespace

void switchDocument() {
    if (wcscmp(appState.requestedPath, appState.currentPath) == 0) {
        reviveDocument();
        return;
    }
    RECT client;
    GetClientRect(mainWindow(), &client);
    wcscpy(appState.currentPath, appState.requestedPath);
    releaseDocument();
    if (!loadCurrentPath() || !showLoadedDocument((uint32_t)client.right, (uint32_t)client.bottom)) {
        showEmptyPlayer((uint32_t)client.right, (uint32_t)client.bottom);
    }
    // The loader may have shown the wait cursor for a large file.
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}
