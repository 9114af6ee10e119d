#!/bin/bash
# Small files that ask for absurd memory or work: a huge canvas with many
# tiny frames, a million frames on a 1 x 1 canvas, a frame past the raster
# budget, a flood of clear codes, a huge canvas without images.
#
#   bash fuzz/bombs.sh [MORVIX_FRAMES]   loads each the way the player does
#                                        (decode, then compose) with
#                                        morvix-frames and prints what
#                                        happened and its CPU and wall time
#   bash fuzz/bombs.sh --write DIR       only writes the files, and a list
#                                        DIR/bombs.txt of "file|expected|bound"
#
# "refused" means the load fails into the empty state; "kept N" means it
# loads with N frames, "kept N of T" that memory cut it to the N frames that
# fit the raster budget (the one the player has on 64-bit Windows, which
# morvix-frames takes unless told otherwise) out of the T images the file
# holds. Exit status 1 when an outcome differs from the expected one.
set -Eeuo pipefail
trap 'echo "fuzz/bombs.sh: FAILED at line $LINENO: $BASH_COMMAND (exit $?); to mend: check the free space in ${TMPDIR:-/tmp} and that the output folder is writable" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8)); }
# GIF89a, a width x height screen, a 2-entry global table (black, white).
screen() { printf '%b' "GIF89a$(le16 "$1")$(le16 "$2")\\x80\\x00\\x00\\x00\\x00\\x00\\xff\\xff\\xff"; }
# One image at 0,0 of width x height whose data is a single pixel, white or
# (INDEX 0) black: the codes clear, INDEX, end of 3 bits each.
image() {  # WIDTH HEIGHT [INDEX=1]
    local data
    data=$(printf '\\x%02x' $((0x44 | ${3:-1} << 3)))
    printf '%b' "\\x2c\\x00\\x00\\x00\\x00$(le16 "$1")$(le16 "$2")\\x00\\x02\\x02${data}\\x01\\x00"
}
# count copies of one image: a block of 2^k copies for each bit k of count,
# the blocks made by doubling.
images() {
    image "$1" "$2" >"$work/one"
    repeat "$3"
}
# count copies of $work/one.
repeat() {
    local n=$1
    while [ "$n" -gt 0 ]; do
        [ $((n & 1)) = 1 ] && cat "$work/one"
        cat "$work/one" "$work/one" >"$work/two"
        mv "$work/two" "$work/one"
        n=$((n >> 1))
    done
}
# A comment sub-block and no image.
comment() { printf '\x21\xfe\x08no image\x00'; }
# A run of (clear, root 1) code pairs with minimum code size 1: 4 bits each,
# two pairs a byte, in sub-blocks of 255 bytes.
clear_flood() {  # BLOCKS (a power of two)
    local n=1
    { printf '\xff'; for ((i = 0; i < 255; i++)); do printf '\x66'; done; } >"$work/flood"
    while [ "$n" -lt "$1" ]; do cat "$work/flood" "$work/flood" >"$work/two"; mv "$work/two" "$work/flood"; n=$((n * 2)); done
    printf '\x01'; cat "$work/flood"; printf '\x01\x03\x00'
}


# file | what it is | expected outcome under the default raster budget |
# "bytes" where the bytes of the budget set the count: the player measures
# what its process can hold, at most this budget, and may keep fewer.
bombs=(
    "canvas-65535-frames-4096.gif|65535 x 65535 screen, 4096 frames of 1 x 1|refused"
    "canvas-65535-frames-300.gif|65535 x 65535 screen, 300 frames of 1 x 1|refused"
    "canvas-1-frames-1048576.gif|1 x 1 screen, 1048576 frames|kept 9000 of 1048576"
    "canvas-1-frames-262144.gif|1 x 1 screen, 262144 frames|kept 9000 of 262144"
    "canvas-1-frames-200000.gif|1 x 1 screen, 200000 frames|kept 9000 of 200000"
    "canvas-1-frames-9500.gif|1 x 1 screen, 9500 frames|kept 9000 of 9500"
    "frame-65535.gif|one 65535 x 65535 frame on 100 x 100|refused"
    "canvas-16384.gif|16384 x 16384 screen (1 GiB a frame), 1 frame|kept 1"
    "canvas-12000.gif|12000 x 12000 screen (549 MiB a frame), 1 frame|kept 1"
    "canvas-8192-frames-64.gif|8192 x 8192 screen (256 MiB a frame), 64 frames|kept 64"
    "canvas-4000-frames-2000.gif|4000 x 4000 screen (61 MiB a frame), 2000 frames|kept 2000"
    "canvas-4000-frames-2000-alternating.gif|the same, frames alternately white and black|kept 62 of 2000|bytes"
    "canvas-20000-no-image.gif|20000 x 20000 screen, a comment, no image|kept 0"
    "clear-flood-2m.gif|2048 x 2048, 2 M clear codes in one image|kept 1"
)

write_bomb() {  # FILE-NAME PATH
    case $1 in
        canvas-65535-frames-4096.gif) { screen 65535 65535; images 1 1 4096; } ;;
        canvas-65535-frames-300.gif) { screen 65535 65535; images 1 1 300; } ;;
        canvas-1-frames-1048576.gif) { screen 1 1; images 1 1 1048576; } ;;
        canvas-1-frames-262144.gif) { screen 1 1; images 1 1 262144; } ;;
        canvas-1-frames-200000.gif) { screen 1 1; images 1 1 200000; } ;;
        canvas-1-frames-9500.gif) { screen 1 1; images 1 1 9500; } ;;
        frame-65535.gif) { screen 100 100; image 65535 65535; } ;;
        canvas-16384.gif) { screen 16384 16384; image 1 1; } ;;
        canvas-12000.gif) { screen 12000 12000; image 1 1; } ;;
        canvas-8192-frames-64.gif) { screen 8192 8192; images 1 1 64; } ;;
        canvas-4000-frames-2000.gif) { screen 4000 4000; images 1 1 2000; } ;;
        canvas-4000-frames-2000-alternating.gif)
            { image 1 1; image 1 1 0; } >"$work/one"
            { screen 4000 4000; repeat 1000; }
            ;;
        canvas-20000-no-image.gif) { screen 20000 20000; comment; } ;;
        clear-flood-2m.gif) { screen 2048 2048; printf '\x2c\x00\x00\x00\x00\x00\x08\x00\x08\x00'; clear_flood 4096; } ;;
    esac >"$2"
    printf '\x3b' >>"$2"
}

bomb() {  # DESCRIPTION FILE EXPECTED -> 0 when the outcome is the expected one
    local times status outcome
    # Wall time depends on what else the machine runs; CPU time (user +
    # system) is the cost of the load itself. The timed run only loads
    # (--bench 1); the second one reports the result.
    times=$({ TIMEFORMAT='%R %U %S'; time "$frames_tool" --bench 1 "$2" >/dev/null 2>&1; } 2>&1 | tail -1)
    "$frames_tool" "$2" >"$work/out" 2>/dev/null && status=0 || status=$?
    # "result R width W height H frames N loops L", and " images T" when
    # memory cut the load.
    outcome=$(head -1 "$work/out" | awk '{ print "kept " $8 ($11 == "images" ? " of " $12 : "") }')
    [ "$status" -eq 1 ] && outcome="refused"
    awk -v name="$1" -v size="$(stat -c %s "$2")" -v outcome="$outcome" -v t="$times" 'BEGIN {
        split(t, s, " ");
        printf "%-48s %9d bytes  %-20s cpu %5.2f s  wall %5.2f s\n", name, size, outcome, s[2] + s[3], s[1] }'
    [ "$outcome" = "$3" ] || { echo "  expected: $3"; return 1; }
}

if [ "${1:-}" = --write ]; then
    dir=${2:?usage: bombs.sh --write DIR}
    mkdir -p "$dir"
    : >"$dir/bombs.txt"
    for entry in "${bombs[@]}"; do
        IFS='|' read -r file _ expected bound <<<"$entry"
        write_bomb "$file" "$dir/$file"
        echo "$file|$expected|$bound" >>"$dir/bombs.txt"
    done
    exit 0
fi

frames_tool=${1:-$root/build/morvix-frames}
[ -x "$frames_tool" ] || { echo "no morvix-frames at $frames_tool (build it, or pass its path)" >&2; exit 2; }
failed=0
for entry in "${bombs[@]}"; do
    IFS='|' read -r file description expected _ <<<"$entry"
    write_bomb "$file" "$work/$file"
    bomb "$description" "$work/$file" "$expected" || failed=1
    rm -f "$work/$file"
done
exit $failed
