#!/bin/bash
# Draws Morvix's two icons: a framed picture with a play mark and a progress
# bar, in 16 colours (4 bits per pixel) with transparent corners.
#   res/morvix32.ico  icon group 1, the window's large icon (32 x 32)
#   res/morvix16.ico  icon group 2, the small icon in the caption (16 x 16)
# The .ico files are committed; run this (needs ImageMagick) only to change
# them. Antialiasing is off so that the output is the same on every run.
set -Eeu
trap 'echo "tools/make-icons.sh: FAILED at line $LINENO: $BASH_COMMAND (exit $?); to mend: install imagemagick and file" >&2' ERR
cd "$(dirname "$0")/.."
frame='#1c243a' sky='#6ca6df' grass='#3f8f3a' sun='#ffd84a' play='#d82b2b' track='#8d96ab'

draw_icon() {  # draw_icon OUT.ico SIZE DRAW-ARGS...
    local out=$1 size=$2
    shift 2
    convert -size "${size}x${size}" xc:none +antialias "$@" -colors 16 "$out"
}

draw_icon res/morvix32.ico 32 \
    -fill "$frame" -draw 'roundrectangle 0,0 31,31 5,5' \
    -fill "$sky" -draw 'rectangle 4,5 27,22' \
    -fill "$grass" -draw 'rectangle 4,18 27,22' \
    -fill "$sun" -draw 'circle 8,10 8,7' \
    -fill "$play" -draw 'polygon 14,8 14,20 24,14' \
    -fill "$track" -draw 'rectangle 4,25 27,26' \
    -fill "$sun" -draw 'rectangle 4,25 12,26'

draw_icon res/morvix16.ico 16 \
    -fill "$frame" -draw 'roundrectangle 0,0 15,15 2,2' \
    -fill "$sky" -draw 'rectangle 2,2 13,10' \
    -fill "$grass" -draw 'rectangle 2,9 13,10' \
    -fill "$sun" -draw 'rectangle 3,3 4,4' \
    -fill "$play" -draw 'polygon 6,3 6,9 10,6' \
    -fill "$track" -draw 'rectangle 2,12 13,13' \
    -fill "$sun" -draw 'rectangle 2,12 6,13'

file res/morvix32.ico res/morvix16.ico
