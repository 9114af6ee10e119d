#!/bin/bash
# tools/run.sh [FILE.gif] - plays the demo animation (or FILE) in Morvix.
#
#   bash tools/run.sh          (as root, or as a user with sudo)
#
# On a fresh Debian 12 machine it installs what is missing (apt; as a user
# through sudo), builds the player (cross build) and the demo writer (native)
# when they are missing or out of date, writes the demo GIF and starts the
# player under Wine on it: the shipped 32-bit exe under 32-bit Wine, or where
# this machine cannot run 32-bit programs, the x86_64 build under 64-bit Wine
# (it says so). With no display (DISPLAY unset) it starts a virtual one with
# a window manager, saves a screenshot of the playing window, title bar
# included, and says how to look at it.
set -u
SRC=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${MORVIX_JOBS:-$(nproc 2>/dev/null || echo 2)}
# shellcheck source=tools/harness.sh
. "$SRC/tools/harness.sh"
BUILD=$(absolute_path "${MORVIX_BUILD_DIR:-$SRC/build-all}")
say() { echo "run: $*"; }

# Configures DIR once, then builds TARGET in it (quick when up to date).
build_target() {  # DIR TARGET CMAKE-ARGS...
    local dir=$1 target=$2 log=$BUILD/logs/run-build.log
    shift 2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        logged "$log" cmake -S "$SRC" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=OFF "$@" || return 1
    fi
    logged "$log" cmake --build "$dir" -j "$JOBS" --target "$target"
}

APP_PID=
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    wine_stop
    stop_display
}

player_shown() {  # GIF-NAME
    xwininfo -root -tree 2>/dev/null | grep -qF -e "\"$1 (" -e '"Morvix"'
}

# Waits up to 30 s for the player's window, then saves the screen.
screenshot_when_shown() {  # FILE GIF-NAME
    poll_until 30 player_shown "$2" || return 1
    # Let a few frames play: this is a picture for a person, not a test.
    sleep 1
    timeout 5 import -window root "$1"
}

mkdir -p "$BUILD/logs" || exit 1
install_packages "$BUILD/logs" "${PACKAGES_RUN[@]}" || exit 1
wine_setup || step_failed "setting up Wine" "install Wine: apt-get install wine wine64 wine32:i386" || exit 1
win_dir=$BUILD/$WINEARCH
say "player: $MORVIX_WIN_NOTE"

say "building the player and the demo writer"
build_target "$win_dir" morvix -DCMAKE_TOOLCHAIN_FILE="$SRC/$MORVIX_WIN_TOOLCHAIN" ||
    step_failed "building the player in $win_dir" "see $BUILD/logs/run-build.log; remove $win_dir to configure afresh" ||
    exit 1
build_target "$BUILD/native" make-demo-gif ||
    step_failed "building the demo writer in $BUILD/native" "see $BUILD/logs/run-build.log" || exit 1
EXE=$win_dir/app/morvix.exe
[ -f "$EXE" ] || step_failed "finding the player" "no $EXE after the build; remove $win_dir and run again" || exit 1

if [ $# -gt 0 ]; then
    gif=$(realpath "$1") || step_failed "finding $1" "give the path of a GIF file" || exit 1
else
    gif=$BUILD/demo.gif
    "$BUILD/native/make-demo-gif" "$gif" || step_failed "writing the demo GIF $gif" "check that $BUILD is writable" || exit 1
fi

trap cleanup EXIT
trap 'exit 130' INT TERM
headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_display "$BUILD/logs" ||
        step_failed "starting a virtual display and openbox" "see $BUILD/logs/xvfb.log and $BUILD/logs/wm.log" || exit 1
    say "no DISPLAY set: playing on the virtual display $DISPLAY"
fi

wine_template "$BUILD/wine/template-$WINEARCH" ||
    step_failed "making a Wine prefix" "remove $BUILD/wine and run again; check that Wine starts" || exit 1
export WINEPREFIX=$BUILD/wine/run-prefix
[ -d "$WINEPREFIX" ] || cp -a "$BUILD/wine/template-$WINEARCH" "$WINEPREFIX" ||
    step_failed "copying the Wine prefix" "check the free space in $BUILD" || exit 1

say "playing $gif (close the window or press X to quit)"
cd "$(dirname "$gif")" || exit 1
"$WINE" "$EXE" "$(basename "$gif")" &
APP_PID=$!
if [ $headless = 1 ]; then
    shot=$BUILD/run-screenshot.png
    if screenshot_when_shown "$shot" "$(basename "$gif")"; then
        say "screenshot of the playing window: $shot"
    else
        say "no screenshot: the player's window did not show within 30 s"
    fi
    say "to watch and use the player, run this command from a desktop session (DISPLAY set);"
    say "it keeps playing on $DISPLAY until you press Ctrl+C"
fi
wait "$APP_PID"
status=$?
APP_PID=
exit $status
