#!/bin/bash
# e2e: no player needed
# The harness's GUI path without the player: a window of Wine's own notepad
# appears under openbox, wait_win finds it, its client area can be read with
# pixel, and it closes on a key sent with xdotool, ending its process.
set -u
. "$(dirname "$0")/../lib.sh"

# As the player: the library's exit trap ends it if the test fails.
"$WINE" notepad >/dev/null 2>&1 &
APP_PID=$!
id=$(wait_win 'Notepad' 15) || fail "no notepad window"
colour=$(pixel "$id" 20 20)
[[ $colour =~ ^[0-9a-f]{6}$ ]] || fail "pixel read gave '$colour'"
# openbox gives new windows the focus, so plain XTEST keys reach it.
xdotool key alt+F4
player_ended_within 10 || fail "notepad still running 10 s after Alt+F4"
wait "$APP_PID" || fail "notepad exit status $?"
echo "notepad window found (pixel $colour) and closed"
