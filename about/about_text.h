// The text of the About box.
#pragma once

// Fourteen lines joined by CR LF, none after the last; every non-empty line
// starts with one space, which keeps it off the edit control's border.
extern const char16_t aboutText[];
