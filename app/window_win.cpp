#include "app/window_win.h"

#include <shellapi.h>

#include "about/about_win.h"
#include "app/context_menu_win.h"
#include "app/document_win.h"
#include "app/state_win.h"
#include "app/title_win.h"
#include "files/neighbours.h"
#include "files/sources_win.h"
#include "playback/playback.h"
#include "render/paint_win.h"

const wchar_t mainClassName[] = L"MorvixClass123";

namespace {

ViewState* view() { return &appState.view; }

int onCreate(HWND window) {
    ViewState* v = view();
    appState.lzwTable =
        static_cast<LzwEntry*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, lzwTableEntries * sizeof(LzwEntry)));
    v->window = window;
    v->windowDc = GetDC(window);  // kept for the window's life: the class has CS_OWNDC
    v->frameDc = CreateCompatibleDC(nullptr);
    // Unnamed: a named event is shared with every process that opens the
    // same name, a second player among them, and their stops and speed
    // changes would wake or be swallowed by this worker.
    v->stopEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    v->backgroundBrush = GetSysColorBrush(COLOR_APPWORKSPACE);
    v->animation = &appState.animation;
    appState.activeView = v;
    // Every scaled draw of the program, the worker's too, goes through this DC.
    SetStretchBltMode(static_cast<HDC>(v->windowDc), HALFTONE);
    SetBrushOrgEx(static_cast<HDC>(v->windowDc), 0, 0, nullptr);
    return appState.lzwTable && v->windowDc && v->frameDc && v->stopEvent;
}

// Skips whatever set-up did not make. The worker ends first: it draws with
// the DCs and frames released here.
void onDestroy(HWND window) {
    ViewState* v = view();
    if (v->playing) stopPlayback(v);
    if (appState.lzwTable) HeapFree(GetProcessHeap(), 0, appState.lzwTable);
    appState.lzwTable = nullptr;
    if (v->windowDc) ReleaseDC(window, static_cast<HDC>(v->windowDc));
    if (v->frameDc) {
        // The frame bitmap it held belongs to the animation, freed below.
        SelectObject(static_cast<HDC>(v->frameDc), CreateBitmap(0, 0, 1, 1, nullptr));
        DeleteDC(static_cast<HDC>(v->frameDc));
    }
    if (v->stopEvent) CloseHandle(static_cast<HANDLE>(v->stopEvent));
    freeAnimation(&appState.animation);
    PostQuitMessage(0);
}

// Copies at most what the record carries and what requestedPath holds; a
// string without a NUL inside those bounds is cut there.
LRESULT receiveHandOver(const COPYDATASTRUCT* record) {
    if (record->dwData != handOverTag || record->cbData > handOverMaxBytes) return 0;
    const wchar_t* text = static_cast<const wchar_t*>(record->lpData);
    DWORD units = record->cbData / sizeof(wchar_t);
    if (units > pathUnits - 1) units = pathUnits - 1;
    DWORD i = 0;
    for (; i < units && text[i]; ++i) appState.requestedPath[i] = text[i];
    appState.requestedPath[i] = 0;
    switchDocument();
    return 1;
}

void onDrop(HWND window, HDROP drop) {
    if (!droppedFile(drop, appState.requestedPath)) return;
    bringForward(window);
    switchDocument();
}

void onOpenCommandLine() {
    if (commandLineFile(appState.requestedPath)) switchDocument();
}

// A held Ctrl, Shift or Windows key turns every command key off, menu
// choices included (they arrive here as keys).
int modifierHeld() {
    return (GetKeyState(VK_CONTROL) | GetKeyState(VK_SHIFT) | GetKeyState(VK_LWIN) | GetKeyState(VK_RWIN)) &
           0x8000;
}

uint32_t shownFrameNumber() { return view()->playing ? 0 : view()->currentFrame + 1; }

void zoomStep(int32_t step) {
    zoomView(view(), &appState.zoomIndex, step);
    setTitle(nullptr, shownFrameNumber());
}

void stepDirectory(uint32_t key) {
    // VK_LEFT & 2 is 0 (previous), VK_RIGHT & 2 is 2 (next).
    if (directoryStep(asUtf16(appState.requestedPath), key & 2)) switchDocument();
}

void openFromDialog(HWND window) {
    if (openDialogFile(window, appState.requestedPath)) switchDocument();
}

void showAbout(HWND window) {
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), window, aboutDialogProc,
                    reinterpret_cast<LPARAM>(appState.aboutText));
}

// After 'N', 'P' and 'V': 0 means a still frame is now on show (stepped or
// paused), 1 that a worker runs.
void afterStep(HWND window, int running) {
    if (running) {
        setTitle(nullptr, 0);
        return;
    }
    InvalidateRect(window, nullptr, FALSE);
    setTitle(nullptr, view()->currentFrame + 1);
}

void changeSpeed(void (*change)(ViewState*)) {
    if (!view()->playing) return;  // paused: ignored, title left alone
    change(view());
    setTitle(nullptr, 0);
}

void rewind(HWND window) {
    stopAndRewind(view());
    InvalidateRect(window, nullptr, FALSE);
    setTitle(nullptr, 1);
}

// Keys for an animation of two frames or more.
void transportKey(HWND window, uint32_t key) {
    switch (key) {
    case VK_UP: changeSpeed(speedUp); return;
    case VK_DOWN: changeSpeed(speedDown); return;
    case 'N': afterStep(window, nextFrame(view())); return;
    case 'P': afterStep(window, playPause(view())); return;
    case 'V': afterStep(window, previousFrame(view())); return;
    case 'R': reversePlayback(view()); setTitle(nullptr, 0); return;
    case 'S': rewind(window); return;
    }
}

// Keys for a loaded document, in the order their needs grow.
void documentKey(HWND window, uint32_t key) {
    uint32_t frameCount = appState.animation.frameCount;
    if (frameCount < 1) return;
    switch (key) {
    case VK_OEM_PLUS: zoomStep(-1); return;
    case VK_OEM_MINUS: zoomStep(+1); return;
    case VK_LEFT:
    case VK_RIGHT: stepDirectory(key); return;
    }
    if (frameCount == 1) {
        setTitle(nullptr, 0);  // one still frame: every other key only rewrites the title
        return;
    }
    transportKey(window, key);
}

// The program's only command table: the context menu sends its choices
// here as the same key codes.
void onKey(HWND window, uint32_t key) {
    if (modifierHeld()) return;
    switch (key) {
    case VK_APPS: showContextMenu(window, -1); return;
    case 'O': openFromDialog(window); return;
    case VK_F1: showAbout(window); return;
    case 'X': SendMessageW(window, WM_CLOSE, 0, 0); return;
    }
    documentKey(window, key);
}

}  // namespace

void bringForward(HWND window) {
    if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
    } else {
        SetForegroundWindow(window);
    }
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (!onCreate(window)) SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_DESTROY: onDestroy(window); return 0;
    case WM_SIZE: relayoutView(view(), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_PAINT: paintView(view(), window); return 0;
    case WM_ERASEBKGND: return 1;  // painting covers the whole client area
    case WM_COPYDATA: return receiveHandOver(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_KEYDOWN: onKey(window, (uint32_t)wParam); return 0;
    case WM_RBUTTONDOWN: showContextMenu(window, lParam); return 0;
    case WM_DROPFILES: onDrop(window, reinterpret_cast<HDROP>(wParam)); return 0;
    case openCommandLineMessage: onOpenCommandLine(); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
