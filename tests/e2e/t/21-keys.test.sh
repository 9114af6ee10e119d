#!/bin/bash
# Every command key and the title it leaves, on a 12-frame animation of
# one-second frames; keys that must do nothing are each followed by a key
# whose title shows that nothing happened before it.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

A="a.gif"
playing() { echo "$A (12 frames | $1 | x${TS}$2 | $3)"; }
showing() { echo "$A ($1 of 12 frames | $2)"; }
key_title() {  # KEY WANTED-TITLE
    xdotool key "$1"
    title_is "$id" "$2"
}

# The only GIF of its folder: Left and Right have nothing to step to.
mkdir "$GIFS/alone" && cp "$GIFS/a.gif" "$GIFS/alone/"
start_player "$GIFS/alone/a.gif"
id=$(player_window "^a\.gif") || exit 1
title_is "$id" "$(playing '>>' 1.00 100%)"

key_title s "$(showing 1 100%)"
key_title n "$(showing 2 100%)"
key_title n "$(showing 3 100%)"
key_title v "$(showing 2 100%)"
key_title v "$(showing 1 100%)"
key_title v "$(showing 12 100%)"          # previous of the first is the last
key_title n "$(showing 1 100%)"           # next of the last is the first
key_title equal "$(showing 1 125%)"       # zooming while paused names the frame
key_title minus "$(showing 1 100%)"
# Up and Down need a running worker: ignored while paused, title left alone.
xdotool key Up Down
key_title n "$(showing 2 100%)"

key_title p "$(playing '>>' 1.00 100%)"
key_title Up "$(playing '>>' 1.125 100%)"
key_title Down "$(playing '>>' 1.00 100%)"
key_title Down "$(playing '>>' 0.75 100%)"
key_title r "$(playing '<<' 0.75 100%)"
key_title r "$(playing '>>' 0.75 100%)"
key_title equal "$(playing '>>' 0.75 125%)"  # zooming while playing keeps the playing form
for label in 150% 200% 400% 400%; do key_title equal "$(playing '>>' 0.75 $label)"; done
for label in 200% 150% 125% 100% 75% 50% 25% 25%; do key_title minus "$(playing '>>' 0.75 $label)"; done
key_title equal "$(playing '>>' 0.75 50%)"
# While playing, N and V change nothing but rewrite the playing form.
key_title n "$(playing '>>' 0.75 50%)"
key_title v "$(playing '>>' 0.75 50%)"

# Speed Up eight more times from 0.75 reaches 16.00 and stops there.
for label in 1.00 1.125 1.25 1.50 1.75 2.00 4.00 8.00 16.00 16.00; do key_title Up "$(playing '>>' $label 50%)"; done
for label in 8.00 4.00 2.00 1.75 1.50 1.25 1.125 1.00 0.75 0.50 0.25 0.125 0.0625 0.0625; do
    key_title Down "$(playing '>>' $label 50%)"
done

# Left and Right with nothing to step to, the keypad's plus and minus, and
# keys with Shift or Ctrl held: none may reload, zoom, pause or open
# anything. Up then proves the speed and zoom above survived and the
# animation still plays.
xdotool key Left Right KP_Add KP_Subtract shift+p ctrl+p shift+equal ctrl+minus shift+s ctrl+r shift+x ctrl+x
key_title Up "$(playing '>>' 0.125 50%)"

# Pause: the frame form names the frame on show.
xdotool key p
wait_title "$id" "^a\.gif \([0-9]+ of 12 frames \| 50%\)$" >/dev/null || fail "pause title"

stop_app || fail "exit code of X"
echo "keys ok"
