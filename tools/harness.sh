# shellcheck shell=bash
# The shell library of the Morvix scripts (tools/test.sh, tools/run.sh,
# tests/e2e/run.sh and lib.sh, bench/run.sh): waiting with a deadline, saying
# which step failed, the package install, the import check of Windows exes,
# and the virtual display with its window manager. Source it; it starts
# nothing by itself.
# shellcheck source=tools/wine-env.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

# Packages of tools/run.sh (build and play), of tools/test.sh (all), and of
# tools/release.sh (the Windows build and the zip).
PACKAGES_RUN=(
    cmake make g++ gcc                                  # native build (the demo writer, morvix-frames)
    g++-mingw-w64-i686 binutils-mingw-w64-i686          # the 32-bit Windows exe
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64  # its 64-bit twin for 64-bit-only Wine
    wine wine32:i386 wine64                             # running Windows exes
    xvfb openbox x11-utils imagemagick                  # a virtual display, its window manager, screenshots
)
# shellcheck disable=SC2034 # the list of tools/test.sh
PACKAGES_TEST=(
    "${PACKAGES_RUN[@]}"
    googletest libgif-dev libstb-dev                    # unit tests, reference decoders of tests and benchmarks
    clang libclang-rt-14-dev                            # fuzzing
    file shellcheck                                     # checks of the exes and the scripts
    zip unzip                                           # the release zip and its check
    xdotool xclip libx11-dev python3                    # the GUI tests (the random walk is Python)
)
# shellcheck disable=SC2034 # the list of tools/release.sh
PACKAGES_RELEASE=(cmake make g++-mingw-w64-i686 binutils-mingw-w64-i686 zip unzip)

# absolute_path PATH: PATH made absolute against the current folder, without
# resolving links or needing it to exist. Every folder or file a script is
# given goes through it, because the scripts change folder (a test runs in
# its work folder, the zip is written from inside its stage).
absolute_path() { realpath -ms -- "$1"; }

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# poll_until SECONDS COMMAND [ARG...]: runs COMMAND every 50 ms until it
# succeeds (0) or SECONDS have passed (1). The command's output is passed on.
poll_until() {
    local end=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$end" ] || return 1
        sleep 0.05
    done
}

# step_failed STEP HOW-TO-MEND: says on stderr which step failed and what to
# do about it; returns 1 so that `|| step_failed ... || exit 1` reads well.
step_failed() {
    printf '%s: FAILED: %s\n  to mend: %s\n' "$0" "$1" "$2" >&2
    return 1
}

# Runs a command with its output in a log; on failure shows the log's tail.
logged() {  # LOG COMMAND...
    local log=$1
    shift
    if "$@" >"$log" 2>&1; then return 0; fi
    echo "  failed: $* (last lines of $log)"
    tail -n 40 "$log" | sed 's/^/    | /'
    return 1
}

# ---- Packages ----

missing_packages() {  # PACKAGE... -> the ones not installed, one a line
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

# Installs what is missing with apt: directly as root, else through sudo.
install_packages() {  # LOG-DIR PACKAGE...
    local logs=$1 missing as_root=()
    shift
    mapfile -t missing < <(missing_packages "$@")
    if [ ${#missing[@]} = 0 ]; then
        echo "all $# packages present"
        return 0
    fi
    echo "missing: ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then
        command -v sudo >/dev/null ||
            step_failed "installing packages" "run this command as root (there is no sudo here)" || return 1
        as_root=(sudo)
        echo "installing them through sudo"
    fi
    if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386 ||
            step_failed "dpkg --add-architecture i386" "run it as root, then this command again" || return 1
    fi
    # A mirror caught mid-sync serves an index of the wrong size and update
    # fails, though the other lists are fresh: try once more, then go on.
    # Each attempt keeps a log of its own: apt-update-1.log, apt-update-2.log, ...
    local apt=("${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get) update_failed='' codename mend
    if ! logged "$logs/apt-update-1.log" "${apt[@]}" update; then
        echo "apt-get update failed; trying it once more"
        logged "$logs/apt-update-2.log" "${apt[@]}" update ||
            update_failed="apt-get update failed twice (see $logs/apt-update-1.log and -2.log; a mirror in mid-sync?)"
        [ -z "$update_failed" ] || echo "WARNING: $update_failed; installing from the package lists there are"
    fi
    if ! logged "$logs/apt-install-1.log" "${apt[@]}" install -y --no-install-recommends "${missing[@]}"; then
        # Without a fresh security index, i386 twins of libraries whose amd64
        # halves come from the security suite may not be found; from the
        # release's own suite both halves have the same version.
        # (MORVIX_OS_RELEASE stands in for /etc/os-release in the harness check.)
        codename=$(sed -n 's/^VERSION_CODENAME=//p' "${MORVIX_OS_RELEASE:-/etc/os-release}" 2>/dev/null | tr -d '"')
        mend="see $logs/apt-install-1.log and -2.log; the packages must come from Debian 12"
        [ -z "$update_failed" ] ||
            mend="$update_failed: check the network and /etc/apt/sources.list, or wait for the mirror, then run this again"
        [ -n "$codename" ] &&
            echo "apt-get install failed; trying it once more preferring the release's own suite: -t $codename" &&
            logged "$logs/apt-install-2.log" "${apt[@]}" install -y --no-install-recommends -t "$codename" "${missing[@]}" ||
            step_failed "apt-get install" "$mend" || return 1
        echo "NOTE: installed preferring $codename's own suite; these packages may lack security fixes until" \
            "'apt-get update && apt-get upgrade' succeeds"
    fi
    mapfile -t missing < <(missing_packages "$@")
    [ ${#missing[@]} = 0 ] || step_failed "installing ${missing[*]}" "see $logs/apt-install-*.log" || return 1
    echo "installed"
}

# ---- Checks of a Windows build ----

# Every exe of a Windows build may import only Windows' own DLLs: a runtime
# DLL of the compiler (libgcc_s, libstdc++, libwinpthread) would be missing on
# a user's machine, and under Wine the exe would then fail silently. An exe
# that objdump cannot read, or that shows no import at all, is no exe this
# build made: that fails too, as does a missing objdump or a folder with no
# exe in it.
check_imports() {  # DIR OBJDUMP
    local dir=$1 objdump=$2 exe bad=0 dll dlls count=0
    local system='^(kernel32|user32|gdi32|shell32|comdlg32|msvcrt|advapi32|ole32|oleaut32|comctl32|shlwapi|version|winmm|ntdll)\.dll$'
    command -v "$objdump" >/dev/null || { echo "  imports: no $objdump here (install binutils-mingw-w64)"; return 1; }
    while IFS= read -r exe; do
        count=$((count + 1))
        if ! dlls=$("$objdump" -p "$exe" 2>&1); then
            echo "  ${exe#"$dir"/}: $objdump cannot read it: $(head -n 1 <<<"$dlls")"
            bad=1
            continue
        fi
        dlls=$(awk '/DLL Name:/ { print $3 }' <<<"$dlls")
        [ -n "$dlls" ] || { echo "  ${exe#"$dir"/}: no import at all"; bad=1; }
        for dll in $dlls; do
            if ! [[ ${dll,,} =~ $system ]]; then
                echo "  ${exe#"$dir"/} imports $dll"
                bad=1
            fi
        done
    done < <(find "$dir" -name '*.exe' -not -path '*/CMakeFiles/*' | LC_ALL=C sort)
    [ $count -gt 0 ] || { echo "  imports: no exe in $dir"; return 1; }
    [ $bad = 0 ] && echo "  imports of $count exes: system DLLs only"
    return $bad
}

# ---- Virtual display and window manager ----

# openbox matters: without a window manager Wine waits 2 s on every window it
# hides, and windows have no frame, so no title bar on a screenshot.
XVFB_PID='' WM_PID=''

# start_display LOG-DIR: Xvfb on a display number it finds free itself, then
# openbox; exports DISPLAY. Xvfb picks the number when it can bind it, so a
# number whose previous server is still going away is passed over rather
# than shared; should either still fail, the pair is started again.
start_display() {
    local attempt
    for attempt in 1 2 3; do
        if start_xvfb "$1" && start_openbox "$1"; then return 0; fi
        echo "display attempt $attempt failed (logs: $1/xvfb.log, $1/wm.log)" >&2
        stop_display
    done
    return 1
}

xvfb_answers() {  # NUMBER-FILE
    kill -0 "$XVFB_PID" 2>/dev/null && [ -s "$1" ] && DISPLAY=":$(head -n 1 "$1")" xdpyinfo >/dev/null 2>&1
}

start_xvfb() {  # LOG-DIR
    local number=$1/xvfb.display
    rm -f "$number"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >"$1/xvfb.log" 2>&1 &
    XVFB_PID=$!
    poll_until 10 xvfb_answers "$number" || return 1
    DISPLAY=":$(head -n 1 "$number")"
    export DISPLAY
}

# openbox is up once it has claimed the root window's WM check property.
wm_running() {
    kill -0 "$WM_PID" 2>/dev/null && xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

start_openbox() {  # LOG-DIR
    openbox >"$1/wm.log" 2>&1 &
    WM_PID=$!
    poll_until 10 wm_running
}

stop_display() {
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null && wait "$WM_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    WM_PID='' XVFB_PID=''
    return 0
}
