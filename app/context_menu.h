// The player's context menu as data: which rows the present state offers
// and which of them are greyed. The Windows half appends these rows to a
// popup menu and hands the choice back to the window as its key.
#pragma once

#include <stdint.h>

#include "render/view.h"

// One row. The identifier of a command is the virtual-key code of its key.
struct MenuRow {
    uint32_t identifier;   // 0 for a separator
    const char16_t* text;  // null for a separator
    uint32_t greyed;       // 1: shown but cannot act now
};

enum { contextMenuRowsMost = 16 };

// Fills rows (contextMenuRowsMost of them) for the state of view and its
// animation, the zoom level and the neighbour result of the open file, and
// returns the number of rows. Groups that do not apply are left out: the
// file and zoom rows need a frame, the transport rows two; while playing the
// speed rows stand where the single-step rows stand while paused.
uint32_t contextMenuRows(MenuRow* rows, const ViewState* view, uint32_t zoomIndex, int32_t neighbours);
