// Playback's platform half for Windows: the tick counter, the stop event,
// interlocked exchange, worker threads, and the worker's draws into the
// window's own DC.
#include <windows.h>

#include "gif/gif.h"
#include "playback/playback.h"
#include "playback/playback_platform.h"
#include "render/paint_win.h"

namespace {

DWORD WINAPI forwardThread(LPVOID view) { return forwardWorker(static_cast<ViewState*>(view)); }

DWORD WINAPI reverseThread(LPVOID view) { return reverseWorker(static_cast<ViewState*>(view)); }

HDC frameDcOf(ViewState* view) { return static_cast<HDC>(view->frameDc); }

}  // namespace

uint32_t tickCount() { return GetTickCount(); }

int waitForStopEvent(ViewState* view, uint32_t timeoutMs) {
    return WaitForSingleObject(static_cast<HANDLE>(view->stopEvent), timeoutMs) == WAIT_OBJECT_0;
}

void signalStopEvent(ViewState* view) { SetEvent(static_cast<HANDLE>(view->stopEvent)); }

void resetStopEvent(ViewState* view) { ResetEvent(static_cast<HANDLE>(view->stopEvent)); }

int32_t exchange32(volatile int32_t* target, int32_t value) {
    static_assert(sizeof(LONG) == sizeof(int32_t), "interlocked words are 32-bit");
    return InterlockedExchange(reinterpret_cast<volatile LONG*>(target), value);
}

void yieldProcessor() { SwitchToThread(); }

void drawFrameOnScreen(ViewState* view, uint32_t index) {
    const Animation* animation = view->animation;
    SelectObject(frameDcOf(view), reinterpret_cast<HBITMAP>(animation->frames[index].bitmap));
    StretchBlt(static_cast<HDC>(view->windowDc), view->originX, view->originY, (int)view->scaledWidth,
               (int)view->scaledHeight, frameDcOf(view), 0, 0, (int)animation->width, (int)animation->height,
               SRCCOPY);
}

void selectFrame(ViewState* view, uint32_t index) {
    SelectObject(frameDcOf(view), reinterpret_cast<HBITMAP>(view->animation->frames[index].bitmap));
}

void fillMarginsOnScreen(ViewState* view) { fillMargins(view); }

int startWorkerThread(ViewState* view, uint32_t reversed) {
    HANDLE thread = CreateThread(nullptr, 0, reversed ? reverseThread : forwardThread, view, 0, nullptr);
    if (!thread) return 0;
    CloseHandle(thread);  // never joined: the worker's end shows in playing
    return 1;
}
