#!/bin/bash
# A second start hands its file to the running player and exits 0: another
# GIF loads; the same file reloads nothing and resumes a paused animation;
# no argument or a refused one ends the second start at once. Hand-overs
# with another tag or more than 2048 bytes are answered 0 and change
# nothing; one without a terminator is cut at its byte count.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

second_start() {  # ARGUMENT... ; the second process must exit 0 by itself
    "$WINE" "$EXE" "$@" >/dev/null 2>&1 &
    local pid=$!
    poll_until 15 process_ended $pid || { kill $pid; fail "second start with '$*' did not end"; }
    wait $pid || fail "second start with '$*' exited $?"
}
windows() { xdotool search --onlyvisible --class 'morvix' 2>/dev/null | wc -l; }

start_player "$GIFS/a.gif"
id=$(player_window '^a\.gif') || exit 1

second_start "$GIFS/b.gif"
title_is "$id" "b.gif (3 frames | >> | x${TS}1.00 | 100%)"

# Same file while paused and zoomed: the zoom stays (nothing reloaded) and
# the animation plays again (N then keeps the playing form).
xdotool key equal p
wait_title "$id" '^b\.gif \([1-3] of 3 frames \| 125%\)$' >/dev/null || fail "pause"
second_start "$GIFS/b.gif"
xdotool key n
title_is "$id" "b.gif (3 frames | >> | x${TS}1.00 | 125%)"

# Refused second starts change nothing. Down then shows the same document
# still plays at its speed and zoom.
mkdir -p "$GIFS/folder.gif"
second_start
second_start "$GIFS/notgif.txt"
second_start "$GIFS/missing.gif"
second_start "$GIFS/folder.gif"
second_start "$GIFS/wrongext.png"
xdotool key Down
title_is "$id" "b.gif (3 frames | >> | x${TS}0.75 | 125%)"

# Malformed hand-overs straight to the window.
[ "$(send_copydata --tag 1237549 "$(winpath "$GIFS/a.gif")")" = 0 ] || fail "other tag accepted"
[ "$(send_copydata --bytes 2050 "$(winpath "$GIFS/a.gif")")" = 0 ] || fail "2050 bytes accepted"
xdotool key Down
title_is "$id" "b.gif (3 frames | >> | x${TS}0.50 | 125%)"
# Exactly the path's units, no terminator: cut at the byte count, loads.
path=$(winpath "$GIFS/a.gif")
[ "$(send_copydata --no-nul "$path")" = 1 ] || fail "unterminated hand-over refused"
title_is "$id" "a.gif (12 frames | >> | x${TS}1.00 | 100%)"
# The path followed by junk and no terminator within the bytes sent: the
# junk becomes part of the name, which names no file: the empty player.
[ "$(send_copydata --no-nul --bytes $(( ${#path} * 2 + 6 )) "$path")" = 1 ] || fail "padded hand-over refused"
title_is "$id" "Morvix"
# 2048 bytes with the tag are taken: 1023 units, cut and terminated.
[ "$(send_copydata --no-nul --bytes 2048 "$path")" = 1 ] || fail "2048 bytes refused"
title_is "$id" "Morvix"

[ "$(windows)" = 1 ] || fail "$(windows) player windows"
stop_app || fail "exit code"
echo "hand-over ok"
