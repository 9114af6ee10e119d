# Sourced by every end-to-end test (t/*.test.sh), which tests/e2e/run.sh
# starts under Xvfb, openbox and a kept-up wineserver. A test waits for
# states with deadlines, never for fixed times, and exits non-zero on a fault:
#   . "$(dirname "$0")/../lib.sh"
#   start_app "$GIF"; id=$(wait_win '^a\.gif') || exit 1
#   xdotool key equal; wait_title "$id" "100${TS}%" || exit 1
#   [ "$(pixel "$id" 5 5)" = 808080 ] || exit 1; stop_app
#
# The runner exports the paths below; the defaults fit a test run by hand
# from the source root after tools/test.sh.
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
SRC_DIR=$(cd "$E2E_DIR/../.." && pwd)

export DISPLAY=${DISPLAY:-:99} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=${WINEARCH:-win32}
export WINE=${WINE:-wine}                       # the Wine loader; 64-bit Wine when WINEARCH=win64
export WINEPREFIX=${WINEPREFIX:-$SRC_DIR/build-all/e2e/prefix}
export WIN_BUILD=${WIN_BUILD:-$SRC_DIR/build-all/win32}    # the cross build
export EXE=${EXE:-$WIN_BUILD/app/morvix.exe}               # the player
export HELPERS=${HELPERS:-$WIN_BUILD/e2e}                   # Windows helper exes of the tests
export MORVIX_FRAMES=${MORVIX_FRAMES:-$SRC_DIR/build-all/native/morvix-frames}  # native
export MORVIX_FRAMES_EXE=${MORVIX_FRAMES_EXE:-$WIN_BUILD/morvix-frames.exe}    # cross-built
export XDND_DROP=${XDND_DROP:-$SRC_DIR/build-all/e2e/xdnd-drop}  # drops files on a window
export E2E_WORK=${E2E_WORK:-$PWD}               # the test's own scratch directory

TS=$'\u2009'  # THIN SPACE as the titles carry it; a plain space never matches

# Lets a test write `wine X.exe` whichever loader this machine needs.
wine() { "$WINE" "$@"; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# wait_win REGEX [SECONDS=10] -> prints the X id of a visible window so named.
# Visible only: every Wine process also owns unmapped "Default IME" windows.
wait_win() {
    local end=$(($(now_ms) + ${2:-10} * 1000)) id
    while [ "$(now_ms)" -lt $end ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    echo "no visible window named /$1/ within ${2:-10} s" >&2
    return 1
}

# wait_title ID REGEX [SECONDS=5] -> prints the title once it matches.
wait_title() {
    local end=$(($(now_ms) + ${3:-5} * 1000)) t=
    while [ "$(now_ms)" -lt $end ]; do
        t=$(xdotool getwindowname "$1" 2>/dev/null)
        [[ $t =~ $2 ]] && { echo "$t"; return 0; }
        sleep 0.05
    done
    echo "title timeout, want /$2/, last: $t" >&2
    return 1
}

# pixel ID X Y -> rrggbb of client pixel (X, Y). import is always bounded:
# one that hung on a closing window once stalled every other X client.
pixel() {
    timeout 5 import -window "$1" -crop "1x1+$2+$3" -depth 8 rgb:- | od -An -tx1 | tr -d ' \n'
}

# shot ID FILE: the client area as an image (managed mode, so no frame).
shot() { timeout 5 import -window "$1" "$2"; }

# start_app [ARG...]: starts the player in the background (APP_PID). The trap
# kills it if the test ends early: a leftover player would take the next
# test's start as a hand-over.
start_app() {
    wine "$EXE" "$@" >/dev/null 2>&1 &
    APP_PID=$!
    trap 'kill $APP_PID 2>/dev/null' EXIT
}

# stop_app: the player's quit key; returns the player's exit code.
stop_app() {
    xdotool key x
    wait "$APP_PID"
}

# The runner stops a test with SIGTERM on its deadline; exit, so that the
# EXIT trap above still ends the player.
trap 'exit 143' TERM INT
