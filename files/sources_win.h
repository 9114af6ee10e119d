// The file sources that take a path from the user or the system: the
// command line, a drop and the open dialog. Each works in a buffer of its
// own and writes its destination only once every test has passed, so a
// refused file leaves the destination exactly as it was.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The first command-line argument, made a full path, if it names an
// existing file that is not a directory and ends in ".gif". Returns 1 and
// fills destination (pathUnits units), else 0.
int commandLineFile(wchar_t* destination);

// The first file of a drop, with the same tests, into destination
// (pathUnits units). Always releases the drop. Returns 1 when a file was
// taken, else 0.
int droppedFile(HDROP drop, wchar_t* destination);

// The system's open dialog, starting from the path in destination
// (pathUnits units). Returns 1 when an acceptable file was chosen and
// written to destination, else 0.
int openDialogFile(HWND owner, wchar_t* destination);
