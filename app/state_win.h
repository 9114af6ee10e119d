// The one state record of the process. Only app/ names it; the subsystems
// take pointers to the records and buffers inside it.
#pragma once

#include <windows.h>

#include "app/title.h"
#include "gif/gif.h"
#include "render/view.h"

struct AppState {
    const char16_t* const* speedLabels;  // speedLabels[0..13]
    const char16_t* const* zoomLabels;    // zoomLabels[0..7]
    const wchar_t* aboutText;             // the About box text
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
