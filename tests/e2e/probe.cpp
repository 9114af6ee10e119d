// Reads, from outside, what X cannot show of the player's windows: the open
// popup menu's rectangle, the About box's text, selection and caret, and
// the clipboard as CF_UNICODETEXT (CR LF intact; the X side turns it into LF).
//   probe menu            "left top right bottom" of the open popup menu, then the
//                         window rectangle of its owner and the owner's client
//                         origin "x y" on the screen; 1 if no menu is open
//   probe about-text      the About text, UTF-8, CR LF kept; 1 if no About box
//   probe about-selection "start end" of the About text's selection
//   probe about-rects     "left top right bottom" of the box, its owner and its text
//   probe about-caret     "left top right bottom" of the caret, screen coordinates
//   probe about-focus     the identifier of the About box's control with the focus
//   probe clipboard       the clipboard's text, UTF-8, CR LF kept; 1 if none
//   probe set-clipboard TEXT
//   probe memory          "gdi N private BYTES" of the running player: its live
//                         GDI objects (gdi_count.h) and its private bytes
#include <windows.h>
#include <psapi.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include "gdi_count.h"

namespace {

void writeUtf8(const wchar_t* text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return;
    char* bytes = new char[length];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, length, nullptr, nullptr);
    fwrite(bytes, 1, length - 1, stdout);
    delete[] bytes;
}

void printRect(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
}

HWND aboutBox() { return FindWindowW(L"#32770", L"About"); }

int menu() {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup || !IsWindowVisible(popup)) return 1;
    HWND owner = GetWindow(popup, GW_OWNER);  // the window TrackPopupMenuEx was given
    if (!owner) return 1;
    printRect(popup);
    printRect(owner);
    POINT origin = {0, 0};
    ClientToScreen(owner, &origin);
    printf("%ld %ld\n", origin.x, origin.y);
    return 0;
}

int aboutText() {
    HWND edit = GetDlgItem(aboutBox(), 40001);
    if (!edit) return 1;
    static wchar_t text[8192];
    // WM_GETTEXT itself: GetWindowTextW does not ask another process's controls.
    SendMessageW(edit, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text));
    writeUtf8(text);
    return 0;
}

int aboutSelection() {
    HWND edit = GetDlgItem(aboutBox(), 40001);
    if (!edit) return 1;
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    printf("%lu %lu\n", start, end);
    return 0;
}

int aboutRects() {
    HWND box = aboutBox();
    if (!box) return 1;
    printRect(box);
    printRect(GetWindow(box, GW_OWNER));
    printRect(GetDlgItem(box, 40001));
    return 0;
}

// The focus and the caret of the thread that runs the About box.
int aboutThreadInfo(GUITHREADINFO* info) {
    HWND box = aboutBox();
    info->cbSize = sizeof *info;
    return box && GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), info);
}

int aboutFocus() {
    GUITHREADINFO info = {};
    if (!aboutThreadInfo(&info) || !info.hwndFocus) return 1;
    printf("%d\n", GetDlgCtrlID(info.hwndFocus));
    return 0;
}

int aboutCaret() {
    GUITHREADINFO info = {};
    if (!aboutThreadInfo(&info) || !info.hwndCaret) return 1;
    MapWindowPoints(info.hwndCaret, nullptr, reinterpret_cast<POINT*>(&info.rcCaret), 2);
    printf("%ld %ld %ld %ld\n", info.rcCaret.left, info.rcCaret.top, info.rcCaret.right, info.rcCaret.bottom);
    return 0;
}

int clipboard() {
    if (!OpenClipboard(nullptr)) return 1;
    int result = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            writeUtf8(text);
            GlobalUnlock(data);
            result = 0;
        }
    }
    CloseClipboard();
    return result;
}

int setClipboard(const wchar_t* text) {
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) return 1;
    memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return 1;
    EmptyClipboard();
    int result = SetClipboardData(CF_UNICODETEXT, block) ? 0 : 1;
    CloseClipboard();
    return result;
}

// Committed private memory, as the regions of the address space tell it:
// Wine answers 0 for PrivateUsage. Mapped sections (the frames' DIB
// sections among them) are not private; the GDI count covers those.
unsigned long long privateBytes(HANDLE process) {
    unsigned long long bytes = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (const char* at = nullptr; VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
        if (region.RegionSize == 0) break;
    }
    return bytes;
}

int memory() {
    HWND player = FindWindowW(L"MorvixClass123", nullptr);
    DWORD id = 0;
    if (player) GetWindowThreadProcessId(player, &id);
    HANDLE process = id ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id) : nullptr;
    if (!process) return 1;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    long gdi = countGdiObjects(process);
    BOOL read = GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    unsigned long long privateUsage = counters.PrivateUsage ? counters.PrivateUsage : privateBytes(process);
    CloseHandle(process);
    if (gdi < 0 || !read) return 1;
    printf("gdi %ld private %llu\n", gdi, privateUsage);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);  // keep CR LF as it is
    if (argc < 2) return 2;
    const wchar_t* verb = argv[1];
    if (!wcscmp(verb, L"menu")) return menu();
    if (!wcscmp(verb, L"about-text")) return aboutText();
    if (!wcscmp(verb, L"about-selection")) return aboutSelection();
    if (!wcscmp(verb, L"about-rects")) return aboutRects();
    if (!wcscmp(verb, L"about-caret")) return aboutCaret();
    if (!wcscmp(verb, L"about-focus")) return aboutFocus();
    if (!wcscmp(verb, L"clipboard")) return clipboard();
    if (!wcscmp(verb, L"memory")) return memory();
    if (!wcscmp(verb, L"set-clipboard") && argc == 3) return setClipboard(argv[2]);
    return 2;
}
