# Helpers of the directory-step, context-menu and About tests (t/5x-*),
# sourced after lib.sh and gui.sh: GIF folders, the Windows-side probe, and
# the rows of an open popup menu read from the screen.

PROBE=${PROBE:-$HELPERS/probe.exe}
LIST_GIFS=${LIST_GIFS:-$HELPERS/list_gifs.exe}

# A fresh folder of copies of the recipes in $GIFS:
#   gif_folder DIR one.gif:first.gif one.gif:second.gif a.gif
gif_folder() {
    local dir=$1 copy
    shift
    rm -rf "$dir" && mkdir -p "$dir" || return 1
    for copy in "$@"; do cp "$GIFS/${copy%%:*}" "$dir/${copy#*:}" || return 1; done
}

probe() { "$WINE" "$PROBE" "$@" 2>/dev/null; }
list_gifs() { "$WINE" "$LIST_GIFS" "$(winpath "$1")" 2>/dev/null; }

# Polls "probe VERB" until it answers and prints the answer.
wait_probe() {  # VERB [seconds]
    local end=$(( $(now_ms) + ${2:-5}000 )) answer
    while [ "$(now_ms)" -lt $end ]; do
        answer=$(probe "$1") && { echo "$answer"; return 0; }
        sleep 0.05
    done
    return 1
}

# The open popup menu is a mapped X window of the player's class without a
# name (the player's own windows have titles). Reading it from X is much
# faster than starting a Windows probe for every look.
menu_window() {
    local w
    for w in $(xdotool search --onlyvisible --classname "${EXE##*/}" 2>/dev/null); do
        [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && { echo "$w"; return 0; }
    done
    return 1
}

wait_menu() {  # -> "X Y WIDTH HEIGHT" of the open menu on the screen
    local end=$(( $(now_ms) + 5000 )) w
    while [ "$(now_ms)" -lt $end ]; do
        if w=$(menu_window); then
            eval "$(xdotool getwindowgeometry --shell "$w")"
            echo "$X $Y $WIDTH $HEIGHT"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

wait_menu_closed() {
    local end=$(( $(now_ms) + 5000 ))
    while [ "$(now_ms)" -lt $end ]; do menu_window >/dev/null || return 0; sleep 0.05; done
    fail "popup menu still open"
}

# Popup menus under Wine's default theme: a 3-pixel border, 17 pixels per
# item and 9 per separator. Enabled text has black pixels, greyed text is
# no darker than grey (128), a separator is an etched line (about 166).
# Rows are described by name, "~" after a greyed item, "|" for a separator:
# "O | Left~ Right | X".
menu_height() {
    local row items=0 separators=0
    for row in $1; do if [ "$row" = "|" ]; then separators=$((separators + 1)); else items=$((items + 1)); fi; done
    echo $((6 + 17 * items + 9 * separators))
}

# What the open menu shows, in the terms of the description WANT: the same
# names, with "~" where the screen shows a greyed item.
menu_rows_seen() {  # WANT
    local x y width height
    read -r x y width height <<<"$(wait_menu)" || { echo "(no menu)"; return; }
    [ -n "$height" ] || { echo "(no menu)"; return; }
    if [ "$height" -ne "$(menu_height "$1")" ]; then
        echo "(a menu $height px high)"
        return
    fi
    # The darkest grey level of each band of rows, inside the border.
    timeout 5 import -window root -crop "$((width - 6))x$((height - 6))+$((x + 3))+$((y + 3))" +repage \
        -colorspace gray -depth 8 gray:- | od -An -v -tu1 -w$((width - 6)) |
        awk -v want="$1" '
            { row[NR - 1] = 255; for (i = 1; i <= NF; i++) if ($i < row[NR - 1]) row[NR - 1] = $i }
            END {
                n = split(want, names, " "); y = 0; out = ""
                for (k = 1; k <= n; k++) {
                    band = names[k] == "|" ? 9 : 17; darkest = 255
                    for (r = y; r < y + band; r++) if (row[r] < darkest) darkest = row[r]
                    y += band; name = names[k]; sub(/~$/, "", name)
                    if (names[k] == "|") seen = (darkest > 140 && darkest < 200) ? "|" : "?" darkest
                    else if (darkest <= 60) seen = name
                    else if (darkest <= 140) seen = name "~"
                    else seen = "?" darkest
                    out = out (k > 1 ? " " : "") seen
                }
                print out
            }'
}

# Opens the context menu with a right click, compares its rows and closes
# it with Escape, which sends no command.
check_menu() {  # ID WANT [what]
    local seen
    xdotool mousemove --window "$1" 20 20 click 3
    seen=$(menu_rows_seen "$2")
    xdotool key Escape
    wait_menu_closed
    [ "$seen" = "$2" ] || fail "${3:-menu}: have '$seen', want '$2'"
}

# Clicks the item NAME of the open menu described by WANT, the pointer
# being at the menu's top-left corner (where a right click opens it).
click_menu_item() {  # WANT NAME
    local y=3 row
    for row in $1; do
        [ "${row%\~}" = "$2" ] && { xdotool mousemove_relative 40 $((y + 8)) click 1; return; }
        if [ "$row" = "|" ]; then y=$((y + 9)); else y=$((y + 17)); fi
    done
    fail "no item $2 in '$1'"
}
