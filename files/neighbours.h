// The previous and next GIF file of the open file's directory, in the order
// the system enumerates "*.gif", without wrap-around.
#pragma once

#include <stdint.h>

// Bits of a neighbour result.
enum : int32_t {
    hasNextFile = 1,
    hasPreviousFile = 2,
};

// Looks for path's file name among the directory's "*.gif" entries; path is
// a full path of at most 1023 units plus terminator. Returns 0..3 from the
// bits above; 0 when path has no backslash, nothing matches, the name is not
// an entry (names compare exactly, letter case included), or it is the only
// entry. Each output is optional (null):
//   previousName  the entry before the name (valid for results 2 and 3)
//   nextName      the entry after the name (valid for results 1 and 3)
//   directoryLength  units up to and including the last backslash
// The buffers hold findNameUnits units. With no backslash, or when the
// search pattern would not fit in 1024 units, or when nothing matches,
// nothing is written.
int32_t neighbourQuery(const char16_t* path, char16_t* previousName, char16_t* nextName,
                       uint32_t* directoryLength);

// Replaces the file name of path (a 1024-unit buffer) by its previous
// (direction 0) or next (any other direction) neighbour and returns the
// neighbour result. Returns 0 and leaves path alone when there is no such
// neighbour or when the stepped path would not fit in 1024 units.
int32_t directoryStep(char16_t* path, uint32_t direction);
