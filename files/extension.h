// The ".gif" test that every file source applies before a path may reach
// the document switch. Pure text test, no file-system access.
#pragma once

#include <stdint.h>

// 1 when text ends in a full stop and the ASCII letters g, i, f in any mix
// of cases, with at least one code unit before the full stop; else 0.
int hasGifExtension(const char16_t* text);
