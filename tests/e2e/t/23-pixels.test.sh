#!/bin/bash
# What reaches the screen: each composed frame at 100% pixel for pixel as
# morvix-frames composes it (transparency, disposal 2 and 3 included),
# centred as the layout says on margins of the window's background colour;
# the picture's size at all eight zoom levels; re-centring after a resize,
# also when the picture overhangs the window.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

FILE=$GIFS/layers.gif  # 41 x 31, four frames
compose_expected "$FILE" "$GIFS/expect"
centred() { echo "$1 $2 $(( ($3 - $1) / 2 )) $(( ($4 - $2) / 2 ))"; }  # W H CLIENT-W CLIENT-H

start_player "$FILE"
id=$(player_window '^layers\.gif') || exit 1
xdotool key s
title_is "$id" "layers.gif (1 of 4 frames | 100%)"
read -r w h < <(client_size "$id")
ox=$(( (w - 41) / 2 )); oy=$(( (h - 31) / 2 ))

for i in 0 1 2 3; do
    [ $i = 0 ] || { xdotool key n; title_is "$id" "layers.gif ($((i + 1)) of 4 frames | 100%)"; }
    n=$(differing_pixels "$id" "$GIFS/expect/frame_000$i.ppm" $ox $oy)
    [ "$n" = 0 ] || fail "frame $i: $n pixels differ from morvix-frames"
done
# The picture and nothing else differs from the background: the margins
# are background right up to the picture's edges.
xdotool key s
title_is "$id" "layers.gif (1 of 4 frames | 100%)"
[ "$(picture_box "$id")" = "$(centred 41 31 "$w" "$h")" ] || fail "100% box: $(picture_box "$id")"

# Zoom: each level's size, centred. Out from 100% to 25%, in to 400%.
check_zoom() {  # KEY LABEL W H
    xdotool key "$1"
    title_is "$id" "layers.gif (1 of 4 frames | $2)"
    local box
    box=$(picture_box "$id")
    [ "$box" = "$(centred "$3" "$4" "$w" "$h")" ] || fail "zoom $2: box $box, want $(centred "$3" "$4" "$w" "$h")"
}
check_zoom minus 75% 31 24
check_zoom minus 50% 20 15
check_zoom minus 25% 10 7
for label in 50% 75% 100%; do xdotool key equal; title_is "$id" "layers.gif (1 of 4 frames | $label)"; done
check_zoom equal 125% 51 38
check_zoom equal 150% 61 46
check_zoom equal 200% 82 62
check_zoom equal 400% 164 124

# Smaller than the picture (but above Windows' smallest window, whose
# client area would outgrow the X window): the origin goes negative and no
# margin is left.
xdotool windowsize "$id" 140 100
wait_client_size "$id" 140 100
ox=$(( (140 - 164) / 2 )); oy=$(( (100 - 124) / 2 ))   # -12, -12
[ "$(picture_box "$id")" = "140 100 0 0" ] || fail "overhang box: $(picture_box "$id")"
# Frame 0 is (1,2,3) with a (254,1,128) block at source (5..24, 5..14);
# sample well inside uniform blocks, clear of halftone edges.
wait_pixel "$id" $(( ox + 4 * 3 )) $(( oy + 4 * 3 )) 010203
wait_pixel "$id" $(( ox + 4 * 12 )) $(( oy + 4 * 9 )) fe0180
wait_pixel "$id" $(( ox + 4 * 30 )) $(( oy + 4 * 9 )) 010203

# A resize re-centres; odd free space puts the extra pixel right and below.
for label in 200% 150% 125% 100%; do xdotool key minus; title_is "$id" "layers.gif (1 of 4 frames | $label)"; done
xdotool windowsize "$id" 300 200
wait_client_size "$id" 300 200
[ "$(picture_box "$id")" = "41 31 129 84" ] || fail "re-centred box: $(picture_box "$id")"
n=$(differing_pixels "$id" "$GIFS/expect/frame_0000.ppm" 129 84)
[ "$n" = 0 ] || fail "after resize: $n pixels differ"

stop_app || fail "exit code"
echo "pixels ok"
