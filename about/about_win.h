// The About box: the dialog procedure and the state of its edit subclass.
#pragma once

#include <windows.h>

// The About box's dialog procedure, for DialogBoxParamW; the dialog
// parameter is the text to show.
INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The edit control's own window procedure while the box subclasses it;
// null otherwise, also between two openings of the box.
extern WNDPROC editPreviousProc;
