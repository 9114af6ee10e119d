# Helpers of the player's GUI tests, sourced by t/*.test.sh after lib.sh.
# Every wait polls a state with a deadline.

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SRC_DIR=$(cd "$E2E_DIR/../.." && pwd)
HELPERS=${HELPERS:-$(cd "$(dirname "$EXE")/.." && pwd)/e2e}  # the Windows helper exes
WINE=${WINE:-wine}
BG=808080  # COLOR_APPWORKSPACE under Wine's default theme

# The test GIFs, written fresh for each test (tools/make_e2e_gifs.cpp has the recipes).
GIFS=$(mktemp -d "${TMPDIR:-/tmp}/morvix-e2e.XXXXXX")
MAKE_E2E_GIFS=${MAKE_E2E_GIFS:-${NATIVE_BUILD:-$SRC_DIR/build-all/native}/make-e2e-gifs}
"$MAKE_E2E_GIFS" "$GIFS" || exit 1
trap 'kill $APP_PID 2>/dev/null; rm -rf "$GIFS"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Z:\ form of an absolute Linux path, as the player's GetFullPathNameW gives it.
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# The player keeps its own trap; ours must still clean the GIF folder.
start_player() {
    "$WINE" "$EXE" "$@" >/dev/null 2>&1 &
    APP_PID=$!
}

# Waits for the player's window whose title matches REGEX; prints its id.
player_window() { wait_win "$1" "${2:-15}" || fail "no window titled /$1/"; }

send_copydata() { "$WINE" "$HELPERS/copydata_sender.exe" "$@" 2>/dev/null | tr -d '\r'; }

# Returns once the player has answered a hand-over it must refuse: its
# start-up (command-line load included) is over and it is in its loop.
sync_player() { [ "$(send_copydata --tag 1 sync)" = 0 ] || fail "player did not answer a refused hand-over"; }

title_is() {  # ID EXACT-TITLE [seconds]
    local want=$2 t
    t=$(wait_title "$1" "^$(regex_quote "$want")\$" "${3:-5}") || fail "title: want '$want'"
}

regex_quote() { printf '%s' "$1" | sed 's/[][\.|$(){}?+*^]/\\&/g'; }

# Wakes the UI thread so that Wine shows what the worker drew.
nudge() { xdotool mousemove --window "$1" 1 1; }

wait_pixel() {  # ID X Y RRGGBB [seconds]
    local end=$(( $(now_ms) + ${5:-5}000 )) p
    while [ "$(now_ms)" -lt $end ]; do
        nudge "$1"
        p=$(pixel "$1" "$2" "$3")
        [ "$p" = "$4" ] && return 0
        sleep 0.03
    done
    fail "pixel ($2,$3): have $p, want $4"
}

client_size() {  # ID -> "W H"
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$WIDTH $HEIGHT"
}

wait_client_size() {  # ID W H
    local end=$(( $(now_ms) + 5000 ))
    while [ "$(now_ms)" -lt $end ]; do
        [ "$(client_size "$1")" = "$2 $3" ] && return 0
        sleep 0.05
    done
    fail "client size: have $(client_size "$1"), want $2 $3"
}

screenshot() { timeout 5 import -window "$1" "$2" || fail "screenshot of $1"; }

# "W H X Y" of the picture: the screenshot trimmed of its background margins.
picture_box() {
    local shot=$GIFS/box.png
    screenshot "$1" "$shot"
    convert "$shot" -bordercolor "#$BG" -border 1 -trim -format '%w %h %X %Y' info: |
        awk '{ sub(/^\+/, "", $3); sub(/^\+/, "", $4); print $1, $2, $3 - 1, $4 - 1 }'
}

# The composed frames of FILE as PPM files frame_NNNN.ppm in DIR, from the
# native morvix-frames, composed on the window's background colour.
frames_tool() {
    local candidate
    for candidate in "${MORVIX_FRAMES:-}" "$SRC_DIR/build/morvix-frames" "$SRC_DIR/build-app/morvix-frames"; do
        [ -n "$candidate" ] && [ -x "$candidate" ] && { echo "$candidate"; return 0; }
    done
    fail "morvix-frames not found (set MORVIX_FRAMES)"
}
compose_expected() {  # FILE DIR
    mkdir -p "$2"
    "$(frames_tool)" --background "$BG" --out "$2" "$1" >/dev/null || fail "morvix-frames $1"
}

# Counts the pixels where the window's picture at (X, Y) differs from PPM.
differing_pixels() {  # ID PPM X Y
    local shot=$GIFS/shot.png size
    screenshot "$1" "$shot"
    size=$(identify -format '%wx%h' "$2")
    convert "$shot" -crop "${size}+$3+$4" +repage "$GIFS/crop.ppm"
    compare -metric AE "$2" "$GIFS/crop.ppm" null: 2>&1 | awk '{ print $1 }'
}

visible_titles() {
    xdotool search --onlyvisible --name '.' 2>/dev/null | while read -r w; do printf "'%s' " "$(xdotool getwindowname "$w")"; done
}

# Whether the player has ended within MS milliseconds (no failure).
player_ended_within() {  # MS
    local end=$(( $(now_ms) + $1 ))
    while kill -0 "$APP_PID" 2>/dev/null; do
        [ "$(now_ms)" -lt $end ] || return 1
        sleep 0.05
    done
}

# The player must exit by itself with code 0 within the deadline.
expect_exit_zero() {  # [seconds]
    local end=$(( $(now_ms) + ${1:-5}000 ))
    while kill -0 "$APP_PID" 2>/dev/null; do
        [ "$(now_ms)" -lt $end ] || fail "player still running; visible windows: $(visible_titles)"
        sleep 0.05
    done
    wait "$APP_PID"
    local code=$?
    [ $code = 0 ] || fail "player exit code $code"
}
