// Directory neighbours: where the open file stands among its directory's
// "*.gif" entries, and the step to the entry before or after it.
#include "files/neighbours.h"

#include "files/neighbours_platform.h"
#include "files/path.h"

namespace {

const char16_t gifPattern[] = u"*.gif";
const uint32_t gifPatternUnits = sizeof gifPattern / sizeof gifPattern[0];  // with terminator

// Units up to and including the last backslash; 0 when there is none.
uint32_t directoryPartLength(const char16_t* path) {
    uint32_t length = 0;
    for (uint32_t i = 0; path[i]; ++i) {
        if (path[i] == u'\\') length = i + 1;
    }
    return length;
}

uint32_t textLength(const char16_t* text) {
    uint32_t length = 0;
    while (text[length]) ++length;
    return length;
}

// Exact, unit by unit: the file system may be case-insensitive, but a name
// typed in another case than the directory holds is deliberately not found.
bool sameName(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

void copyUnits(char16_t* to, const char16_t* from, uint32_t units) {
    for (uint32_t i = 0; i < units; ++i) to[i] = from[i];
}

// A name from the enumeration, terminator included.
void copyName(char16_t* to, const char16_t* from) { copyUnits(to, from, textLength(from) + 1); }

// Directory part of path followed by "*.gif". Returns 0 when that would not
// fit in pathUnits; the query then reports no neighbour.
int composePattern(char16_t* pattern, const char16_t* path, uint32_t directoryLength) {
    if (directoryLength + gifPatternUnits > pathUnits) return 0;
    copyUnits(pattern, path, directoryLength);
    copyUnits(pattern + directoryLength, gifPattern, gifPatternUnits);
    return 1;
}

}  // namespace

int32_t neighbourQuery(const char16_t* path, char16_t* previousName, char16_t* nextName,
                       uint32_t* directoryLength) {
    uint32_t directoryUnits = directoryPartLength(path);
    if (directoryUnits == 0) return 0;
    char16_t pattern[pathUnits];
    if (!composePattern(pattern, path, directoryUnits)) return 0;

    char16_t entry[findNameUnits];
    FindHandle find = findFirst(pattern, entry);
    if (!find) return 0;

    // matched: 0 the open file not met yet (or already followed by an entry),
    // 1 it was the first entry, 2 it was met after the first entry.
    const char16_t* name = path + directoryUnits;
    int32_t matched = sameName(entry, name) ? 1 : 0;
    int32_t result = 0;
    if (previousName) copyName(previousName, entry);
    while (findNext(find, entry)) {
        if (matched != 0) {
            // This entry follows the open file: it is the next file, and
            // nothing after it matters.
            result = 2 * matched - 1;
            matched = 0;
            break;
        }
        if (sameName(entry, name)) {
            matched = 2;
        } else if (previousName) {
            copyName(previousName, entry);
        }
    }
    if (nextName) copyName(nextName, entry);
    if (directoryLength) *directoryLength = directoryUnits;
    // Met after the first entry with nothing behind it: the last entry. The
    // only entry (matched 1) has no neighbour at all.
    if (matched == 2) result = hasPreviousFile;
    findClose(find);
    return result;
}

int32_t directoryStep(char16_t* path, uint32_t direction) {
    char16_t neighbour[findNameUnits];
    uint32_t directoryUnits = 0;
    bool previous = direction == 0;
    int32_t result = neighbourQuery(path, previous ? neighbour : nullptr, previous ? nullptr : neighbour,
                                    &directoryUnits);
    bool allowed = previous ? (result & hasPreviousFile) != 0 : (result & hasNextFile) != 0;
    if (!allowed) return 0;
    uint32_t nameUnits = textLength(neighbour) + 1;
    // Refused rather than cut: a shortened name would open some other file.
    if (directoryUnits + nameUnits > pathUnits) return 0;
    copyUnits(path + directoryUnits, neighbour, nameUnits);
    return result;
}
