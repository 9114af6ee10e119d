#!/bin/bash
# The drop routine, run in-process on drops made by the test: only the
# first dropped file counts, and it must exist, not be a folder and end in
# ".gif"; a refused drop leaves requestedPath alone. Then a real drop on
# the window through XDND, when the drop helper is built.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

drop() { "$WINE" "$HELPERS/drop_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
expect_drop() {  # WANTED-OUTPUT NAME...
    local want=$1 have
    shift
    have=$(drop "$@")
    [ "$have" = "$want" ] || fail "drop $*: have '$have', want '$want'"
}

mkdir -p "$GIFS/folder.gif" "$GIFS/sp ä"
cp "$GIFS/b.gif" "$GIFS/sp ä/B.GIF"
a=$(winpath "$GIFS/a.gif")
expect_drop "1|$a" "$a"
expect_drop "1|$a" "$a" "$(winpath "$GIFS/notgif.gif")"              # the second is not looked at
expect_drop "1|$(winpath "$GIFS/sp ä/B.GIF")" "$(winpath "$GIFS/sp ä/B.GIF")"
expect_drop "0|untouched" "$(winpath "$GIFS/wrongext.png")" "$a" "$a"  # first file decides
expect_drop "0|untouched" "$(winpath "$GIFS/folder.gif")"
expect_drop "0|untouched" "$(winpath "$GIFS/missing.gif")"
expect_drop "0|untouched" "$(winpath "$GIFS")"

# A real drop: Wine turns an XDND drop into WM_DROPFILES.
XDND=${XDND_DROP:-}
if [ -x "$XDND" ]; then
    start_player "$GIFS/a.gif"
    id=$(player_window '^a\.gif') || exit 1
    "$XDND" "$id" 50 50 "file://$GIFS/wrongext.png" "file://$GIFS/b.gif" || fail "xdnd drop"
    xdotool key Down
    title_is "$id" "a.gif (12 frames | >> | x${TS}0.75 | 100%)"
    "$XDND" "$id" 50 50 "file://$GIFS/b.gif" || fail "xdnd drop"
    title_is "$id" "b.gif (3 frames | >> | x${TS}1.00 | 100%)"
    stop_app || fail "exit code"
else
    echo "no xdnd-drop helper: real drop not tried"
fi
echo "drop ok"
