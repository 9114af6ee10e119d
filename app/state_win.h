// The one state record of the process. Only the Windows half of app/,
// files/ and about/ name it; the portable subsystems take pointers to the
// records inside it.
#pragma once

#include <windows.h>

#include "app/title.h"
#include "gif/gif.h"
#include "render/view.h"

struct AppState {
    const char16_t* const* speedLabels;  // speedLabels[0..13]
    const char16_t* const* zoomLabels;    // zoomLabels[0..7]
    const wchar_t* aboutText;             // the About box text
    WNDPROC editPreviousProc;             // About edit control's own procedure while subclassed, else null
    LzwEntry* lzwTable;                   // shared dictionary; made at WM_CREATE, freed at WM_DESTROY
    MSG message;                          // the message loop's receive buffer
    Animation animation;                  // the document; all zero when nothing is loaded
    ViewState view;                       // view and playback state of the main window
    wchar_t displayName[pathUnits];       // file-name part of the loaded path, for the title
    wchar_t currentPath[pathUnits];       // full path of the loaded file; empty when nothing is loaded
    wchar_t requestedPath[pathUnits];     // full path to open next; every file source writes here
    uint32_t zoomIndex;                   // 0..7, 4 = 100%; set to 4 by every successful load
    ViewState* activeView;                // &view once the window exists; used by the first-frame preview
};

extern AppState appState;

// Windows' wchar_t is UTF-16, the portable core's char16_t.
inline const char16_t* asUtf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* asUtf16(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }
inline const wchar_t* asWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
