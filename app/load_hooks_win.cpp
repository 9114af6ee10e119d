// The player's hooks of a large load: the wait cursor, and frame 0 on
// screen while the rest of the file decodes.
#include "app/state_win.h"
#include "render/paint_win.h"

void showWaitCursor() {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void firstFramePreview(Animation* animation) {
    if (appState.activeView) previewFirstFrame(appState.activeView, animation);
}
