#!/bin/bash
# Files built to exhaust memory or time (fuzz/bombs.sh writes them), handed
# to one running player in turn: each is refused into the empty player or
# keeps the frames that fit the raster budget, as the native figures say,
# and the player answers the next hand-over. Prints how long each load took.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

dir=$E2E_WORK/bombs
bash "$SRC_DIR/fuzz/bombs.sh" --write "$dir" || fail "cannot write the bombs"
cp "$GIFS/b.gif" "$dir/start.gif"

start_player "$dir/start.gif"
id=$(player_window '^start\.gif') || exit 1
sync_player
# What a hand-over costs without a load: mostly starting the sender under Wine.
start=$(now_ms)
sync_player
echo "a refused hand-over answered after $(($(now_ms) - start)) ms"

while IFS='|' read -r file expected; do
    start=$(now_ms)
    answer=$(timeout 120 "$WINE" "$HELPERS/copydata_sender.exe" "$(winpath "$dir/$file")" 2>/dev/null | tr -d '\r')
    took=$(($(now_ms) - start))
    [ "$answer" = 1 ] || fail "$file: hand-over answered '$answer'"
    if [ "$expected" = refused ]; then
        title_is "$id" "Morvix"
    else
        n=${expected#kept }
        [ "$n" = 0 ] && n=1  # a document without frames has the one-frame title
        wait_title "$id" "^$(regex_quote "$file") \($n frames? " >/dev/null || fail "$file: want $n frames"
    fi
    echo "$file: $expected, hand-over answered after $took ms"
done <"$dir/bombs.txt"

stop_app || fail "exit code"
echo "bombs ok"
