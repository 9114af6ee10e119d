// Playback's platform half for Windows: the tick counter, the stop event,
// worker threads, and the worker's draws, which go through the painter's
// own drawing of the shown frame.
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

void drawFrameOnScreen(ViewState* view, uint32_t index) {
    selectFrame(view, index);
    drawShownFrame(view);
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
