#!/bin/bash
# Left and Right walk the folder's GIF files in the order FindFirstFileW
# gives them, and stop at both ends without wrapping around.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

dir=$GIFS/order
# An upper-case extension (matched by the system's pattern rules), a space
# and a non-ASCII letter; the .txt file is not part of the walk.
gif_folder "$dir" one.gif:c.gif one.gif:a.gif one.gif:Zeta.gif one.gif:'b b.gif' one.gif:m.GIF \
    one.gif:ä.gif one.gif:d.gif || fail "fixtures"
echo "not a picture" >"$dir/notes.txt"
mapfile -t order < <(list_gifs "$dir" | tr -d '\r')
[ ${#order[@]} -eq 7 ] || fail "FindFirstFileW listed ${#order[@]} files: ${order[*]}"
echo "enumeration order: ${order[*]}"
last=$((${#order[@]} - 1))

shows() { title_is "$id" "$1 (1 frame | $2)"; }  # a one-frame file at a zoom level

start_player "$dir/${order[0]}"
id=$(player_window "^$(regex_quote "${order[0]}") \\(")

# Left at the first file does nothing. The zoom key pressed behind it shows
# that Left was handled and loaded nothing, since a load resets the zoom.
xdotool key Left minus
shows "${order[0]}" 75%
for i in $(seq 1 $last); do
    xdotool key Right
    shows "${order[i]}" 100%
done
xdotool key Right minus
shows "${order[last]}" 75%
for i in $(seq $((last - 1)) -1 0); do
    xdotool key Left
    shows "${order[i]}" 100%
done
xdotool key Left minus
shows "${order[0]}" 75%

xdotool key x
expect_exit_zero
echo PASS
