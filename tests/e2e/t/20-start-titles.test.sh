#!/bin/bash
# What each kind of start shows in the title: a playing animation, one
# frame, no frame, and every start that leaves the empty player.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

# Starts the player with the given arguments and checks its title once
# the start-up load is over. Sets id.
start_and_expect() {  # WANTED-TITLE [ARGUMENT...]
    local want=$1
    shift
    start_player "$@"
    id=$(player_window '.') || exit 1
    sync_player
    title_is "$id" "$want"
}

cd "$GIFS" || exit 1
# A 12-frame file plays at once, named by its file name only.
start_and_expect "a.gif (12 frames | >> | x${TS}1.00 | 100%)" "$GIFS/a.gif"
stop_app || fail "exit code"

start_and_expect "one.gif (1 frame | 100%)" "$GIFS/one.gif"
stop_app || fail "exit code"

# A header and a comment without any image: loaded, shown as one frame.
start_and_expect "zero.gif (1 frame | 100%)" "$GIFS/zero.gif"
stop_app || fail "exit code"

# Relative to the current directory; a second name is ignored.
start_and_expect "b.gif (3 frames | >> | x${TS}1.00 | 100%)" b.gif a.gif
stop_app || fail "exit code"

mkdir -p "$GIFS/folder.gif"
for refused in "$GIFS/notgif.gif" "$GIFS/wrongext.png" "$GIFS/folder.gif" "$GIFS/missing.gif" ""; do
    if [ -n "$refused" ]; then start_and_expect "Morvix" "$refused"; else start_and_expect "Morvix"; fi
    # The empty player is all background, corners and centre.
    read -r w h < <(client_size "$id")
    for xy in "0 0" "$((w - 1)) $((h - 1))" "$((w / 2)) $((h / 2))"; do
        read -r x y <<<"$xy"
        [ "$(pixel "$id" "$x" "$y")" = "$BG" ] || fail "empty player for '$refused' at ($xy): $(pixel "$id" "$x" "$y")"
    done
    stop_app || fail "exit code"
done
echo "start titles ok"
