// The spin lock on paintLock that keeps the worker's select-and-draw of a
// frame apart from the UI thread's paint and margin refill. It is held only
// around a few drawing calls, so yielding beats a kernel object.
#include "render/view.h"

void takePaintLock(ViewState* view) {
    while (exchange32(&view->paintLock, 1) != 0) yieldProcessor();
}

void releasePaintLock(ViewState* view) {
    exchange32(&view->paintLock, 0);
}
