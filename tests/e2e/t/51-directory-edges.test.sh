#!/bin/bash
# Files without neighbours: the only GIF of its folder, a file opened under
# another letter case than the folder holds it, and the open file deleted
# after loading. Left and Right do nothing and the menu greys both items;
# the same folders with the file as it is on disk show that the items can
# be enabled at all.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

file_rows_grey="O | Left~ Right~ | + - | X"

# Left and Right are handled but load nothing: the zoom key after them
# still finds the zoom they would have reset.
steps_go_nowhere() {  # NAME
    xdotool key Left Right minus
    title_is "$id" "$1 (1 frame | 75%)"
}

run() {  # PATH -> id of the player showing it
    start_player "$1"
    id=$(player_window "^$(regex_quote "${1##*/}") \\(1 frame")
}

quit() { xdotool key x; expect_exit_zero; }

# The only GIF of its folder, beside a file of another type.
gif_folder "$GIFS/alone" one.gif:only.gif || fail "fixtures"
cp "$GIFS/one.gif" "$GIFS/alone/only.png"
run "$GIFS/alone/only.gif"
check_menu "$id" "$file_rows_grey" "only GIF of its folder"
steps_go_nowhere only.gif
quit

# Three files; the middle one of the system's order has both neighbours.
gif_folder "$GIFS/three" one.gif:a.gif one.gif:b.gif one.gif:c.gif || fail "fixtures"
mapfile -t order < <(list_gifs "$GIFS/three" | tr -d '\r')
middle=${order[1]}
run "$GIFS/three/$middle"
check_menu "$id" "O | Left Right | + - | X" "middle file"
quit

# The same file named in upper case: the system opens it, but the name is
# not among the entries as spelt, so it has no neighbours.
upper=${middle^^}
run "$GIFS/three/$upper"
check_menu "$id" "$file_rows_grey" "opened as $upper"
steps_go_nowhere "$upper"
quit

# The open file deleted after loading: the folder no longer lists it.
run "$GIFS/three/$middle"
check_menu "$id" "O | Left Right | + - | X" "before deleting"
rm "$GIFS/three/$middle"
check_menu "$id" "$file_rows_grey" "after deleting"
steps_go_nowhere "$middle"
quit
echo PASS
