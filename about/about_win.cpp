// The About box: a read-only text that can be selected and copied. The edit
// control is subclassed so that it offers only Copy and Select All, does not
// select everything when it gets the focus, and never shows a caret.
#include "about/about_win.h"

#include "render/paint_win.h"

WNDPROC editPreviousProc;

namespace {

enum : UINT {
    aboutEditId = 40001,
    copyCommand = 40002,
    selectAllCommand = 40003,
    storePreviousProc = 42000,  // to the edit: lParam is its own window procedure
};

void showEditMenu(HWND edit, LPARAM position) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    POINT point;
    UINT alignment = popupMenuPoint(edit, position, &point);
    DWORD selection = (DWORD)SendMessageW(edit, EM_GETSEL, 0, 0);
    bool nothingSelected = LOWORD(selection) == HIWORD(selection);
    AppendMenuW(menu, nothingSelected ? MF_GRAYED : MF_STRING, copyCommand, L"&Copy");
    AppendMenuW(menu, MF_STRING, selectAllCommand, L"Select &All");
    // Without TPM_RETURNCMD the choice reaches the edit, the menu's owner,
    // as WM_COMMAND, where the subclass handles it.
    TrackPopupMenuEx(menu, alignment, point.x, point.y, edit, nullptr);
    DestroyMenu(menu);
}

// The edit's own procedure goes back before the edit is gone, so nothing
// points at the subclass between two openings of the box. (On the 32-bit
// target SetWindowLongPtrW is SetWindowLongW; the pointer form also builds
// for 64-bit test runs.)
LRESULT restoreEditProc(HWND edit, WPARAM wParam, LPARAM lParam) {
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editPreviousProc));
    editPreviousProc = nullptr;
    return DefWindowProcW(edit, WM_DESTROY, wParam, lParam);
}

LRESULT editCommand(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case copyCommand:
        SendMessageW(edit, WM_COPY, 0, 0);
        return 0;
    case selectAllCommand:
        SendMessageW(edit, EM_SETSEL, 0, -1);
        return 0;
    }
    return CallWindowProcW(editPreviousProc, edit, message, wParam, lParam);
}

LRESULT CALLBACK editSubclassProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        return restoreEditProc(edit, wParam, lParam);
    case WM_CONTEXTMENU:  // menu key or Shift+F10; right clicks are handled below
        showEditMenu(edit, -1);
        return 0;
    case WM_GETDLGCODE:
        // Without DLGC_HASSETSEL the dialog manager leaves the selection
        // alone when the edit gets the focus.
        return CallWindowProcW(editPreviousProc, edit, message, wParam, lParam) & ~DLGC_HASSETSEL;
    case WM_COMMAND:
        return editCommand(edit, message, wParam, lParam);
    case WM_RBUTTONDOWN:
        showEditMenu(edit, lParam);
        return 0;
    case WM_RBUTTONUP:  // swallowed: the system would raise its own edit menu from it
    case WM_RBUTTONDBLCLK:
        return 0;
    case storePreviousProc:
        editPreviousProc = reinterpret_cast<WNDPROC>(lParam);
        return 0;
    }
    return CallWindowProcW(editPreviousProc, edit, message, wParam, lParam);
}

// Centred on the owner even when that puts the box partly off the screen.
void centreOnOwner(HWND dialog) {
    RECT box, owner;
    GetWindowRect(dialog, &box);
    GetWindowRect(GetParent(dialog), &owner);
    int x = owner.left + ((owner.right - owner.left) - (box.right - box.left)) / 2;
    int y = owner.top + ((owner.bottom - owner.top) - (box.bottom - box.top)) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOCOPYBITS);
}

void initAboutBox(HWND dialog, LPARAM text) {
    HWND edit = GetDlgItem(dialog, aboutEditId);
    centreOnOwner(dialog);
    LONG_PTR previous = SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editSubclassProc));
    SendMessageW(edit, storePreviousProc, 0, previous);
    SendMessageW(edit, WM_SETTEXT, 0, text);
}

INT_PTR aboutCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:  // also Escape and the close box
        EndDialog(dialog, LOWORD(wParam));
        return 1;
    case aboutEditId:
        // The edit has just made and shown its caret; the text is read-only,
        // so a blinking caret would only suggest otherwise.
        if (HIWORD(wParam) == EN_SETFOCUS) HideCaret(reinterpret_cast<HWND>(lParam));
        return 1;
    }
    return 0;
}

}  // namespace

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initAboutBox(dialog, lParam);
        return 1;  // the system then focuses the first tab stop, the edit
    case WM_COMMAND:
        return aboutCommand(dialog, wParam, lParam);
    case WM_CTLCOLORSTATIC:  // a read-only edit asks this to paint its background
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    }
    return 0;
}
