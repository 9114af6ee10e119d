#!/bin/bash
# The context menu with nothing loaded, with a file of no frames and with a
# still picture: which groups it shows and which items it greys, read from
# the screen (greyed text has no black pixels).
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

quit() { xdotool key x; expect_exit_zero; }

# Nothing loaded, and a file read without any image: Open and Exit only.
start_player
id=$(player_window '^Morvix$')
sync_player
check_menu "$id" "O | X" "nothing loaded"
quit
start_player "$GIFS/zero.gif"
id=$(player_window '^(Morvix|zero\.gif.*)$')
sync_player
check_menu "$id" "O | X" "zero frames"
quit

# One frame, the only GIF of its folder: no transport rows; the zoom items
# grey at the largest and the smallest zoom.
gif_folder "$GIFS/one" one.gif || fail "fixtures"
start_player "$GIFS/one/one.gif"
id=$(player_window '^one\.gif')
check_menu "$id" "O | Left~ Right~ | + - | X" "one frame"
xdotool key equal equal equal equal
title_is "$id" "one.gif (1 frame | 400%)"
check_menu "$id" "O | Left~ Right~ | +~ - | X" "one frame at 400%"
xdotool key minus minus minus minus minus minus minus
title_is "$id" "one.gif (1 frame | 25%)"
check_menu "$id" "O | Left~ Right~ | + -~ | X" "one frame at 25%"
quit

echo PASS
