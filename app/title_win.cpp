#include "app/title_win.h"

#include "app/state_win.h"

const wchar_t programName[] = L"Morvix";

void setTitle(const wchar_t* path, uint32_t frameNumber) {
    if (path) takeDisplayName(asUtf16(appState.displayName), asUtf16(path));
    wchar_t text[pathUnits];
    composeTitle(asUtf16(text), asUtf16(appState.displayName), &appState.animation, &appState.view,
                 appState.zoomIndex, frameNumber);
    SendMessageW(static_cast<HWND>(appState.view.window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}
