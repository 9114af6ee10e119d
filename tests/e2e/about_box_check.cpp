// The About box's dialog procedure and edit subclass in this process, where
// their state can be seen: the edit's own procedure kept while the box is
// open and given back when it closes, the dialog code without "select all
// on focus", the white background, the text, and the centring over an
// owner that hangs off the screen. Opened twice, like the player does.
// Prints "N passed, N failed"; exit code 0 when nothing failed.
#include <windows.h>
#include <stdio.h>

#include "about/about_text.h"
#include "about/about_win.h"
#include "files/path.h"

namespace {

int passed = 0, failed = 0;

void expect(bool ok, int round, const char* what) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        printf("FAIL (opening %d): %s\n", round, what);
    }
}

bool sameText(HWND edit) {
    static wchar_t shown[4096];
    SendMessageW(edit, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(shown));
    return lstrcmpW(shown, asWide(aboutText)) == 0;
}

// Centres within a pixel: the halves are rounded toward zero.
bool centredOn(HWND box, HWND owner) {
    RECT b, o;
    GetWindowRect(box, &b);
    GetWindowRect(owner, &o);
    int dx = (b.left + b.right) - (o.left + o.right), dy = (b.top + b.bottom) - (o.top + o.bottom);
    return dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1;
}

void openAndClose(HWND owner, int round) {
    expect(editPreviousProc == nullptr, round, "no edit procedure kept before opening");
    HWND box = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), owner, aboutDialogProc,
                                  reinterpret_cast<LPARAM>(asWide(aboutText)));
    HWND edit = GetDlgItem(box, 40001);
    expect(box && edit, round, "the box and its text exist");
    if (!box || !edit) return;
    expect(editPreviousProc != nullptr, round, "the edit's own procedure is kept while open");
    expect(GetWindowLongPtrW(edit, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(editPreviousProc), round,
           "the edit is subclassed");
    expect(sameText(edit), round, "the edit shows aboutText");
    LRESULT own = CallWindowProcW(editPreviousProc, edit, WM_GETDLGCODE, 0, 0);
    LRESULT seen = SendMessageW(edit, WM_GETDLGCODE, 0, 0);
    expect((own & DLGC_HASSETSEL) && seen == (own & ~DLGC_HASSETSEL), round,
           "the dialog code drops DLGC_HASSETSEL, and only it");
    HDC dc = GetDC(edit);
    LRESULT brush = SendMessageW(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    ReleaseDC(edit, dc);
    expect(brush == reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)), round, "white background");
    expect(centredOn(box, owner), round, "centred on the owner, also off the screen");
    DestroyWindow(box);
    expect(editPreviousProc == nullptr, round, "no edit procedure kept after closing");
}

}  // namespace

int wmain() {
    // An owner reaching past the top-left corner of the screen: the box is
    // centred on it all the same, partly off the screen too.
    HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, -400, -300, 640, 480, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int round = 1; round <= 2; ++round) openAndClose(owner, round);
    DestroyWindow(owner);
    printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
