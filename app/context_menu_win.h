// The player's context menu, opened by a right click or the menu key.
#pragma once

#include <windows.h>

// Opens the context menu at a WM_RBUTTONDOWN position, or centred on the
// window for a negative position; the choice comes back as WM_KEYDOWN.
void showContextMenu(HWND window, LPARAM position);
