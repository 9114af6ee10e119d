// The player's context menu: built afresh from the present state each time
// it opens, and the choice handed back to the window as the command's key,
// so the key switch of the window procedure stays the only command table.
#include "app/context_menu_win.h"

#include <windows.h>

#include "app/context_menu.h"
#include "app/state_win.h"
#include "files/neighbours.h"
#include "render/paint_win.h"

namespace {

// The directory is enumerated afresh on every opening: files come and go
// while the player runs, and a cached answer would grey the wrong items.
int32_t openFileNeighbours() {
    if (appState.view.animation->frameCount < 1) return 0;
    return neighbourQuery(asUtf16(appState.requestedPath), nullptr, nullptr, nullptr);
}

void appendContextRows(HMENU menu) {
    MenuRow rows[contextMenuRowsMost];
    uint32_t count = contextMenuRows(rows, &appState.view, appState.zoomIndex, openFileNeighbours());
    for (uint32_t i = 0; i < count; ++i) {
        if (rows[i].identifier == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, rows[i].greyed ? MF_GRAYED : MF_STRING, rows[i].identifier, asWide(rows[i].text));
        }
    }
}

}  // namespace

void showContextMenu(HWND window, LPARAM position) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    POINT point;
    UINT alignment = popupMenuPoint(window, position, &point);
    appendContextRows(menu);
    // No TPM_RIGHTBUTTON: items are picked with the left button only.
    UINT chosen = (UINT)TrackPopupMenuEx(menu, alignment | TPM_RETURNCMD | TPM_NONOTIFY, point.x, point.y, window,
                                         nullptr);
    // Synchronous, so the command has run (or been refused for a held
    // modifier key, like the key itself) before the menu is gone.
    if (chosen) SendMessageW(window, WM_KEYDOWN, chosen, 0);
    DestroyMenu(menu);
}
