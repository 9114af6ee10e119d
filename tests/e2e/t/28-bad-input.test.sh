#!/bin/bash
# Files and paths at the limits: the player shows what decoded or the empty
# player, never crashes or hangs, and stays responsive afterwards.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

start_player "$GIFS/huge.gif"
id=$(player_window '.') || exit 1
sync_player
title_is "$id" "Morvix"

# Loads after a failure work as before, in the same player.
[ "$(send_copydata "$(winpath "$GIFS/many.gif")")" = 1 ] || fail "hand-over of many.gif"
title_is "$id" "many.gif (3000 frames | >> | x${TS}1.00 | 100%)" 20
xdotool key s
title_is "$id" "many.gif (1 of 3000 frames | 100%)"
xdotool key v
title_is "$id" "many.gif (3000 of 3000 frames | 100%)"

# Over 5,000,000 bytes: first frame early, then the whole file.
[ "$(send_copydata "$(winpath "$GIFS/large.gif")")" = 1 ] || fail "hand-over of large.gif"
title_is "$id" "large.gif (2 frames | >> | x${TS}1.00 | 100%)" 20

# A path of exactly 1023 units (Z: plus 1021 of the Linux path) loads;
# one unit more does not fit the path buffers and is refused.
deep=$GIFS
while [ $(( ${#deep} + 2 + 1 + 100 )) -lt 1021 ]; do deep=$deep/$(printf 'd%.0s' $(seq 99)); done
name=$(printf 'n%.0s' $(seq $(( 1021 - ${#deep} - 1 - 4 )))).gif
mkdir -p "$deep" && cp "$GIFS/b.gif" "$deep/$name" && cp "$GIFS/b.gif" "$deep/x$name"
long=$(winpath "$deep/$name")
[ ${#long} = 1023 ] || fail "test path has ${#long} units"
[ "$(send_copydata "$long")" = 1 ] || fail "hand-over of the 1023-unit path"
title_is "$id" "$name (3 frames | >> | x${TS}1.00 | 100%)"
stop_app || fail "exit code"

start_player "$deep/x$name"
id=$(player_window '.') || exit 1
sync_player
title_is "$id" "Morvix"
stop_app || fail "exit code"

# Closing right after the start of a large load: the close waits for the
# load and ends the process with code 0. While the load holds the UI thread,
# Wine cannot take the X focus the window manager offers it, so on a busy
# machine that first key can reach no window; it is sent again until the
# player ends.
close_key_ends_player() {
    xdotool windowactivate --sync "$id" key x 2>/dev/null
    player_ended_within 2
}
start_player "$GIFS/large.gif"
id=$(player_window '.') || exit 1
poll_until 20 close_key_ends_player
expect_exit_zero 1
echo "bad input ok"
