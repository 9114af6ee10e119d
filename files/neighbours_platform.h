// Directory enumeration for the neighbour query, chosen at link time:
//   neighbours_platform_win.cpp  FindFirstFileW / FindNextFileW / FindClose
//   the unit tests link a scripted list of entries instead.
#pragma once

#include <stdint.h>

// A name as the system's find record carries it (MAX_PATH units,
// terminator included).
enum { findNameUnits = 260 };

typedef struct FindObject* FindHandle;

// Starts enumerating the entries that match pattern, in the system's own
// order, and copies the first entry's name into name (findNameUnits units,
// always terminated). Returns null when nothing matches; name is then
// untouched.
FindHandle findFirst(const char16_t* pattern, char16_t* name);

// Copies the next entry's name into name. Returns 1, or 0 when no entry is
// left (name untouched).
int32_t findNext(FindHandle find, char16_t* name);

// Ends the enumeration of a handle from findFirst.
void findClose(FindHandle find);
