#!/bin/bash
# Choices of the context menu act exactly like their keys: picked by their
# mnemonic letter or with the mouse; a choice made while Shift is held does
# nothing, as Shift+key does. The menu key centres the menu on the window,
# a right click puts its top-left corner at the click.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

gif_folder "$GIFS/pair" a.gif:x.gif a.gif:y.gif || fail "fixtures"
mapfile -t order < <(list_gifs "$GIFS/pair" | tr -d '\r')
[ ${#order[@]} -eq 2 ] || fail "FindFirstFileW listed: ${order[*]}"
first=${order[0]} second=${order[1]}

playing() { echo "$1 (12 frames | $2 | x${TS}$3 | $4)"; }
showing() { echo "$first ($1 of 12 frames | $2)"; }
pick() {  # LETTER: open the menu with the menu key and type the mnemonic
    xdotool key Menu
    wait_menu >/dev/null || fail "no menu for '$1'"
    xdotool key "$1"
    wait_menu_closed
}

start_player "$GIFS/pair/$first"
id=$(player_window "^$(regex_quote "$first") \\(")
title_is "$id" "$(playing "$first" '>>' 1.00 100%)"

# Placement. probe menu: the menu's rectangle, its owner's window rectangle,
# the owner's client origin (all on the screen).
xdotool key Menu
wait_menu >/dev/null || fail "no menu from the menu key"
read -r ml mt mr mb wl wt wr wb cx cy <<<"$(probe menu | tr '\n' ' ')"
xdotool key Escape
wait_menu_closed
[ -n "$wb" ] || fail "probe menu"
for pair in "$((ml + mr)) $((wl + wr))" "$((mt + mb)) $((wt + wb))"; do
    read -r menu window <<<"$pair"
    # shellcheck disable=SC2015 # fail when either bound is broken, as meant
    [ $((menu - window)) -ge -2 ] && [ $((menu - window)) -le 2 ] ||
        fail "menu key: menu $ml $mt $mr $mb not centred on window $wl $wt $wr $wb"
done
xdotool mousemove --window "$id" 30 40 click 3
read -r x y _ _ <<<"$(wait_menu)"
xdotool key Escape
wait_menu_closed
[ "$x $y" = "$((cx + 30)) $((cy + 40))" ] || fail "right click at client 30,40: menu at $x,$y, client at $cx,$cy"

# Mnemonics, while playing and while paused.
pick r
title_is "$id" "$(playing "$first" '<<' 1.00 100%)"
pick d
title_is "$id" "$(playing "$first" '<<' 0.75 100%)"
pick s
title_is "$id" "$(showing 1 100%)"
pick n
title_is "$id" "$(showing 2 100%)"
pick v
title_is "$id" "$(showing 1 100%)"
pick i
title_is "$id" "$(showing 1 125%)"
pick u
title_is "$id" "$(showing 1 100%)"
pick p
title_is "$id" "$(playing "$first" '>>' 0.75 100%)"
pick t
title_is "$id" "$(playing "$second" '>>' 1.00 100%)"
pick e
title_is "$id" "$(playing "$first" '>>' 1.00 100%)"

# The mouse, on "Zoom In" of the playing menu.
rows="O | Left~ Right | P R S | Up Down | + - | X"
xdotool mousemove --window "$id" 20 20 click 3
[ "$(menu_rows_seen "$rows")" = "$rows" ] || fail "playing menu at the first file"
click_menu_item "$rows" +
wait_menu_closed
title_is "$id" "$(playing "$first" '>>' 1.00 125%)"

# The same click with Shift held does nothing: Zoom Out behind it then
# lands on 100%, not on the 125% a taken choice would leave.
xdotool keydown shift
xdotool mousemove --window "$id" 20 20 click 3
wait_menu >/dev/null || fail "no menu with Shift held"
click_menu_item "$rows" +
wait_menu_closed
xdotool keyup shift
xdotool key minus
title_is "$id" "$(playing "$first" '>>' 1.00 100%)"

# Exit from the menu ends the player like X.
pick x
expect_exit_zero
echo PASS
