#!/bin/bash
# tools/test.sh - builds Morvix every way and runs every test.
#
#   bash tools/test.sh          (as root, or as a user with sudo)
#
# On a fresh Debian 12 machine it first installs what it needs (apt, through
# sudo for a user; skipped when everything is there). Then, in this order:
#   harness   the tree's checks, each on the tree and on a planted fault
#             (tools/check-checks.sh), among them the harness's own Wine
#             logic for win32 and win64 with stub loaders
#             (tools/check-harness.sh); ShellCheck over every shell script
#   sanitize  native build with AddressSanitizer + UBSan, all ctest tests
#   native    native Release build (the tools: morvix-frames, make-demo-gif)
#             and its ctest tests
#   fuzz      both fuzz targets (clang, ASan + UBSan: load-and-compose, and
#             the player against giflib) replay the seeds, the regressions
#             and the shared corpus, then fuzz $MORVIX_FUZZ_SECONDS (180)
#             seconds between them, half each; any finding fails
#   windows   both Windows cross builds, every target: i686 (the shipping
#             exe) and x86_64, each with its import table checked; the unit
#             tests of the one this machine runs under Wine: 32-bit Wine, or,
#             only where this machine cannot run 32-bit programs, the x86_64
#             build under 64-bit Wine; the summary says which ran
#   release   the release zip of the 32-bit build (tools/release.sh
#             --package): exactly the exe and README.txt, the exe the one
#             tested, the guide in CR LF with every key
#   e2e       the end-to-end tests under Xvfb + openbox (tests/e2e/run.sh) on
#             the same build
# and a summary that names the build the Windows suites ran on. Exit status
# 0 only when every stage passed.
#
# Build trees go to $MORVIX_BUILD_DIR (default: build-all/ in the source root).
# MORVIX_WINE_ARCH=win32|win64 overrides the Wine choice (tools/wine-env.sh).
set -u -o pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
cd "$SRC" || exit 1
JOBS=${MORVIX_JOBS:-$(nproc 2>/dev/null || echo 2)}
# shellcheck source=tools/harness.sh
. "$SRC/tools/harness.sh"
BUILD=$(absolute_path "${MORVIX_BUILD_DIR:-$SRC/build-all}")
mkdir -p "$BUILD/logs" || { echo "cannot make $BUILD/logs: is $BUILD writable?"; exit 1; }

# ---- Reporting ----

STAGES=() RESULTS=() SECONDS_TAKEN=() MORVIX_WIN_NOT_RUN=
banner() { printf '\n==== %s ====\n' "$*"; }
record() {  # STAGE RESULT START-EPOCH
    STAGES+=("$1") RESULTS+=("$2") SECONDS_TAKEN+=("$(($(date +%s) - $3))")
}
summary() {
    banner "Summary"
    local i failed=0
    for i in "${!STAGES[@]}"; do
        printf '  %-10s %-8s %5d s\n' "${STAGES[$i]}" "${RESULTS[$i]}" "${SECONDS_TAKEN[$i]}"
        [ "${RESULTS[$i]}" = FAILED ] && failed=1
    done
    [ -n "${MORVIX_WIN_NOTE:-}" ] && echo "  Windows unit tests and e2e ran on: $MORVIX_WIN_NOTE"
    [ -n "${MORVIX_WIN_NOT_RUN:-}" ] && echo "  the other Windows build: $MORVIX_WIN_NOT_RUN"
    echo "  logs: $BUILD/logs"
    if [ $failed = 0 ]; then echo "ALL PASSED"; else echo "SOME STAGES FAILED"; fi
    return $failed
}

# ctest with its summary shown: the failed tests, the pass count and time.
run_ctest() {  # BUILD-DIR LOG [CTEST-ARGS...]
    local dir=$1 log=$2
    shift 2
    (cd "$dir" && ctest --output-on-failure --timeout 900 -j "$JOBS" "$@") >"$log" 2>&1
    local status=$?
    grep -E '\*\*\*(Failed|Timeout|Exception)|Not Run' "$log" | sed 's/^/  /'
    sed -n '/tests passed/,$p' "$log" | sed 's/^/  /'
    [ $status = 0 ] || echo "  (full output: $log)"
    return $status
}

# ---- Builds ----

configure_and_build() {  # DIR LOG-NAME CMAKE-ARGS...
    local dir=$1 name=$2
    shift 2
    logged "$BUILD/logs/$name-configure.log" cmake -S "$SRC" -B "$dir" "$@" &&
        logged "$BUILD/logs/$name-build.log" cmake --build "$dir" -j "$JOBS"
}

# ---- Stages ----

stage_packages() {
    banner "packages"
    local start
    start=$(date +%s)
    if install_packages "$BUILD/logs" "${PACKAGES_TEST[@]}"; then
        record packages ok "$start"
    else
        record packages FAILED "$start"
        return 1
    fi
}

# Every shell script of the source tree (the build trees left out).
shell_scripts() {
    echo "$SRC/.ci/run"
    find "$SRC" \( -name '.git' -o -name 'build*' \) -prune -o -name '*.sh' -print | sort
}

stage_harness() {
    banner "harness: the checks checked on planted faults, the Wine logic (stub loaders), ShellCheck"
    local start ok=1 scripts
    start=$(date +%s)
    logged "$BUILD/logs/check-checks.log" bash "$SRC/tools/check-checks.sh" "$BUILD/check-checks" || ok=0
    tail -n 1 "$BUILD/logs/check-checks.log" | sed 's/^/  check-checks: /'
    mapfile -t scripts < <(shell_scripts)
    if (cd "$SRC" && shellcheck "${scripts[@]}") >"$BUILD/logs/shellcheck.log" 2>&1; then
        echo "  shellcheck: ${#scripts[@]} scripts clean"
    else
        echo "  shellcheck: findings in $(grep -c '^In ' "$BUILD/logs/shellcheck.log") places ($BUILD/logs/shellcheck.log):"
        grep -A3 '^In ' "$BUILD/logs/shellcheck.log" | head -n 40 | sed 's/^/    | /'
        ok=0
    fi
    if [ $ok = 1 ]; then record harness ok "$start"; else record harness FAILED "$start"; fi
}

stage_sanitize() {
    banner "sanitize: native build with ASan + UBSan, ctest"
    local start dir=$BUILD/sanitize
    start=$(date +%s)
    export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:detect_leaks=1} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
    if configure_and_build "$dir" sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVIX_SANITIZE=ON &&
        run_ctest "$dir" "$BUILD/logs/sanitize-ctest.log"; then
        record sanitize ok "$start"
    else
        record sanitize FAILED "$start"
    fi
}

stage_native() {
    banner "native: Release build and ctest"
    local start dir=$BUILD/native
    start=$(date +%s)
    if configure_and_build "$dir" native -DCMAKE_BUILD_TYPE=Release &&
        run_ctest "$dir" "$BUILD/logs/native-ctest.log"; then
        record native ok "$start"
    else
        record native FAILED "$start"
    fi
}

# The unit tests of a cross build, run by ctest through Wine in a fresh
# prefix whose wineserver is already up (else ctest waits on the pipes that
# Wine's helper processes inherit from the first test).
run_wine_ctest() {  # DIR LOG
    local status
    if ! { wine_template "$BUILD/wine/template-$WINEARCH" &&
        wine_fresh_prefix "$BUILD/wine/template-$WINEARCH" "$BUILD/wine/unit-prefix"; }; then
        echo "  cannot set up a Wine prefix: remove $BUILD/wine and run again; check that $WINE starts"
        wine_stop
        return 1
    fi
    (unset DISPLAY; run_ctest "$1" "$2")
    status=$?
    wine_stop
    return $status
}

stage_fuzz() {
    banner "fuzz: replay and a bounded session of each target under ASan + UBSan"
    local start half ok=1 target
    start=$(date +%s)
    half=$(((${MORVIX_FUZZ_SECONDS:-180} + 1) / 2))
    rm -f "$BUILD/logs"/fuzz-run*.log
    logged "$BUILD/logs/fuzz-replay.log" env MORVIX_FUZZ_BUILD="$BUILD/fuzz" bash "$SRC/fuzz/replay.sh" || ok=0
    for target in load differential; do
        [ $ok = 1 ] || break
        logged "$BUILD/logs/fuzz-run-$target.log" env MORVIX_FUZZ_BUILD="$BUILD/fuzz" \
            bash "$SRC/fuzz/run.sh" "$half" "$target" || ok=0
    done
    grep -hE '^(replay|fuzz|differential)' "$BUILD/logs"/fuzz-replay.log "$BUILD/logs"/fuzz-run-*.log 2>/dev/null |
        sed 's/^/  /'
    if [ $ok = 1 ]; then record fuzz ok "$start"; else record fuzz FAILED "$start"; fi
}

# Both Windows architectures, every target (players, tools, test programs),
# on every machine, each with its import table checked: a link option, a
# source or a toolchain setting that breaks either fails here, whichever of
# the two this machine can run. Only the one it runs has its unit tests run.
build_windows() {  # ARCH TOOLCHAIN OBJDUMP
    configure_and_build "$BUILD/$1" "$1" -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=ON \
        -DCMAKE_TOOLCHAIN_FILE="$SRC/$2" && check_imports "$BUILD/$1" "$3"
}

stage_windows() {
    banner "windows: both cross builds, their import tables, unit tests under Wine"
    local start ok=1 other
    start=$(date +%s)
    if ! wine_setup; then
        record windows FAILED "$start"
        return 1
    fi
    WIN_BUILD=$BUILD/$WINEARCH
    echo "  win32, i686 (the shipped exe):"
    build_windows win32 cmake/toolchain-i686-mingw.cmake i686-w64-mingw32-objdump || ok=0
    echo "  win64, x86_64:"
    build_windows win64 cmake/toolchain-x86_64-mingw.cmake x86_64-w64-mingw32-objdump || ok=0
    other=win64
    [ "$WINEARCH" = win32 ] || other=win32
    MORVIX_WIN_NOT_RUN="$other: built and its imports checked, not run (this machine runs $WINEARCH)"
    echo "  unit tests on: $MORVIX_WIN_NOTE"
    echo "  $MORVIX_WIN_NOT_RUN"
    if [ -f "$WIN_BUILD/CTestTestfile.cmake" ]; then
        run_wine_ctest "$WIN_BUILD" "$BUILD/logs/$WINEARCH-ctest.log" || ok=0
    else
        ok=0
    fi
    if [ $ok = 1 ]; then record windows ok "$start"; else record windows FAILED "$start"; fi
}

# The release as tools/release.sh makes it, from the Windows build just
# tested (the release itself builds twice and compares; not here).
stage_release() {
    banner "release: the zip of the tested exe and its guide, checked"
    local start
    start=$(date +%s)
    # Relative folders, from inside the build folder: as a user may give them.
    if (cd "$BUILD" && logged logs/release.log bash "$SRC/tools/release.sh" --package win32 release-check); then
        grep -hE '^(release:|  imports)' "$BUILD/logs/release.log" | sed 's/^ */  /'
        record release ok "$start"
    else
        record release FAILED "$start"
    fi
}

stage_e2e() {
    banner "e2e: end-to-end tests under Xvfb + openbox + Wine"
    local start
    start=$(date +%s)
    if [ -z "${WINEARCH:-}" ] || [ ! -f "$WIN_BUILD/app/morvix.exe" ]; then
        echo "  no player at ${WIN_BUILD:-?}/app/morvix.exe: the windows stage failed to build it"
        record e2e FAILED "$start"
        return 1
    fi
    if E2E_OUT=$BUILD/e2e WIN_BUILD=$WIN_BUILD NATIVE_BUILD=$BUILD/native \
        WINE_TEMPLATE=$BUILD/wine/template-$WINEARCH MORVIX_WINE_ARCH=$WINEARCH \
        bash "$SRC/tests/e2e/run.sh" 2>&1 | tee "$BUILD/logs/e2e.log"; then
        record e2e ok "$start"
    else
        record e2e FAILED "$start"
    fi
}

total_start=$(date +%s)
echo "Morvix tests in $SRC, builds in $BUILD, $JOBS jobs"
if stage_packages; then
    stage_harness
    stage_sanitize
    stage_native
    stage_fuzz
    stage_windows
    stage_release
    stage_e2e
fi
record total - "$total_start"
summary
