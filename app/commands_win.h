// Commands of the main window that live in other subsystems: the context
// menu, the About box's dialog procedure and the step to a neighbouring
// file of the directory.
#pragma once

#include <windows.h>
#include <stdint.h>

// Opens the context menu at a WM_RBUTTONDOWN position, or centred on the
// window for a negative position; the choice comes back as WM_KEYDOWN.
void showContextMenu(HWND window, LPARAM position);

// The About box's dialog procedure, for DialogBoxParamW.
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Replaces the file name in requestedPath by its previous (direction 0) or
// next (any other direction) GIF file of the directory. Returns 0 when no
// step was made and requestedPath is unchanged.
int directoryStep(char16_t* requestedPath, uint32_t direction);
