#!/bin/bash
# tests/e2e/run.sh [t/NAME.test.sh ...]
#
# Runs the end-to-end tests (all of t/*.test.sh by default) under one Xvfb,
# openbox and one kept-up wineserver, each test with a deadline, and prints
# PASS / FAIL / SKIP per test and "N passed, N failed" as its last line.
# Exit status: 0 when no test failed.
#
# openbox matters: without a window manager Wine waits 2 s on every window
# it hides. The wineserver is kept up and warmed before the first test, so
# that no test pays for (or inherits pipes from) Wine's start-up.
#
# Environment (tools/test.sh sets all of it; the defaults fit its layout).
# The runner is the one place that sets what tests/e2e/lib.sh needs:
#   E2E_OUT      scratch, logs and the prefix template   (build-all/e2e)
#   WINE_TEMPLATE the Wine prefix template, made if missing (E2E_OUT/template-ARCH)
#   WIN_BUILD    the cross build; EXE the player in it   (build-all/win32, or
#                build-all/win64 where 32-bit Wine cannot run)
#   NATIVE_BUILD the native Release build (morvix-frames) (build-all/native)
#   E2E_TEST_TIMEOUT  seconds per test                    (120)
# A test that needs no player says so in its first lines with
#   # e2e: no player needed
# and still runs when the player has not been built; the others then skip.
# A test may also exit with 77 to report SKIP. A test that runs for as long
# as a variable says adds it to its deadline with a line
#   # e2e: add to the deadline VARIABLE (DEFAULT SECONDS)
set -u
E2E_DIR=$(cd "$(dirname "$0")" && pwd)
SRC_DIR=$(cd "$E2E_DIR/../.." && pwd)
# shellcheck source=tools/harness.sh
. "$SRC_DIR/tools/harness.sh"
note() { echo "e2e: $*"; }
wine_setup || { note "cannot set up Wine"; exit 1; }

# Absolute, every one: each test runs in a work folder of its own.
BUILD_ROOT=$(absolute_path "${MORVIX_BUILD_DIR:-$SRC_DIR/build-all}")
E2E_OUT=$(absolute_path "${E2E_OUT:-$BUILD_ROOT/e2e}")
WIN_BUILD=$(absolute_path "${WIN_BUILD:-$BUILD_ROOT/$WINEARCH}")
NATIVE_BUILD=$(absolute_path "${NATIVE_BUILD:-$BUILD_ROOT/native}")
EXE=$(absolute_path "${EXE:-$WIN_BUILD/app/morvix.exe}")
HELPERS=$(absolute_path "${HELPERS:-$WIN_BUILD/e2e}")
MORVIX_FRAMES=$(absolute_path "${MORVIX_FRAMES:-$NATIVE_BUILD/morvix-frames}")
MORVIX_FRAMES_EXE=$(absolute_path "${MORVIX_FRAMES_EXE:-$WIN_BUILD/morvix-frames.exe}")
export E2E_OUT WIN_BUILD NATIVE_BUILD EXE HELPERS MORVIX_FRAMES MORVIX_FRAMES_EXE
export XDND_DROP=$E2E_OUT/xdnd-drop
template=$(absolute_path "${WINE_TEMPLATE:-$E2E_OUT/template-$WINEARCH}")
timeout_s=${E2E_TEST_TIMEOUT:-120}

mkdir -p "$E2E_OUT/logs" || { note "cannot make $E2E_OUT/logs"; exit 1; }

cleanup() {
    wine_stop
    stop_display
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- Wine session ----

start_wine_session() {
    wine_fresh_prefix "$template" "$E2E_OUT/prefix"
}

# After a failed test: release keys it may have left pressed and end every
# Windows process it left, so that the next test starts clean.
reset_after_failure() {
    xdotool keyup shift ctrl alt super Escape x 2>/dev/null
    wine_stop
    start_wine_session || note "could not restart the Wine session"
}

# ---- Tests ----

needs_no_player() { head -n 8 "$1" | grep -q '^# e2e: no player needed'; }

deadline_of() {  # FILE -> seconds
    local seconds=$timeout_s variable default
    while read -r variable default; do
        seconds=$((seconds + ${!variable:-$default}))
    done < <(sed -n 's/^# e2e: add to the deadline \([A-Z_][A-Z0-9_]*\) (\([0-9]*\))$/\1 \2/p' "$1")
    echo "$seconds"
}

run_test() {  # FILE -> PASS, FAIL or SKIP line; returns 0 pass, 1 fail, 2 skip
    local t=$1 name work log start rc ms deadline
    name=$(basename "$t" .test.sh)
    deadline=$(deadline_of "$t")
    work=$E2E_OUT/work/$name
    log=$E2E_OUT/logs/$name.log
    if [ ! -f "$EXE" ] && ! needs_no_player "$t"; then
        echo "SKIP $name (no player at $EXE)"
        return 2
    fi
    rm -rf "$work" && mkdir -p "$work"
    start=$(date +%s%N)
    (cd "$work" && E2E_WORK=$work timeout -k 5 "$deadline" bash "$t") >"$log" 2>&1
    rc=$?
    ms=$((($(date +%s%N) - start) / 1000000))
    case $rc in
        0) echo "PASS $name (${ms} ms)"; return 0 ;;
        77) echo "SKIP $name ($(tail -n 1 "$log"))"; return 2 ;;
        124 | 137) echo "FAIL $name (no result within ${deadline} s)" ;;
        *) echo "FAIL $name (exit $rc, ${ms} ms)" ;;
    esac
    sed 's/^/    | /' "$log" | tail -n 20
    return 1
}

# Arguments may be paths or names: t/10-x.test.sh, 10-x.test.sh, 10-x or x.
tests=()
for arg in "$@"; do
    for candidate in "$arg" "$E2E_DIR/$arg" "$E2E_DIR/t/$arg" "$E2E_DIR/t/$arg.test.sh" "$E2E_DIR"/t/[0-9]*-"$arg".test.sh; do
        [ -f "$candidate" ] && { tests+=("$(realpath "$candidate")"); continue 2; }
    done
    note "no test $arg"
    exit 2
done
[ $# -gt 0 ] || tests=("$E2E_DIR"/t/*.test.sh)
[ -e "${tests[0]}" ] || { note "no tests in $E2E_DIR/t"; echo "0 passed, 0 failed"; exit 0; }

gcc -O2 -Wall -Wextra -Werror -o "$XDND_DROP" "$E2E_DIR/xdnd-drop.c" -lX11 ||
    step_failed "building the XDND drop helper" "install gcc and libx11-dev (tools/test.sh does)" || exit 1
start_display "$E2E_OUT" ||
    step_failed "starting Xvfb and openbox" "see $E2E_OUT/xvfb.log and $E2E_OUT/wm.log; install xvfb, openbox and x11-utils" ||
    exit 1
note "display $DISPLAY; player $EXE: $MORVIX_WIN_NOTE"
wine_template "$template" ||
    step_failed "making the Wine prefix template $template" "run again; if it fails again, remove $template* and check that Wine starts" ||
    exit 1
start_wine_session || step_failed "starting the Wine session" "run again after wineserver -k" || exit 1

passed=0 failed=0 skipped=0
for t in "${tests[@]}"; do
    run_test "$t"
    case $? in
        0) passed=$((passed + 1)) ;;
        1) failed=$((failed + 1)); reset_after_failure ;;
        2) skipped=$((skipped + 1)) ;;
    esac
done
[ $skipped -gt 0 ] && echo "$skipped skipped"
echo "e2e ran on: $MORVIX_WIN_NOTE ($EXE)"
echo "$passed passed, $failed failed"
[ $failed = 0 ]
