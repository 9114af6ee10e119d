#!/bin/bash
# e2e: no player needed
# The harness's GUI path without the player: a window of Wine's own notepad
# appears under openbox, wait_win finds it, its client area can be read with
# pixel, and it closes on a key sent with xdotool, ending its process.
. "$(dirname "$0")/../lib.sh"
fail() { echo "FAIL: $*"; exit 1; }

wine notepad >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null' EXIT
id=$(wait_win 'Notepad' 15) || fail "no notepad window"
colour=$(pixel "$id" 20 20)
[[ $colour =~ ^[0-9a-f]{6}$ ]] || fail "pixel read gave '$colour'"
# openbox gives new windows the focus, so plain XTEST keys reach it.
xdotool key alt+F4
end=$(($(now_ms) + 10000))
while kill -0 $pid 2>/dev/null; do
    [ "$(now_ms)" -lt $end ] || fail "notepad still running 10 s after Alt+F4"
    sleep 0.05
done
wait $pid || fail "notepad exit status $?"
echo "notepad window found (pixel $colour) and closed"
