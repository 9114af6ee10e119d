#!/bin/bash
# Playback on screen: frames advance, a pause shows the frame the title
# names, the loop count ends the run (the last frame stays, and the next
# step starts from frame 0), and the speed level scales the run.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

colour_of() { case $1 in 1) echo ff0000 ;; 2) echo 00ff00 ;; 3) echo 0000ff ;; 4) echo ffff00 ;; esac; }

# four.gif: red, green, blue, yellow, 300 ms each, forever.
start_player "$GIFS/four.gif"
id=$(player_window '^four\.gif') || exit 1
read -r w h < <(client_size "$id")
cx=$((w / 2)); cy=$((h / 2))
# Advances: every colour comes round while it plays.
for k in 2 3 4 1; do wait_pixel "$id" $cx $cy "$(colour_of $k)" 5; done
# Each pause shows exactly the frame its title names.
for _ in 1 2 3; do
    xdotool key p
    t=$(wait_title "$id" '^four\.gif \([1-4] of 4 frames \| 100%\)$') || fail "pause title"
    k=${t#four.gif (}; k=${k%% *}
    wait_pixel "$id" $cx $cy "$(colour_of "$k")" 2
    xdotool key p
    title_is "$id" "four.gif (4 frames | >> | x${TS}1.00 | 100%)"
done
stop_app || fail "exit code"

# loop2.gif: red, green, blue, 400 ms each, two passes: 2.4 s at normal
# speed. The run has ended once N steps instead of being ignored; it then
# shows frame 2 (green) and said "2 of 3". Returns the run's length in ms.
stepped_after_end() {
    xdotool key n
    [[ "$(xdotool getwindowname "$id")" == "loop2.gif (2 of 3 frames | 100%)" ]]
}
run_until_ended() {  # START-MS
    poll_until 15 stepped_after_end || fail "playback did not end after its loop count"
    echo $(( $(now_ms) - $1 ))
}

start_player "$GIFS/loop2.gif"
id=$(player_window '^loop2\.gif') || exit 1
started=$(now_ms)
# The last frame of the last pass stays on screen.
wait_pixel "$id" $cx $cy 0000ff 10
ms=$(run_until_ended "$started") || exit 1
wait_pixel "$id" $cx $cy 00ff00 2
# Two passes of 1.2 s; waits are never early, so one pass alone would end
# before 2 s have passed.
[ "$ms" -ge 2000 ] || fail "ended after $ms ms: fewer than two passes"
echo "normal speed: ended after $ms ms"

# The same run at 16.00 (eight Speed Ups): 150 ms of delays.
xdotool key s p
title_is "$id" "loop2.gif (3 frames | >> | x${TS}1.00 | 100%)"
started=$(now_ms)
xdotool key Up Up Up Up Up Up Up Up
title_is "$id" "loop2.gif (3 frames | >> | x${TS}16.00 | 100%)"
ms=$(run_until_ended "$started") || exit 1
[ "$ms" -lt 2000 ] || fail "at 16.00 the run took $ms ms"
echo "speed 16.00: ended after $ms ms"
stop_app || fail "exit code"
echo "playback ok"
