#!/bin/bash
# A long 1080p screen recording (300 full frames, 770 KB to 1.5 MB, 2.4 GiB
# composed) plays whole: the raster budget is what the process can hold, not
# a fixed 1 GiB. Prints how long the player took from its start to the end
# of the load (the title) and to the first frame on screen, and its peak
# memory.
set -u
. "$(dirname "$0")/../lib.sh"

need_available_memory 4
play_recording 300 "^recording\.gif \(300 frames \| " 100
stop_app || fail "exit code"
