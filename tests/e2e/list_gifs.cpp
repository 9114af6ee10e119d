// Prints the names that FindFirstFileW / FindNextFileW deliver for
// DIR\*.gif, one per line in UTF-8, in the system's own order: the order the
// player's Left and Right keys must follow in that folder.
//   list_gifs 'Z:\some\dir'
#include <windows.h>
#include <stdio.h>

static void printUtf8(const wchar_t* text) {
    char bytes[4 * MAX_PATH];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    if (length > 0) printf("%s\n", bytes);
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    wchar_t pattern[1024];
    if (wsprintfW(pattern, L"%s\\*.gif", argv[1]) <= 0) return 2;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    if (find == INVALID_HANDLE_VALUE) return 1;
    do printUtf8(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    return 0;
}
