#include "files/sources_win.h"

#include <commdlg.h>

#include "files/extension.h"
#include "files/path.h"

namespace {

const wchar_t gifFilter[] = L"GIF (*.gif)\0*.gif\0";  // the literal adds the list's final NUL
const wchar_t gifExtension[] = L"gif";

// The full record, trailing reserved members included, as the system expects.
static_assert(sizeof(void*) != 4 || sizeof(OPENFILENAMEW) == 88, "OPENFILENAMEW of the 32-bit target");

void copyPath(wchar_t* destination, const wchar_t* source) {
    uint32_t i = 0;
    for (; i + 1 < pathUnits && source[i]; ++i) destination[i] = source[i];
    destination[i] = 0;
}

// An existing file, not a directory, named *.gif.
int isAcceptableFile(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
    return hasGifExtension(asUtf16(path));
}

int fullPathOfArgument(const wchar_t* argument, wchar_t* path) {
    DWORD length = GetFullPathNameW(argument, pathUnits, path, nullptr);
    return length != 0 && length <= pathUnits;
}

}  // namespace

int commandLineFile(wchar_t* destination) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) return 0;
    wchar_t path[pathUnits] = {};
    // Only the first argument counts; any further ones are ignored.
    int accepted = count > 1 && fullPathOfArgument(arguments[1], path) && isAcceptableFile(path);
    if (accepted) copyPath(destination, path);
    LocalFree(arguments);
    return accepted;
}

int droppedFile(HDROP drop, wchar_t* destination) {
    wchar_t path[pathUnits] = {};
    UINT length = DragQueryFileW(drop, 0, path, pathUnits);
    int accepted = length != 0 && length < pathUnits && isAcceptableFile(path);
    if (accepted) copyPath(destination, path);
    DragFinish(drop);
    return accepted;
}

int openDialogFile(HWND owner, wchar_t* destination) {
    wchar_t path[pathUnits] = {};
    copyPath(path, destination);  // the dialog starts in the folder last requested
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = gifFilter;
    request.nFilterIndex = 1;
    request.lpstrFile = path;
    request.nMaxFile = pathUnits;
    request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    request.lpstrDefExt = gifExtension;
    if (!GetOpenFileNameW(&request) || request.nFileOffset == 0 || !hasGifExtension(asUtf16(path))) return 0;
    copyPath(destination, path);
    return 1;
}
