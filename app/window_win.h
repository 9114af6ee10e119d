// The main window: its class name, private message, hand-over tag and
// window procedure.
#pragma once

#include <windows.h>

extern const wchar_t mainClassName[];  // "MorvixClass123", also how a second start finds the player

enum : UINT { openCommandLineMessage = 40000 };  // sent once by the entry: open the command-line file

enum : ULONG_PTR { handOverTag = 1237548 };  // WM_COPYDATA dwData of a file hand-over
enum : DWORD { handOverMaxBytes = 2048 };    // larger hand-over records are refused

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Restores a minimised window, otherwise brings it to the foreground.
void bringForward(HWND window);
