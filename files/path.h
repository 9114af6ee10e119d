// Paths: NUL-terminated UTF-16, always full paths, in buffers of pathUnits.
#pragma once

enum { pathUnits = 1024 };  // every path and title buffer, terminator included

// Windows' wchar_t is UTF-16, the portable core's char16_t.
inline const char16_t* asUtf16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}
inline char16_t* asUtf16(wchar_t* text) {
    return reinterpret_cast<char16_t*>(text);
}
inline const wchar_t* asWide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
