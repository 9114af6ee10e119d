#!/bin/bash
# The demo animation must decode to the same pictures in Morvix and in an
# independent decoder (ImageMagick), frame by frame, composed over the same
# background. This proves the demo encoder writes valid LZW data and that the
# demo really shows what it is for: transparency, disposal 2 and 3, looping.
#
#   check-demo-gif.sh MAKE_DEMO_GIF MORVIX_FRAMES WORKDIR
set -u
[ $# -eq 3 ] || { echo "usage: check-demo-gif.sh MAKE_DEMO_GIF MORVIX_FRAMES WORKDIR" >&2; exit 2; }
make_demo=$1 frames_tool=$2 work=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

{ rm -rf "$work" && mkdir -p "$work/magick"; } || fail "cannot make $work"
gif=$work/demo.gif
"$make_demo" "$gif" || fail "make-demo-gif exited with $?"

# The output folder does not exist yet: morvix-frames creates it.
"$frames_tool" --background ababab --out "$work/morvix" "$gif" >"$work/morvix.txt" ||
    fail "morvix-frames exited with $?"
want="result 0 width 160 height 120 frames 16 loops 0"
have=$(head -1 "$work/morvix.txt")
[ "$have" = "$want" ] || fail "morvix-frames summary: have '$have', want '$want'"

# What the demo is meant to show, as the decoder reports it.
count() { grep -c "$1" "$work/morvix.txt"; }
[ "$(count ' disposal 3 key 1')" = 8 ] || fail "want 8 transparent frames with disposal 3"
[ "$(count ' disposal 2 key 1')" = 7 ] || fail "want 7 transparent frames with disposal 2"

# Geometry and delays as ImageMagick reads them, in morvix-frames' words.
identify -format 'left %X top %Y width %w height %h delay %T\n' "$gif" |
    sed -E 's/(left|top) \+/\1 /g; s/delay ([0-9]+)$/delay \10/' >"$work/magick.txt" ||
    fail "identify cannot read the demo"
sed -E 's/^frame [0-9]+ //; s/ disposal.*//' "$work/morvix.txt" | tail -n +2 |
    diff -u "$work/magick.txt" - >&2 || fail "frame geometry or delays differ from ImageMagick's"

convert "$gif" -coalesce -background '#ababab' -alpha remove -alpha off "$work/magick/frame_%04d.ppm" ||
    fail "ImageMagick cannot compose the demo"
for picture in "$work"/morvix/frame_*.ppm; do
    name=$(basename "$picture")
    differing=$(compare -metric AE "$picture" "$work/magick/$name" null: 2>&1)
    [ "$differing" = 0 ] || fail "$name: $differing pixels differ from ImageMagick's"
done
echo "demo.gif: 16 frames agree with ImageMagick, pixel for pixel"
