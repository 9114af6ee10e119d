#!/bin/bash
# The context menu of an animation: speed rows while it plays, single-step
# rows while it is paused, and the greying at the ends of speed and zoom and
# of Stop (read from the screen: greyed text has no black pixels).
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

quit() { xdotool key x; expect_exit_zero; }

# Twelve frames playing forever: speed rows while playing, greyed at the
# fastest and the slowest level.
gif_folder "$GIFS/anim" a.gif || fail "fixtures"
start_player "$GIFS/anim/a.gif"
id=$(player_window '^a\.gif')
playing="O | Left~ Right~ | P R S | Up Down | + - | X"
title_is "$id" "a.gif (12 frames | >> | x${TS}1.00 | 100%)"
check_menu "$id" "$playing" "playing"
xdotool key Up Up Up Up Up Up Up Up
title_is "$id" "a.gif (12 frames | >> | x${TS}16.00 | 100%)"
check_menu "$id" "O | Left~ Right~ | P R S | Up~ Down | + - | X" "playing at 16.00"
for _ in $(seq 13); do xdotool key Down; done
title_is "$id" "a.gif (12 frames | >> | x${TS}0.0625 | 100%)"
check_menu "$id" "O | Left~ Right~ | P R S | Up Down~ | + - | X" "playing at 0.0625"
xdotool key equal equal equal equal
title_is "$id" "a.gif (12 frames | >> | x${TS}0.0625 | 400%)"
check_menu "$id" "O | Left~ Right~ | P R S | Up Down~ | +~ - | X" "playing at 400%"

# Paused: single steps instead of speed. Stop cannot act on the first frame
# played forward (right after Stop), and can after a step.
xdotool key s
title_is "$id" "a.gif (1 of 12 frames | 400%)"
check_menu "$id" "O | Left~ Right~ | P R S~ | N V | +~ - | X" "first frame after Stop"
xdotool key n
title_is "$id" "a.gif (2 of 12 frames | 400%)"
check_menu "$id" "O | Left~ Right~ | P R S | N V | +~ - | X" "paused on frame 2"

# Paused backward, stepped back to the first frame: Stop can still turn
# the direction forward, so it stays enabled.
xdotool key r
title_is "$id" "a.gif (12 frames | << | x${TS}0.0625 | 400%)"
xdotool key p
title=$(wait_title "$id" "^a\\.gif \\([0-9]+ of 12 frames \\| 400%\\)\$") || fail "not paused"
shown=${title#a.gif (}
shown=${shown%% of *}
for _ in $(seq 2 "$shown"); do xdotool key v; done
title_is "$id" "a.gif (1 of 12 frames | 400%)"
check_menu "$id" "O | Left~ Right~ | P R S | N V | +~ - | X" "paused backward on frame 1"
quit
echo PASS
