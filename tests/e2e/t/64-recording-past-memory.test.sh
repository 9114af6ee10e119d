#!/bin/bash
# A 1080p screen recording of 600 different full frames (4.6 GiB composed)
# is more than a process of the player can hold: the load keeps the frames
# that fit, at least 400 of them, plays them, and the title says how many
# images the file holds (", 600 in file"). Prints the times and peak memory
# as 63-long-recording does.
set -u
. "$(dirname "$0")/../lib.sh"

need_available_memory 4
play_recording 600 "^recording\.gif \([0-9]+ frames, 600 in file \| >> \| " 110
kept=${title#*(}
kept=${kept%% *}
[ "$kept" -ge 400 ] || fail "recording.gif: $kept frames kept, want at least 400"
stop_app || fail "exit code"
