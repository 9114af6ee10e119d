// Process entry: one running player per session. A second start hands its
// file to the running player and ends; otherwise this start becomes the
// player, opens its command-line file and runs the message loop.
#include "app/state_win.h"
#include "app/title_win.h"
#include "app/window_win.h"
#include "files/sources_win.h"

namespace {

// "765JksОRМ&8№9!ьЗVa": Latin, Cyrillic (О М ь З) and the numero sign,
// written as code units so that no source encoding can change the name.
const wchar_t instanceMutexName[] = {0x0037, 0x0036, 0x0035, 0x004A, 0x006B, 0x0073, 0x041E, 0x0052, 0x041C, 0x0026,
                                     0x0038, 0x2116, 0x0039, 0x0021, 0x044C, 0x0417, 0x0056, 0x0061, 0};
static_assert(sizeof instanceMutexName / sizeof instanceMutexName[0] == 19, "18 code units and the terminator");

const int initialWidth = 480;
const int initialHeight = 360;

// 1 when the running player has taken over (or this start has nothing to
// hand over) and this process is to end; 0 when it is to become a player.
int handOver() {
    HWND running = FindWindowW(mainClassName, nullptr);
    if (!running || !IsWindowVisible(running)) return 0;
    wchar_t path[pathUnits] = {};
    // Nothing acceptable to hand over: end quietly, without activating it.
    if (!commandLineFile(path)) return 1;
    DWORD units = 0;
    while (path[units]) ++units;
    COPYDATASTRUCT record = {handOverTag, (units + 1) * (DWORD)sizeof(wchar_t), path};
    bringForward(running);
    return SendMessageW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record)) != 0;
}

ATOM registerMainClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC;  // the worker draws into the window's one DC
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(2));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = mainClassName;
    return RegisterClassExW(&windowClass);
}

// Untranslated: every command is a WM_KEYDOWN, no character messages.
void runMessageLoop() {
    while (GetMessageW(&appState.message, nullptr, 0, 0) > 0) DispatchMessageW(&appState.message);
}

void runPlayer() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registerMainClass(instance)) return;
    HWND window = CreateWindowExW(WS_EX_ACCEPTFILES, mainClassName, programName, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, initialWidth, initialHeight, nullptr, nullptr,
                                  instance, nullptr);
    // A window whose set-up failed has already closed itself.
    if (!window) return;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SendMessageW(window, openCommandLineMessage, 0, 0);
    runMessageLoop();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, instanceMutexName);
    int runningElsewhere = GetLastError() == ERROR_ALREADY_EXISTS;
    if (!runningElsewhere || !handOver()) runPlayer();
    if (mutex) CloseHandle(mutex);
    ExitProcess(0);
}
