// Stand-ins for the commands of app/commands_win.h until their subsystems
// exist: no menu, an About box that only closes, and no neighbouring files.
#include "app/commands_win.h"

void showContextMenu(HWND, LPARAM) {}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

int directoryStep(char16_t*, uint32_t) { return 0; }
