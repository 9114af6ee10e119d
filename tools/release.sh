#!/bin/bash
# tools/release.sh - the release a Windows user downloads:
# Morvix-<version>-win32.zip, holding morvix.exe and its user's guide
# README.txt, with its SHA-256.
#
#   bash tools/release.sh                      (as root, or as a user with sudo)
#   bash tools/release.sh --package BUILD OUT
#
# On a fresh Debian 12 machine it first installs what it needs (apt). Then it
# builds the 32-bit exe in Release twice, each time in a clean build folder
# of its own, installs each build (cmake --install) and zips it, and
# compares: the two zips must be byte-equal, else it says which bytes
# differ. It checks the exe's imports (system DLLs only) and resources and
# the zip (tools/check-release.sh), and writes into $MORVIX_RELEASE_DIR
# (dist/ in the source root) the zip, its SHA-256 and the toolchain that
# made it: the bytes are the same for the same commit and toolchain.
#
# --package zips the Windows build BUILD as it is, without building, into
# OUT and checks it the same way: the test command's check of the release.
#
# The zip is Info-ZIP's with fixed settings: the installed files in name
# order, mode 644, their times SOURCE_DATE_EPOCH or else the commit's time,
# in UTC; no extra fields, no directory entries.
set -u
SRC=$(cd "$(dirname "$0")/.." && pwd)
JOBS=${MORVIX_JOBS:-$(nproc 2>/dev/null || echo 2)}
# shellcheck source=tools/harness.sh
. "$SRC/tools/harness.sh"
BUILD=$(absolute_path "${MORVIX_BUILD_DIR:-$SRC/build-all}")
say() { echo "release: $*"; }
# What decides the bytes of the exe and of the zip.
TOOLCHAIN=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix-runtime binutils-mingw-w64-i686 mingw-w64-i686-dev
    cmake zip)

# Configures a clean DIR and builds the player and its guide.
build() {  # DIR
    local log=$BUILD/logs/${1##*/}
    rm -rf "$1"
    logged "$log-configure.log" cmake -S "$SRC" -B "$1" -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$SRC/cmake/toolchain-i686-mingw.cmake" &&
        logged "$log-build.log" cmake --build "$1" -j "$JOBS" --target morvix users_guide
}

version_of() {  # BUILD
    sed -n 's/^#define MORVIX_VERSION_TEXT "\(.*\)"$/\1/p' "$1/generated/morvix_version.h" 2>/dev/null
}

# Installs BUILD into a clean STAGE and zips all it installed into ZIP.
package() {  # BUILD STAGE ZIP
    local files
    rm -rf "$2" "$3" && mkdir -p "$2" && logged "$2.install.log" cmake --install "$1" --prefix "$2" || return 1
    mapfile -t files < <(cd "$2" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    (cd "$2" && chmod 644 "${files[@]}" && touch -d "@$EPOCH" "${files[@]}" && TZ=UTC zip -X -D -q "$3" "${files[@]}")
}

# Says where two files differ: how many bytes, the first ten of them, and
# for an exe the PE header field that holds such a byte.
tell_difference() {  # A B
    local pe='' offset a b field
    [[ $1 == *.exe ]] && pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    echo "  ${1##*/}: $(cmp -l "$1" "$2" 2>/dev/null | wc -l) bytes differ; $(cmp "$1" "$2" 2>&1 | head -n 1)"
    cmp -l "$1" "$2" 2>/dev/null | head -n 10 | while read -r offset a b; do
        offset=$((offset - 1)) field=''
        if [ -n "$pe" ]; then
            ((offset >= pe + 8 && offset < pe + 12)) && field=' (PE header: time stamp)'
            ((offset >= pe + 88 && offset < pe + 92)) && field=' (PE header: checksum)'
        fi
        printf '    offset 0x%x: 0x%02x, 0x%02x%s\n' "$offset" "$((8#$a))" "$((8#$b))" "$field"
    done
}

# The checks of the suite on the exe, and of the zip as a user gets it.
check() {  # BUILD STAGE ZIP
    check_imports "$2" i686-w64-mingw32-objdump &&
        logged "$2.resources.log" bash "$SRC/tools/check-resources.sh" i686-w64-mingw32-windres "$version" \
            "$2.resources" "$2/morvix.exe" &&
        logged "$2.zip-check.log" bash "$SRC/tools/check-release.sh" "$3" "$1/app/morvix.exe" "$SRC" "$2.unzipped" \
            i686-w64-mingw32-objdump
}

# The record of what made the bytes: a package that is not installed is
# named as missing rather than left out.
toolchain() {
    local package version
    echo "commit $(git -C "$SRC" rev-parse HEAD 2>/dev/null || echo unknown), SOURCE_DATE_EPOCH $EPOCH"
    for package in "${TOOLCHAIN[@]}"; do
        version=$(dpkg-query -W -f='${Status} ${Version}\n' "$package" 2>/dev/null | sed -n 's/^install ok installed //p')
        echo "$package ${version:-MISSING: not installed}"
    done
    i686-w64-mingw32-g++-posix --version | head -n 1
    i686-w64-mingw32-ld --version | head -n 1
    zip -v | sed -n 2p
}

mkdir -p "$BUILD/logs" || exit 1
EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$SRC" log -1 --format=%ct 2>/dev/null)}
[ -n "$EPOCH" ] || step_failed "finding the time of the files in the zip" \
    "set SOURCE_DATE_EPOCH (seconds since 1970) when the sources are not a git clone" || exit 1

if [ "${1:-}" = --package ]; then
    [ $# = 3 ] || { echo "usage: release.sh [--package BUILD OUT]" >&2; exit 2; }
    build_dir=$(absolute_path "$2") out=$(absolute_path "$3")
    [ -f "$build_dir/generated/morvix_version.h" ] && [ -f "$build_dir/app/morvix.exe" ] ||
        step_failed "packaging $build_dir" "it holds no Windows build of the player: build it (tools/test.sh does)" || exit 1
    version=$(version_of "$build_dir")
    zip=$out/Morvix-$version-win32.zip
    mkdir -p "$out" || step_failed "making $out" "check that it is writable" || exit 1
    package "$build_dir" "$out/stage" "$zip" && check "$build_dir" "$out/stage" "$zip" ||
        step_failed "packaging $build_dir into $zip" "see the lines above" || exit 1
    say "$zip: $(unzip -Z1 "$zip" | tr '\n' ' ')checked"
    exit 0
fi

install_packages "$BUILD/logs" "${PACKAGES_RELEASE[@]}" || exit 1
out=$(absolute_path "${MORVIX_RELEASE_DIR:-$SRC/dist}")
work=$BUILD/release
[ -z "$(git -C "$SRC" status --porcelain --untracked-files=no 2>/dev/null)" ] ||
    say "NOTE: the tree has uncommitted changes: this zip is not the one its commit makes"
for n in 1 2; do
    say "build $n of 2 in $work/build-$n"
    build "$work/build-$n" || step_failed "building in $work/build-$n" "see the log above" || exit 1
    version=$(version_of "$work/build-$n")
    package "$work/build-$n" "$work/stage-$n" "$work/$n.zip" ||
        step_failed "packaging build $n" "see $work/stage-$n.install.log" || exit 1
done
if ! cmp -s "$work/1.zip" "$work/2.zip"; then
    say "the two builds differ:"
    for file in "$work"/stage-1/*; do
        cmp -s "$file" "$work/stage-2/${file##*/}" || tell_difference "$file" "$work/stage-2/${file##*/}"
    done
    tell_difference "$work/1.zip" "$work/2.zip"
    step_failed "building the same bytes twice" "a build step that depends on time or place: see the offsets above"
    exit 1
fi
say "the two builds are byte-equal"
check "$work/build-1" "$work/stage-1" "$work/1.zip" || step_failed "checking the release" "see above" || exit 1

name=Morvix-$version-win32
mkdir -p "$out" && cp "$work/1.zip" "$out/$name.zip" && (cd "$out" && sha256sum "$name.zip" >"$name.zip.sha256") &&
    toolchain >"$out/$name.toolchain.txt" || step_failed "writing into $out" "check that it is writable" || exit 1
say "toolchain (in $name.toolchain.txt):"
sed 's/^/  /' "$out/$name.toolchain.txt"
say "wrote $out/$name.zip ($(unzip -Z1 "$out/$name.zip" | tr '\n' ' ' | sed 's/ $//'))"
say "SHA-256 $(cut -d' ' -f1 "$out/$name.zip.sha256") (in $name.zip.sha256)"
