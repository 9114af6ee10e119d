#!/bin/bash
# tools/run.sh [FILE.gif] - plays the demo animation (or FILE) in Morvix.
#
#   sudo bash tools/run.sh
#
# On a fresh Debian 12 machine it installs what is missing (apt), builds the
# player (cross build) and the demo writer (native) when they are missing or
# out of date, writes the demo GIF and starts the player under Wine on it.
# With no display (DISPLAY unset) it starts a virtual one, saves a screenshot
# of the playing window and says how to look at it.
set -u
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${MORVIX_BUILD_DIR:-$SRC/build-all}
JOBS=${MORVIX_JOBS:-$(nproc 2>/dev/null || echo 2)}
. "$SRC/tools/wine-env.sh"
say() { echo "run: $*"; }

PACKAGES=(cmake make g++ gcc
    g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine32:i386 wine64 xvfb x11-utils imagemagick)

install_missing() {
    local p missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} = 0 ] && return 0
    say "installing ${missing[*]}"
    [ "$(id -u)" = 0 ] || { say "run as root (sudo bash tools/run.sh) to install them"; return 1; }
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 || return 1
    DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures DIR once, then builds TARGET in it (quick when up to date).
build_target() {  # DIR TARGET CMAKE-ARGS...
    local dir=$1 target=$2
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$SRC" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=OFF "$@" >/dev/null || return 1
    fi
    cmake --build "$dir" -j "$JOBS" --target "$target" >"$BUILD/run-build.log" 2>&1 ||
        { tail -n 30 "$BUILD/run-build.log"; return 1; }
}

XVFB_PID=
cleanup() {
    [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null
    wine_stop
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
}

# A virtual display on the first free number from :99.
start_virtual_display() {
    local n
    for n in $(seq 99 160); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 50); do
            DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && { export DISPLAY=":$n"; return 0; }
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    done
    return 1
}

# Waits up to 30 s for the player's window, then saves the screen.
screenshot_when_shown() {  # FILE GIF-NAME
    local _
    for _ in $(seq 300); do
        if xwininfo -root -tree 2>/dev/null | grep -qF -e "\"$2 (" -e '"Morvix"'; then
            sleep 1  # let a few frames play; this is a picture for a person, not a test
            timeout 5 import -window root "$1" && return 0
        fi
        kill -0 "$APP_PID" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

mkdir -p "$BUILD" || exit 1
install_missing || exit 1
wine_setup
[ "$WINEARCH" = win32 ] && win_dir=$BUILD/win32 || win_dir=$BUILD/win64
[ "$WINEARCH" = win64 ] && say "$MORVIX_WIN_NOTE"

say "building the player and the demo writer"
build_target "$win_dir" morvix -DCMAKE_TOOLCHAIN_FILE="$SRC/$MORVIX_WIN_TOOLCHAIN" || exit 1
build_target "$BUILD/native" make-demo-gif || exit 1
EXE=$win_dir/app/morvix.exe
[ -f "$EXE" ] || { say "no player at $EXE"; exit 1; }

if [ $# -gt 0 ]; then
    gif=$(realpath "$1")
else
    gif=$BUILD/demo.gif
    "$BUILD/native/make-demo-gif" "$gif" || exit 1
fi

trap cleanup EXIT
trap 'exit 130' INT TERM
headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_virtual_display || { say "no DISPLAY and no virtual display could be started"; exit 1; }
    say "no DISPLAY set: playing on the virtual display $DISPLAY"
fi

wine_template "$BUILD/wine/template-$WINEARCH" || { say "cannot make a Wine prefix"; exit 1; }
export WINEPREFIX=$BUILD/wine/run-prefix
[ -d "$WINEPREFIX" ] || cp -a "$BUILD/wine/template-$WINEARCH" "$WINEPREFIX" || exit 1

say "playing $gif (close the window or press X to quit)"
cd "$(dirname "$gif")" || exit 1
"$WINE" "$EXE" "$(basename "$gif")" &
APP_PID=$!
if [ $headless = 1 ]; then
    shot=$BUILD/run-screenshot.png
    if screenshot_when_shown "$shot" "$(basename "$gif")"; then
        say "screenshot of the playing window: $shot"
    fi
    say "to watch and use the player, run this command from a desktop session (DISPLAY set);"
    say "it keeps playing on $DISPLAY until you press Ctrl+C"
fi
wait "$APP_PID"
status=$?
APP_PID=
exit $status
