#!/bin/bash
# Files built to exhaust memory or time (fuzz/bombs.sh writes them), handed
# to one running player in turn: each is refused into the empty player or
# keeps the frames the native figures say, a load that memory cut naming
# the images the file holds (", 2000 in file"), and the player answers the
# next hand-over. Where the bytes of the budget set the count, the player
# keeps what its process can hold: at most the native count (the largest
# budget there is), at least half of it (frames costing twice fail that).
# The i686 exe and the x86_64 stand-in are held to the same outcomes.
# Prints each title and how long each load took.
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

# The title of a load that keeps COUNT (a regex) frames, TOTAL in file when
# memory cut it; the empty player's for no COUNT.
title_pattern() {  # FILE [COUNT [TOTAL]]
    if [ -z "${2:-}" ]; then
        echo '^Morvix$'
    elif [ -n "${3:-}" ]; then
        echo "^$(regex_quote "$1") \($2 frames, $3 in file \| "
    else
        echo "^$(regex_quote "$1") \($2 frames? \| "
    fi
}

while IFS='|' read -r file expected bound; do
    # "refused", "kept N" or "kept N of T"
    kept='' total=''
    [ "$expected" = refused ] || read -r _ kept _ total <<<"$expected"
    [ "$kept" = 0 ] && kept=1  # a document without frames has the one-frame title
    count=$kept
    [ "$bound" = bytes ] && count='[0-9]+'
    start=$(now_ms)
    answer=$(timeout 120 "$WINE" "$HELPERS/copydata_sender.exe" "$(winpath "$dir/$file")" 2>/dev/null | tr -d '\r')
    took=$(($(now_ms) - start))
    [ "$answer" = 1 ] || fail "$file: hand-over answered '$answer'"
    title=$(wait_title "$id" "$(title_pattern "$file" "$count" "$total")") || fail "$file: want $expected"
    if [ "$bound" = bytes ]; then
        [[ $title =~ \(([0-9]+)\  ]] && n=${BASH_REMATCH[1]}
        if [ "$n" -gt "$kept" ] || [ "$n" -lt $((kept / 2)) ]; then fail "$file: $n frames, want $((kept / 2)) to $kept"; fi
    fi
    echo "$file: hand-over answered after $took ms: $title"
done <"$dir/bombs.txt"

stop_app || fail "exit code"
echo "bombs ok"
