// Placement shared by the player's context menu and the About text's menu.
#pragma once

#include <windows.h>

// Turns a WM_RBUTTONDOWN lParam of owner, or a negative position (centre
// on owner's window rectangle), into the screen point for TrackPopupMenuEx,
// and returns its alignment flags.
UINT popupMenuPoint(HWND owner, LPARAM position, POINT* point);
