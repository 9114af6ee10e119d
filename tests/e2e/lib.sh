# shellcheck shell=bash
# The end-to-end tests' library, sourced first by every t/*.test.sh. The
# runner, tests/e2e/run.sh, starts the tests under Xvfb, openbox and a kept-up
# wineserver and exports the paths below; run one test by hand with
#   bash tests/e2e/run.sh t/NAME.test.sh
# A test waits for states with deadlines (poll_until and the wait_* helpers),
# never for fixed times, and exits non-zero on a fault:
#   set -u
#   . "$(dirname "$0")/../lib.sh"
#   . "$(dirname "$0")/../gui.sh"          # the test GIFs in $GIFS
#   start_player "$GIFS/a.gif"; id=$(player_window '^a\.gif') || exit 1
#   xdotool key equal; title_is "$id" "a.gif (12 frames | >> | x${TS}1.00 | 125%)"
#   wait_pixel "$id" 5 5 "$BG"; stop_app || fail "exit code"
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SRC_DIR=$(cd "$E2E_DIR/../.." && pwd)
# shellcheck source=tools/harness.sh
. "$SRC_DIR/tools/harness.sh"

# Set by the runner, in one place: the Wine loader (an absolute path) and
# prefix, the player, the Windows helper exes, the native and cross-built
# morvix-frames, the XDND drop helper, and the test's scratch directory.
for var in DISPLAY WINE WINEPREFIX EXE HELPERS MORVIX_FRAMES MORVIX_FRAMES_EXE XDND_DROP E2E_WORK; do
    [ -n "${!var:-}" ] || { echo "$var is not set: run the test through tests/e2e/run.sh" >&2; exit 2; }
done
unset var
PROBE=$HELPERS/probe.exe
LIST_GIFS=$HELPERS/list_gifs.exe
# The writer of the test GIFs (tools/make_e2e_gifs.cpp has the recipes).
MAKE_E2E_GIFS=${MAKE_E2E_GIFS:-${NATIVE_BUILD:-$SRC_DIR/build-all/native}/make-e2e-gifs}

# shellcheck disable=SC2034 # TS and BG are for the tests that source this
TS=$'\u2009'  # THIN SPACE as the titles carry it; a plain space never matches
BG=808080     # COLOR_APPWORKSPACE under Wine's default theme
APP_PID=
GIFS=

fail() { echo "FAIL: $*" >&2; exit 1; }

# A player left running would take the next test's start as a hand-over.
e2e_cleanup() {
    [ -z "$APP_PID" ] || kill "$APP_PID" 2>/dev/null
    [ -z "$GIFS" ] || rm -rf "$GIFS"
}
trap e2e_cleanup EXIT
# The runner stops a test with SIGTERM on its deadline; exit, so that the
# EXIT trap still runs.
trap 'exit 143' TERM INT

# Z:\ form of an absolute Linux path, as the player's GetFullPathNameW gives it.
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# shellcheck disable=SC2016 # the $ is a character of the sed bracket expression
regex_quote() { printf '%s' "$1" | sed 's/[][\.|$(){}?+*^]/\\&/g'; }

# ---- The player's process ----

# start_player [ARG...]: the player in the background (APP_PID).
start_player() {
    "$WINE" "$EXE" "$@" >/dev/null 2>&1 &
    APP_PID=$!
}

process_ended() { ! kill -0 "$1" 2>/dev/null; }

# Whether the player has ended within SECONDS (no failure).
player_ended_within() { poll_until "$1" process_ended "$APP_PID"; }

# stop_app: the player's quit key; returns the player's exit code.
stop_app() {
    xdotool key x
    wait "$APP_PID"
}

# The player must exit by itself with code 0 within the deadline.
expect_exit_zero() {  # [SECONDS=5]
    player_ended_within "${1:-5}" || fail "player still running; visible windows: $(visible_titles)"
    wait "$APP_PID" || fail "player exit code $?"
}

send_copydata() { "$WINE" "$HELPERS/copydata_sender.exe" "$@" 2>/dev/null | tr -d '\r'; }

# Returns once the player has answered a hand-over it must refuse: its
# start-up (command-line load included) is over and it is in its loop.
sync_player() { [ "$(send_copydata --tag 1 sync)" = 0 ] || fail "player did not answer a refused hand-over"; }

probe() { "$WINE" "$PROBE" "$@" 2>/dev/null; }
list_gifs() { "$WINE" "$LIST_GIFS" "$(winpath "$1")" 2>/dev/null; }

# ---- Windows and titles ----

# Visible only: every Wine process also owns unmapped "Default IME" windows.
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .; }

# wait_win REGEX [SECONDS=10] -> prints the X id of a visible window so named.
wait_win() {
    poll_until "${2:-10}" visible_window "$1" && return 0
    echo "no visible window named /$1/ within ${2:-10} s" >&2
    return 1
}

# Waits for the player's window whose title matches REGEX; prints its id.
player_window() { wait_win "$1" "${2:-15}" || fail "no window titled /$1/"; }

window_gone() { ! visible_window "$1" >/dev/null; }

visible_titles() {
    xdotool search --onlyvisible --name '.' 2>/dev/null | while read -r w; do printf "'%s' " "$(xdotool getwindowname "$w")"; done
}

# Sets last_title (a local of wait_title) and matches it.
title_matches() {  # ID REGEX
    last_title=$(xdotool getwindowname "$1" 2>/dev/null)
    [[ $last_title =~ $2 ]]
}

# wait_title ID REGEX [SECONDS=5] -> prints the title once it matches.
wait_title() {
    local last_title=
    if poll_until "${3:-5}" title_matches "$1" "$2"; then
        echo "$last_title"
        return 0
    fi
    echo "title timeout, want /$2/, last: $last_title" >&2
    return 1
}

title_is() {  # ID EXACT-TITLE [SECONDS=5]
    wait_title "$1" "^$(regex_quote "$2")\$" "${3:-5}" >/dev/null || fail "title: want '$2'"
}

# ---- Pixels ----

# pixel ID X Y -> rrggbb of client pixel (X, Y). import is always bounded:
# one that hung on a closing window once stalled every other X client.
pixel() {
    timeout 5 import -window "$1" -crop "1x1+$2+$3" -depth 8 rgb:- | od -An -tx1 | tr -d ' \n'
}

# Wakes the UI thread so that Wine shows what the worker drew.
nudge() { xdotool mousemove --window "$1" 1 1; }

pixel_is() {  # ID X Y RRGGBB; sets last_pixel (a local of wait_pixel)
    nudge "$1"
    last_pixel=$(pixel "$1" "$2" "$3")
    [ "$last_pixel" = "$4" ]
}

wait_pixel() {  # ID X Y RRGGBB [SECONDS=5]
    local last_pixel=
    poll_until "${5:-5}" pixel_is "$1" "$2" "$3" "$4" || fail "pixel ($2,$3): have $last_pixel, want $4"
}

client_size() {  # ID -> "W H"
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$WIDTH $HEIGHT"
}

size_is() { [ "$(client_size "$1")" = "$2 $3" ]; }
wait_client_size() {  # ID W H
    poll_until 5 size_is "$@" || fail "client size: have $(client_size "$1"), want $2 $3"
}

# The client area as an image (managed mode, so no frame).
screenshot() { timeout 5 import -window "$1" "$2" || fail "screenshot of $1"; }

# "W H X Y" of the picture: the screenshot trimmed of its background margins.
picture_box() {
    local shot=$E2E_WORK/box.png
    screenshot "$1" "$shot"
    convert "$shot" -bordercolor "#$BG" -border 1 -trim -format '%w %h %X %Y' info: |
        awk '{ sub(/^\+/, "", $3); sub(/^\+/, "", $4); print $1, $2, $3 - 1, $4 - 1 }'
}

# The composed frames of FILE as PPM files frame_NNNN.ppm in DIR, from the
# native morvix-frames, composed on the window's background colour.
compose_expected() {  # FILE DIR
    "$MORVIX_FRAMES" --background "$BG" --out "$2" "$1" >/dev/null || fail "morvix-frames $1"
}

# Counts the pixels where the window's picture at (X, Y) differs from PPM.
differing_pixels() {  # ID PPM X Y
    local shot=$E2E_WORK/shot.png size
    screenshot "$1" "$shot"
    size=$(identify -format '%wx%h' "$2")
    convert "$shot" -crop "${size}+$3+$4" +repage "$E2E_WORK/crop.ppm"
    compare -metric AE "$2" "$E2E_WORK/crop.ppm" null: 2>&1 | awk '{ print $1 }'
}

# ---- Folders and popup menus (the directory-step, menu and About tests) ----

# A fresh folder of copies of the recipes in $GIFS:
#   gif_folder DIR one.gif:first.gif one.gif:second.gif a.gif
gif_folder() {
    local dir=$1 copy
    shift
    rm -rf "$dir" && mkdir -p "$dir" || return 1
    for copy in "$@"; do cp "$GIFS/${copy%%:*}" "$dir/${copy#*:}" || return 1; done
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

menu_geometry() {
    local w X Y WIDTH HEIGHT
    w=$(menu_window) || return 1
    eval "$(xdotool getwindowgeometry --shell "$w")"
    echo "$X $Y $WIDTH $HEIGHT"
}

wait_menu() { poll_until 5 menu_geometry; }  # -> "X Y WIDTH HEIGHT" of the open menu on the screen

menu_closed() { ! menu_window >/dev/null; }
wait_menu_closed() { poll_until 5 menu_closed || fail "popup menu still open"; }

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

# ---- Long recordings (the memory tests) ----

# Exits with 77 (SKIP) unless the machine has GIB GiB of memory available:
# the player's budget is at most what its process may commit, so with less
# a recording is cut by this machine, not by the player's address space.
need_available_memory() {  # GIB
    local kib
    kib=$(awk '/^MemAvailable:/ { print $2 }' /proc/meminfo)
    [ "${kib:-0}" -ge $(($1 * 1024 * 1024)) ] || { echo "under $1 GiB of memory available"; exit 77; }
}

# Starts the player on recording.gif, a 1920 x 1080 screen recording of
# FRAMES different full frames (make-e2e-gifs --recording), and waits up to
# SECONDS for the title TITLE-REGEX, which ends the load, then for frame 0
# on screen (black in the middle, where the empty window is grey). Sets id
# and title; prints the title, how long the window, the title and the first
# frame took from the start, and the player's peak resident memory.
play_recording() {  # FRAMES TITLE-REGEX SECONDS
    local gif=$E2E_WORK/recording.gif start shown loaded drawn w h peak_kib
    "$MAKE_E2E_GIFS" --recording "$gif" "$1" || fail "cannot write the recording"
    echo "recording.gif: $1 frames, $(stat -c %s "$gif") bytes"
    start=$(now_ms)
    start_player "$gif"
    # Below 5 MB there is no early preview: until the load ends the window
    # stays empty, titled "Morvix".
    id=$(player_window '^(Morvix|recording\.gif)' 30) || exit 1
    shown=$(($(now_ms) - start))
    title=$(wait_title "$id" "$2" "$3") || fail "recording.gif: want a title /$2/"
    loaded=$(($(now_ms) - start))
    read -r w h < <(client_size "$id")
    wait_pixel "$id" $((w / 2)) $((h / 2)) 000000 10
    drawn=$(($(now_ms) - start))
    peak_kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$APP_PID/status" 2>/dev/null)
    echo "$title"
    echo "window after $shown ms, load ended (title) after $loaded ms, first frame on screen after $drawn ms"
    echo "peak resident memory of the player process: $((${peak_kib:-0} / 1024)) MiB"
}
