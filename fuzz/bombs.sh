#!/bin/bash
# Writes small files that ask for absurd memory or work, loads each the way
# the player does (decode, then compose) with morvix-frames, and prints what
# happened and how long it took (CPU and wall time):
#   bash fuzz/bombs.sh [path/to/morvix-frames]
# "refused" means the load failed into the empty state (exit 1); "kept N"
# means it loaded with the N frames that fit the raster budget.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
frames_tool=${1:-$root/build/morvix-frames}
[ -x "$frames_tool" ] || { echo "no morvix-frames at $frames_tool (build it, or pass its path)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8)); }
# GIF89a, a width x height screen, a 2-entry global table (black, white).
screen() { printf "GIF89a$(le16 "$1")$(le16 "$2")\\x80\\x00\\x00\\x00\\x00\\x00\\xff\\xff\\xff"; }
# One image at 0,0 of width x height whose data is a single white pixel.
image() { printf "\\x2c\\x00\\x00\\x00\\x00$(le16 "$1")$(le16 "$2")\\x00\\x02\\x02\\x4c\\x01\\x00"; }
# count copies of one image, by doubling (count a power of two).
images() {
    image "$1" "$2" >"$work/one"
    local n=1
    while [ "$n" -lt "$3" ]; do cat "$work/one" "$work/one" >"$work/two"; mv "$work/two" "$work/one"; n=$((n * 2)); done
    cat "$work/one"
}
# A run of (clear, root 1) code pairs with minimum code size 1: 4 bits each,
# two pairs a byte, in sub-blocks of 255 bytes.
clear_flood() {
    local block; block=$(printf '\\xff'; for ((i = 0; i < 255; i++)); do printf '\\x66'; done)
    printf "$block" >"$work/block"
    : >"$work/flood"
    for ((i = 0; i < $1; i++)); do cat "$work/block" >>"$work/flood"; done
    printf '\\x01' ; cat "$work/flood"; printf '\\x01\\x03\\x00'
}

bomb() {  # name, file
    local times status line
    # Wall time depends on what else the machine runs; CPU time (user +
    # system) is the cost of the load itself.
    # The timed run only loads (--bench 1); the second one reports the result.
    times=$({ TIMEFORMAT='%R %U %S'; time "$frames_tool" --bench 1 "$2" >/dev/null 2>&1; } 2>&1 | tail -1)
    "$frames_tool" "$2" >"$work/out" 2>/dev/null && status=0 || status=$?
    line=$(head -1 "$work/out")
    local outcome="kept $(awk '{print $8}' <<<"$line")"
    [ "$status" -eq 1 ] && outcome="refused"
    awk -v name="$1" -v size="$(stat -c %s "$2")" -v outcome="$outcome" -v t="$times" 'BEGIN {
        split(t, s, " ");
        printf "%-46s %9d bytes  %-8s cpu %5.2f s  wall %5.2f s\n", name, size, outcome, s[2] + s[3], s[1] }'
}

{ screen 65535 65535; images 1 1 4096; printf '\x3b'; } >"$work/a.gif"
bomb "65535 x 65535 screen, 4096 frames of 1 x 1" "$work/a.gif"
{ screen 1 1; images 1 1 1048576; printf '\x3b'; } >"$work/b.gif"
bomb "1 x 1 screen, 1048576 frames" "$work/b.gif"
{ screen 1 1; images 1 1 262144; printf '\x3b'; } >"$work/c.gif"
bomb "1 x 1 screen, 262144 frames" "$work/c.gif"
{ screen 100 100; image 65535 65535; printf '\x3b'; } >"$work/d.gif"
bomb "one 65535 x 65535 frame on 100 x 100" "$work/d.gif"
{ screen 16384 16384; image 1 1; printf '\x3b'; } >"$work/e.gif"
bomb "16384 x 16384 screen (1 GiB a frame), 1 frame" "$work/e.gif"
{ screen 12000 12000; image 1 1; printf '\x3b'; } >"$work/e2.gif"
bomb "12000 x 12000 screen (549 MiB a frame), 1 frame" "$work/e2.gif"
{ screen 8192 8192; images 1 1 64; printf '\x3b'; } >"$work/f.gif"
bomb "8192 x 8192 screen (256 MiB a frame), 64 frames" "$work/f.gif"
{ screen 2048 2048; printf '\x2c\x00\x00\x00\x00\x00\x08\x00\x08\x00'; clear_flood 4096; printf '\x3b'; } >"$work/g.gif"
bomb "2048 x 2048, 2 M clear codes in one image" "$work/g.gif"
