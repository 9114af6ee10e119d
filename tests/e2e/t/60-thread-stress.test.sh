#!/bin/bash
# Thread stress: for STRESS_SECONDS (60), bursts of random command keys and
# window resizes at a high rate, on animations whose frames keep 10 ms
# delays, the second half at the fastest speed, where the scaled delay is
# 0 ms. Behind every burst the player must answer a Stop with its title
# within a deadline (a deadlock or a stalled UI thread fails here), and at
# the end it must exit with code 0 on X.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

seconds=${STRESS_SECONDS:-60}
answer_deadline=5  # seconds; a responsive player answers in tens of ms

# 120 frames of 10 ms: 1200 ms in all, so normalisation keeps the delays.
# Two files, so that Left and Right switch documents while the worker runs.
dir=$E2E_WORK/stress
mkdir -p "$dir"
make_animation() {  # FILE WIDTH HEIGHT
    "$MAKE_E2E_GIFS" --stress "$@" || fail "cannot write $1"
}
make_animation "$dir/stress-a.gif" 48 32
make_animation "$dir/stress-b.gif" 37 53
echo "animations written after $SECONDS s"

start_player "$dir/stress-a.gif"
id=$(player_window '^stress-a\.gif') || exit 1
title_is "$id" "stress-a.gif (120 frames | >> | x${TS}1.00 | 100%)"

keys_all=(p r s n v Up Down equal minus Left Right)
keys_fast=(p r s n v Up equal minus)  # no Down, and no file step (a load resets the speed)
stopped='^stress-[ab]\.gif \(1 of 120 frames \| [0-9]+%\)$'
sent=0 resizes=0 probes=0 slowest=0

burst() {  # KEY...: 40 random keys from the given set, 2 ms apart, then a resize
    local pick=() _
    for _ in $(seq 40); do pick+=("${@:$((RANDOM % $# + 1)):1}"); done
    xdotool key --delay 2 "${pick[@]}"
    sent=$((sent + 40))
    xdotool windowsize "$id" $((160 + RANDOM % 700)) $((120 + RANDOM % 500))
    resizes=$((resizes + 1))
}

# Stop always ends in the still form showing frame 1: the UI thread has
# handled every key before it and the worker has stopped.
stop_answered() {
    local start took
    start=$(now_ms)
    xdotool key s
    wait_title "$id" "$stopped" "$answer_deadline" >/dev/null || fail "no answer to Stop within ${answer_deadline} s"
    took=$(($(now_ms) - start))
    [ $took -gt $slowest ] && slowest=$took
    probes=$((probes + 1))
}

end=$(($(now_ms) + seconds * 500))
while [ "$(now_ms)" -lt $end ]; do
    burst "${keys_all[@]}"
    stop_answered
done

echo "random keys at normal speeds until $SECONDS s: $sent keys, slowest answer $slowest ms"

# The fastest speed: 10 ms / 16 rounds to 0 ms between frames.
end=$(($(now_ms) + seconds * 500))
while [ "$(now_ms)" -lt $end ]; do
    xdotool key p Up Up Up Up Up Up Up Up Up Up Up Up Up
    wait_title "$id" "^stress-[ab]\.gif \(120 frames \| (>>|<<) \| x${TS}16\.00 \| [0-9]+%\)$" "$answer_deadline" \
        >/dev/null || fail "not playing at 16.00"
    burst "${keys_fast[@]}"
    stop_answered
done

xdotool key x
player_ended_within "$answer_deadline" || fail "still running ${answer_deadline} s after X"
wait "$APP_PID" || fail "exit code $?"
echo "stress: ${seconds} s, $sent keys, $resizes resizes, $probes answered probes, slowest answer $slowest ms, exit 0"
