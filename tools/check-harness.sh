#!/bin/bash
# tools/check-harness.sh - the test harness's own logic, checked on any
# machine whichever Wine it has (or none): stub loaders, a stub X server and
# window manager stand in for the real ones, so both Windows architectures
# are exercised everywhere, though a machine can run at most one for real.
#   - the architecture wine_setup picks from what the machine can run;
#   - for win32 and win64: the loader is an absolute path, the one the
#     toolchain file's ctest emulator names too; tests/e2e/run.sh runs a test
#     through the real lib.sh, whose start_player must reach the stub loader
#     with that architecture's exe, and no function of the libraries may
#     shadow a command;
#   - the package install, with stub apt-get and dpkg-query: a failed
#     update is tried once more, then only warned about; a failed install
#     is tried once more preferring the release's own suite; only when that
#     fails too does the step fail; each attempt keeps a log of its own.
# Prints ok/FAIL per check and "N passed, N failed"; exit status 0 when all
# passed.
set -u
SRC=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/morvix-harness.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # WHAT COMMAND...
    if "${@:2}"; then
        passed=$((passed + 1))
        echo "ok   $1"
    else
        failed=$((failed + 1))
        echo "FAIL $1"
    fi
}

# ---- Stubs ----

stubs=$work/bin
mkdir -p "$stubs" "$work/binfmt"
stub() {  # NAME BODY
    printf '#!/bin/bash\n%s\n' "$2" >"$stubs/$1" && chmod +x "$stubs/$1"
}
# The loaders log how they were run. A Windows exe "runs" by printing its
# name; wineboot makes the prefix's registry; the 32-bit loader answers
# --version only when STUB_WINE32_RUNS=1 (as on a machine that runs 32-bit
# programs).
# shellcheck disable=SC2016 # the stubs' bodies expand when they run
loader='echo "$0 $*" >>"$STUB_LOG"
case $1 in
    --version) [ "${0##*/}" = wine64 ] || [ "${STUB_WINE32_RUNS:-1}" = 1 ] ;;
    wineboot) mkdir -p "$WINEPREFIX" && touch "$WINEPREFIX/system.reg" ;;
    *.exe) echo "ran $1" ;;
esac'
stub wine "$loader"
stub wine64 "$loader"
stub wineserver 'exit 0'
stub unshare 'exit 1'
# shellcheck disable=SC2016
stub Xvfb 'while [ $# -gt 0 ]; do [ "$1" = -displayfd ] && eval "echo 42 >&$2"; shift; done; exec sleep 300'
stub openbox 'exec sleep 300'
stub xdpyinfo 'exit 0'
stub xprop "echo '_NET_SUPPORTING_WM_CHECK(WINDOW): window id # 0x1'"
stub xdotool 'exit 0'
# shellcheck disable=SC2016
stub gcc 'while [ $# -gt 0 ]; do [ "$1" = -o ] && touch "$2"; shift; done'
export PATH=$stubs:$PATH MORVIX_WINE_DIR=$stubs MORVIX_BINFMT_DIR=$work/binfmt STUB_LOG=$work/calls

# ---- The architecture picked without MORVIX_WINE_ARCH ----

# Prints the WINEARCH that wine_setup picks, and fails on any stderr.
picked_arch() {  # BINFMT-ENTRY-OR-"" 32-BIT-LOADER-RUNS
    rm -f "$work"/binfmt/*
    [ -z "$1" ] || printf '%s\n' "$1" 'interpreter /usr/bin/qemu-i386-static' >"$work/binfmt/qemu-i386"
    (unset MORVIX_WINE_ARCH; export STUB_WINE32_RUNS=$2
        . "$SRC/tools/wine-env.sh" && wine_setup 2>"$work/stderr" && echo "$WINEARCH")
    [ ! -s "$work/stderr" ] || { echo "stderr: $(cat "$work/stderr")"; return 1; }
}
while read -r entry runs want what; do
    [ "$entry" = - ] && entry=
    check "arch: $what -> $want" [ "$(picked_arch "$entry" "$runs")" = "$want" ]
done <<'EOF'
-        1 win32 32-bit programs run, no binfmt_misc entries
enabled  1 win64 32-bit programs go to qemu-i386
disabled 1 win32 a disabled qemu-i386 entry
-        0 win64 the 32-bit loader does not start
EOF

# ---- Each architecture through the e2e runner and library ----

cat >"$work/harness.test.sh" <<'EOF'
#!/bin/bash
set -u
. "$SRC_DIR_UNDER_TEST/tests/e2e/lib.sh"
start_player --from-start-player
wait "$APP_PID" || fail "start_player: stub exit $?"
[ "$(send_copydata sync)" = "ran $HELPERS/copydata_sender.exe" ] || fail "send_copydata"
for f in $(compgen -A function); do
    ! type -P "$f" >/dev/null || fail "the function $f shadows the command $(type -P "$f")"
done
EOF

# The loaders of the runs in the log whose arguments hold TEXT.
loader_runs() { grep -F "$1" "$work/calls" | cut -d' ' -f1 | sort -u; }
# The directory of the real loaders, as the toolchain files must name them.
real_dir=$(unset MORVIX_WINE_DIR; . "$SRC/tools/wine-env.sh" && wine_loader_dir)

for target in win32 win64; do
    want_loader=$stubs/wine
    [ $target = win32 ] || want_loader=$stubs/wine64
    (export MORVIX_WINE_ARCH=$target; . "$SRC/tools/wine-env.sh" && wine_setup &&
        echo "$WINE $MORVIX_WIN_TOOLCHAIN") >"$work/setup"
    read -r loader toolchain <"$work/setup"
    check "$target: WINE is the absolute loader path" [ "$loader" = "$want_loader" ]
    emulator=$(sed -n 's/^set(CMAKE_CROSSCOMPILING_EMULATOR \(.*\))$/\1/p' "$SRC/$toolchain")
    check "$target: ctest runs $toolchain's exes with the same loader" [ "$emulator" = "$real_dir/${want_loader##*/}" ]

    build=$work/build-$target
    exe=$build/$target/app/morvix.exe
    mkdir -p "${exe%/*}" && touch "$exe"
    : >"$work/calls"
    MORVIX_WINE_ARCH=$target MORVIX_BUILD_DIR=$build SRC_DIR_UNDER_TEST=$SRC \
        bash "$SRC/tests/e2e/run.sh" "$work/harness.test.sh" >"$work/e2e-$target.log" 2>&1
    status=$?
    check "$target: the e2e runner passes the test" [ "$status $(tail -n 1 "$work/e2e-$target.log")" = "0 1 passed, 0 failed" ]
    [ $status = 0 ] || sed 's/^/    | /' "$work/e2e-$target.log" "$build/e2e/logs/harness.log" 2>/dev/null | tail -n 20
    check "$target: start_player ran the stub loader with $target's exe" \
        [ "$(loader_runs "$exe --from-start-player")" = "$want_loader" ]
    check "$target: every Windows exe went to the one loader" [ "$(loader_runs .exe)" = "$want_loader" ]
    case $target in win32) note='32-bit Windows build (i686' ;; win64) note='64-bit stand-in' ;; esac
    check "$target: the summary names the build" grep -qF "e2e ran on: $note" "$work/e2e-$target.log"
done

# ---- The package install with a mirror in mid-sync ----

# Stubs of their own, apart from the loaders': root, a dpkg-query that finds
# what the stub apt-get installed, and an apt-get that logs each call, fails
# its first $STUB_UPDATE_FAILS updates, and installs when STUB_INSTALL (or,
# with -t, STUB_INSTALL_T) is 1.
apt_bin=$work/apt-bin apt_work=$work/apt
mkdir -p "$apt_bin"
printf 'VERSION_CODENAME=bookworm\n' >"$work/os-release"
apt_stub() { printf '#!/bin/bash\n%s\n' "$2" >"$apt_bin/$1" && chmod +x "$apt_bin/$1"; }
# shellcheck disable=SC2016 # the stubs' bodies expand when they run
apt_stub id '[ "$1" != -u ] || echo 0'
# shellcheck disable=SC2016
apt_stub dpkg-query '[ -e "$STUB_INSTALLED/${!#}" ] && echo "install ok installed"'
# shellcheck disable=SC2016
apt_stub apt-get 'case $1 in
    update) echo update >>"$STUB_APT"; [ "$(grep -c update "$STUB_APT")" -gt "$STUB_UPDATE_FAILS" ] ;;
    install) if [ "$4" = -t ]; then echo "install-t:$5" >>"$STUB_APT"; [ "$STUB_INSTALL_T" = 1 ] || exit 100
        else echo install >>"$STUB_APT"; [ "$STUB_INSTALL" = 1 ] || exit 100; fi
        for p in "$@"; do touch "$STUB_INSTALLED/$p"; done ;;
esac'

# Prints the status, the apt-get calls and what the output said: W a warning
# on the failed update, N the note on security fixes, M a mend naming the
# failed update.
installs() {  # UPDATE-FAILS INSTALL INSTALL-T
    local marks='' status logs
    rm -rf "$apt_work" && mkdir -p "$apt_work/installed"
    (export PATH=$apt_bin:$PATH STUB_APT=$apt_work/calls STUB_INSTALLED=$apt_work/installed STUB_UPDATE_FAILS=$1 \
        STUB_INSTALL=$2 STUB_INSTALL_T=$3 MORVIX_OS_RELEASE=$work/os-release
        # shellcheck source=/dev/null # checked on its own; followed here, its reads look like this script's
        . "$SRC/tools/harness.sh" && install_packages "$apt_work" zip unzip) >"$apt_work/out" 2>&1
    status=$?
    grep -q '^WARNING: apt-get update failed' "$apt_work/out" && marks+=W
    grep -q 'may lack security fixes until .apt-get update && apt-get upgrade' "$apt_work/out" && marks+=N
    grep -q 'to mend: apt-get update failed' "$apt_work/out" && marks+=M
    # The logs it left, apt- and .log taken off: one for each attempt.
    logs=$(find "$apt_work" -maxdepth 1 -name 'apt-*.log' -printf '%f\n' | LC_ALL=C sort | sed 's/^apt-//; s/\.log$//')
    echo "$status $(paste -sd' ' "$apt_work/calls") ${marks:--} $(paste -sd' ' <<<"$logs")"
}
while IFS='|' read -r runs want what; do
    # shellcheck disable=SC2086 # three numbers
    check "apt: $what" [ "$(installs $runs)" = "$want" ]
done <<'EOF'
0 1 0|0 update install - install-1 update-1|update and install pass
1 1 0|0 update update install - install-1 update-1 update-2|a failed update is tried once more, with a log of its own
2 1 0|0 update update install W install-1 update-1 update-2|an update failing twice is a warning, and the install goes on
2 0 1|0 update update install install-t:bookworm WN install-1 install-2 update-1 update-2|a failed install is tried again with -t bookworm
0 0 1|0 update install install-t:bookworm N install-1 install-2 update-1|so also after an update that passed
2 0 0|1 update update install install-t:bookworm WM install-1 install-2 update-1 update-2|when that fails too, the mend names the failed update
0 0 0|1 update install install-t:bookworm - install-1 install-2 update-1|and when the update passed, only the install's logs
EOF

echo "$passed passed, $failed failed"
[ $failed = 0 ]
