#!/bin/bash
# Keys with nothing loaded, with a 0-frame and with a one-frame document,
# and the open dialog. The open dialog ('O' works in every state) shows
# that the keys before it were handled.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

ALL_KEYS=(p n v s r Up Down equal minus Left Right KP_Add)

# Opens the dialog, proving every earlier key was handled, then types NAME
# (a Windows path) or cancels with an empty NAME.
open_dialog() {
    xdotool key o
    wait_win '^Open$' >/dev/null || fail "no open dialog"
    if [ -n "$1" ]; then
        xdotool type "$1"
        xdotool key Return
    else
        xdotool key Escape
    fi
    poll_until 5 window_gone '^Open$' || fail "open dialog still shown"
}

# Nothing loaded: only O, F1, X and the menu key act.
start_player
id=$(player_window '^Morvix$') || exit 1
xdotool key "${ALL_KEYS[@]}"
open_dialog ""
title_is "$id" "Morvix"

# The dialog takes a file whose name ends in .gif; anything else is refused.
open_dialog "$(winpath "$GIFS/wrongext.png")"
title_is "$id" "Morvix"
open_dialog "$(winpath "$GIFS/zero.gif")"
title_is "$id" "zero.gif (1 frame | 100%)"

# 0 frames: the frame keys, zoom included, do nothing.
xdotool key "${ALL_KEYS[@]}"
open_dialog "$(winpath "$GIFS/one.gif")"
title_is "$id" "one.gif (1 frame | 100%)"

# One frame: + and - zoom; every other key rewrites the single-frame title.
xdotool key equal
title_is "$id" "one.gif (1 frame | 125%)"
xdotool key p s n v r Up Down
xdotool key minus
title_is "$id" "one.gif (1 frame | 100%)"
# Still shown at 100%: a 40 x 30 red picture in the centre.
read -r w h < <(client_size "$id")
[ "$(picture_box "$id")" = "40 30 $(( (w - 40) / 2 )) $(( (h - 30) / 2 ))" ] || fail "one.gif box: $(picture_box "$id")"
[ "$(pixel "$id" $((w / 2)) $((h / 2)))" = ff0000 ] || fail "one.gif centre"

# A cancelled dialog keeps the document.
open_dialog ""
title_is "$id" "one.gif (1 frame | 100%)"
stop_app || fail "exit code"
echo "still keys ok"
