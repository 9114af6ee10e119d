#!/bin/bash
# e2e: no player needed
# The About box's procedures in a process of their own (about_box_check.exe),
# where what the player keeps inside can be read: the edit's own window
# procedure held only while the box is open, the dialog code without
# DLGC_HASSETSEL, the white background, and centring on an owner that hangs
# off the screen, each over two openings.
set -u
. "$(dirname "$0")/../lib.sh"
check=$HELPERS/about_box_check.exe
[ -f "$check" ] || { echo "no about_box_check.exe in $HELPERS"; exit 77; }
out=$("$WINE" "$check" 2>/dev/null)
status=$?
out=$(tr -d '\r' <<<"$out")
echo "$out"
[ $status = 0 ] && [ "$(tail -n 1 <<<"$out")" = "18 passed, 0 failed" ]
