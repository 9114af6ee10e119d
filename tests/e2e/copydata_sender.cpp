// Sends the running player one WM_COPYDATA, as a second start would, or
// malformed on purpose, and reports the player's answer.
//
//   copydata_sender [--tag N] [--bytes N] [--no-nul] PATH
//
// --tag replaces the hand-over tag, --bytes sends exactly N bytes (the path
// cut, or padded with 'a'), --no-nul leaves out the terminator. Prints the
// answer; the exit code is the answer (0 or 1), or 2 when no player runs.
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

#include <vector>

int wmain(int argc, wchar_t** argv) {
    ULONG_PTR tag = 1237548;
    long bytes = -1;
    bool terminate = true;
    const wchar_t* path = L"";
    for (int i = 1; i < argc; ++i) {
        if (!wcscmp(argv[i], L"--tag") && i + 1 < argc) {
            tag = wcstoul(argv[++i], nullptr, 0);
        } else if (!wcscmp(argv[i], L"--bytes") && i + 1 < argc) {
            bytes = wcstol(argv[++i], nullptr, 0);
        } else if (!wcscmp(argv[i], L"--no-nul")) {
            terminate = false;
        } else {
            path = argv[i];
        }
    }
    std::vector<wchar_t> data(path, path + wcslen(path));
    if (terminate) data.push_back(0);
    if (bytes < 0) bytes = (long)(data.size() * sizeof(wchar_t));
    data.resize((bytes + 1) / 2 + 1, L'a');  // room for an odd byte count
    HWND player = FindWindowW(L"MorvixClass123", nullptr);
    if (!player) {
        printf("no player\n");
        return 2;
    }
    COPYDATASTRUCT record = {tag, (DWORD)bytes, data.data()};
    LRESULT answer = SendMessageW(player, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&record));
    printf("%ld\n", (long)answer);
    return answer ? 1 : 0;
}
