# shellcheck shell=bash
# Wine set-up shared by tools/test.sh, tools/run.sh, tests/e2e/run.sh and
# bench/run.sh (through tools/harness.sh). Source it; it defines functions and
# sets nothing until they are called.
#
# Morvix targets 32-bit Windows, so its exes are built with i686 mingw-w64
# and run by 32-bit Wine (WINEARCH=win32). That needs a kernel that runs
# 32-bit Linux programs natively. Some machines cannot (a kernel without IA32
# emulation), or hand 32-bit programs to a user-mode emulator (qemu-i386 via
# binfmt_misc), under which Wine hangs. There the same sources are built for
# x86_64 and run by 64-bit Wine instead, and the scripts say so loudly.
# MORVIX_WINE_ARCH=win32 or win64 overrides the choice.
#
# The loaders are always run by absolute path, from MORVIX_WINE_DIR (Debian's
# /usr/lib/wine), never through a name a shell function could shadow.
# MORVIX_WINE_DIR and MORVIX_BINFMT_DIR exist so that tools/check-harness.sh
# can put stub loaders and emulator entries in their place.

wine_loader_dir() { echo "${MORVIX_WINE_DIR:-/usr/lib/wine}"; }

# 0 when 32-bit Linux programs, and so 32-bit Wine, run natively here.
wine32_runs_natively() {
    local loader entry
    loader=$(wine_loader_dir)/wine
    [ -x "$loader" ] || return 1
    for entry in "${MORVIX_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}"/*; do
        # Without binfmt_misc the pattern stays unexpanded: no entry.
        [ -f "$entry" ] || continue
        case ${entry##*/} in register | status) continue ;; esac
        if grep -qx enabled "$entry" && grep -qE '^interpreter .*(qemu-i386|box86)' "$entry"; then
            return 1
        fi
    done
    timeout 20 "$loader" --version >/dev/null 2>&1
}

# Picks the Windows architecture and exports the Wine environment:
# WINEARCH, WINE (the loader to run exes with), WINEDEBUG, WINEDLLOVERRIDES,
# MORVIX_WIN_TOOLCHAIN (relative to the source root) and MORVIX_WIN_NOTE.
# Returns 1, saying why, when the loader is not there.
wine_setup() {
    local arch=${MORVIX_WINE_ARCH:-} dir
    dir=$(wine_loader_dir)
    if [ -z "$arch" ]; then
        if wine32_runs_natively; then arch=win32; else arch=win64; fi
    fi
    case $arch in
        win32 | win64) ;;
        *) echo "MORVIX_WINE_ARCH=$arch: want win32 or win64" >&2; return 1 ;;
    esac
    export WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ "$arch" = win32 ]; then
        export WINE=$dir/wine MORVIX_WIN_TOOLCHAIN=cmake/toolchain-i686-mingw.cmake
        unset WINELOADER
        MORVIX_WIN_NOTE="32-bit Windows build (i686, the shipped exe) under 32-bit Wine"
    else
        # Straight to the 64-bit loader: Debian's /usr/bin/wine would start
        # the 32-bit one first, which is exactly what cannot run here.
        export WINE=$dir/wine64 WINELOADER=$dir/wine64
        export MORVIX_WIN_TOOLCHAIN=cmake/toolchain-x86_64-mingw.cmake
        MORVIX_WIN_NOTE="64-bit stand-in: the x86_64 build under 64-bit Wine, because this machine cannot run 32-bit Wine (no native 32-bit Linux programs); the shipped i686 exe is compiled and checked but not run"
    fi
    export MORVIX_WIN_NOTE
    if [ ! -x "$WINE" ]; then
        echo "no Wine loader at $WINE: install Wine (as root: apt-get install wine wine64 wine32:i386)" >&2
        return 1
    fi
}

# The commands that make a prefix template in $WINEPREFIX: boot it, turn the
# crash dialog off (a crash then ends the process instead of waiting forever
# on a dialog), and wait until the registry is on disk.
# shellcheck disable=SC2016 # expanded by the bash -c that runs them
wine_boot_commands='timeout 180 "$WINE" wineboot -i </dev/null >/dev/null 2>&1 &&
    "$WINE" reg add "HKCU\Software\Wine\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    status=$?; timeout 60 wineserver -w; exit $status'

# A 64-bit prefix boot also installs the 32-bit side by starting a 32-bit
# process. Where 32-bit programs cannot run natively that start hangs (under
# qemu) or fails; so the boot runs in a private mount namespace in which the
# 32-bit loader is hidden, and Wine skips that step. A user who is not root
# gets that namespace inside a user namespace of their own (-r).
wine_boot() {  # PREFIX
    local wine32 flags=
    wine32=$(wine_loader_dir)/wine
    if unshare -m true 2>/dev/null; then
        flags=-m
    elif unshare -rm true 2>/dev/null; then
        flags=-rm
    fi
    if [ "$WINEARCH" = win64 ] && [ -e "$wine32" ] && [ -n "$flags" ]; then
        WINEPREFIX=$1 unshare "$flags" bash -c \
            "mount --bind /dev/null '$wine32' && { $wine_boot_commands; }"
    else
        WINEPREFIX=$1 bash -c "$wine_boot_commands"
    fi
}

# Builds the prefix template once. It is built beside its final place and
# renamed, so that a half-made one is never used.
wine_template() {  # DIR
    local dir=$1 building=$1.building
    [ -f "$dir/system.reg" ] && [ "$(cat "$dir/.morvix-arch" 2>/dev/null)" = "$WINEARCH" ] && return 0
    rm -rf "$dir" "$building"
    mkdir -p "$(dirname "$dir")" || return 1
    if ! wine_boot "$building"; then
        WINEPREFIX=$building wineserver -k 2>/dev/null
        return 1
    fi
    echo "$WINEARCH" >"$building/.morvix-arch" && mv "$building" "$dir"
}

# A fresh prefix copied from the template, with its wineserver kept up and
# Wine's helper processes started now rather than inside the first test (a
# test that starts them hands them its pipes; ctest then waits on those).
wine_fresh_prefix() {  # TEMPLATE PREFIX
    # No server may run for it: that is fine, so the status is not passed on.
    if [ -d "$2" ]; then WINEPREFIX=$2 wineserver -k 2>/dev/null || true; fi
    rm -rf "$2" && cp -a "$1" "$2" || return 1
    export WINEPREFIX=$2
    wineserver -p || return 1
    timeout 60 "$WINE" cmd /c exit </dev/null >/dev/null 2>&1
}

# Ends every process of the current prefix, the wineserver included.
wine_stop() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    wineserver -k 2>/dev/null
    timeout 30 wineserver -w 2>/dev/null
    return 0
}
