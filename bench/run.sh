#!/bin/bash
# Runs the load benchmark on the bench set and prints its tables:
#   1. native (Release): load throughput and peak memory, Morvix beside giflib
#      + a plain compositor and stb_image;
#   2. the same loads with fresh memory in transparent huge pages (glibc's
#      hugetlb tunable, for all three decoders alike), where the kernel
#      offers them: what the load costs where first touches of fresh memory
#      are cheap (on a VM each 4 KiB page fault can cost microseconds);
#   3. callgrind on the noise file: instructions per output pixel of one load;
#   4. with --wine: the same table from the Windows build under Wine (giflib
#      cross-built from Debian's source package, stb_image as it is): the
#      32-bit build under 32-bit Wine, or where this machine cannot run
#      32-bit Wine, the x86_64 build under 64-bit Wine (tools/wine-env.sh).
#      stb_image is left out there unless --wine-stb: its realloc growth
#      through the Windows C runtime takes minutes per file.
#
# usage: bench/run.sh [--runs N] [--wine] [--wine-stb] [--no-callgrind]
# Build trees: build-bench and build-bench-win (or build-bench-win64) beside
# this directory (override with MORVIX_BENCH_BUILD / MORVIX_BENCH_WIN_BUILD). The bench GIFs (~51 MiB)
# are made in the native build tree when missing; they are never committed.
# Needs: cmake, g++, libgif-dev, libstb-dev, imagemagick, valgrind; for --wine
# also mingw-w64, wine and giflib's Debian sources, which it fetches with
# apt-get source (installing dpkg-dev and adding deb-src entries for the
# machine's deb entries, as root or through sudo, when they are missing).
# A step that fails says which and how to mend it; when the Wine table cannot
# be made, the native tables are still printed and the exit status is 1.
set -Eeuo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tools/harness.sh
. "$root/tools/harness.sh"
trap 'echo "bench/run.sh: FAILED at line $LINENO: $BASH_COMMAND (exit $?)" >&2' ERR
build=$(absolute_path "${MORVIX_BENCH_BUILD:-$root/build-bench}")
winbuild=$(absolute_path "${MORVIX_BENCH_WIN_BUILD:-$root/build-bench-win}")
shared=$(absolute_path "${MORVIX_SHARED_DIR:-$root/../shared}")
data=$build/data
runs=5
wine=0
callgrind=1
wine_peers=(--no-stb)
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --wine) wine=1; shift ;;
    --wine-stb) wine=1; wine_peers=(); shift ;;
    --no-callgrind) callgrind=0; shift ;;
    *) echo "usage: bench/run.sh [--runs N] [--wine] [--wine-stb] [--no-callgrind]" >&2; exit 2 ;;
  esac
done

files=(noise-1920x1080x25.gif disc-500x500x200-transp-disp2.gif photo-4000x3000.gif slide-100x100x2000.gif)
have_data=1
for f in "${files[@]}"; do [ -f "$data/$f" ] || have_data=0; done
if [ $have_data = 0 ]; then
  [ -f "$shared/bench/make-bench-data.sh" ] ||
    step_failed "making the bench GIFs" "put the shared folder beside the sources or set MORVIX_SHARED_DIR" || exit 1
  echo "Making the bench GIFs in $data (takes a few minutes)..." >&2
  sh "$shared/bench/make-bench-data.sh" "$data" >&2 ||
    step_failed "making the bench GIFs in $data" "install imagemagick, then run again" || exit 1
fi
paths=()
for f in "${files[@]}"; do paths+=("$data/$f"); done

mkdir -p "$build"
logged "$build/configure.log" cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=OFF ||
  step_failed "configuring $build" "install cmake, g++, libgif-dev and libstb-dev (bash tools/test.sh does)" || exit 1
logged "$build/build.log" cmake --build "$build" -j2 --target load_bench morvix-frames ||
  step_failed "building the native benchmark" "see $build/build.log" || exit 1

echo "## Native ($(uname -m), $(g++ -dumpfullversion) -O3)"
echo
"$build/bench/load_bench" --runs "$runs" "${paths[@]}"

thp=/sys/kernel/mm/transparent_hugepage/enabled
if [ -r $thp ] && ! grep -q '\[never\]' $thp; then
  echo
  echo "## Native, fresh memory in transparent huge pages (GLIBC_TUNABLES=glibc.malloc.hugetlb=1)"
  echo
  echo "Blocks of 2 MiB and more then take one page fault per 2 MiB; smaller ones (the disc file's"
  echo "1 MiB frames) still fault per 4 KiB page."
  echo
  GLIBC_TUNABLES=glibc.malloc.hugetlb=1 "$build/bench/load_bench" --runs "$runs" --no-memory "${paths[@]}"
fi

if [ $callgrind = 1 ]; then
  echo
  echo "## Instructions per output pixel, one load of noise-1920x1080x25.gif (callgrind)"
  echo
  echo "| decoder | instructions | output pixels | per pixel |"
  echo "|---|---:|---:|---:|"
  for decoder in morvix giflib stb; do
    out=$build/callgrind.$decoder.out
    # Only benchLoad (the load itself) is counted: not the file read, not the release.
    pixels=$(valgrind --tool=callgrind --toggle-collect='*benchLoad*' --callgrind-out-file="$out" \
      "$build/bench/load_bench" --once $decoder "$data/noise-1920x1080x25.gif" 2>/dev/null | awk '/^pixels/ {print $2}')
    instructions=$(awk '/^totals:/ {print $2}' "$out")
    awk -v d=$decoder -v i="$instructions" -v p="$pixels" \
      'BEGIN { printf "| %s | %.0f | %.0f | %.1f |\n", d, i, p, i / p }'
  done
fi

# deb-src entries for the deb entries of the apt source FILES, in the form of
# each: one-line lists get "deb-src" lines, deb822 files "Types: deb-src".
deb_src_entries() {  # FILE...
  local f
  for f in "$@"; do
    case $f in
      *.sources) awk '/^Types:/ { if ($0 ~ / deb( |$)/ && $0 !~ /deb-src/) { print "Types: deb-src"; keep = 1 } else keep = 0; next }
                      /^$/ { if (keep) print; keep = 0; next } keep' "$f" ;;
      *) sed -n 's/^deb \(.*\)/deb-src \1/p' "$f" ;;
    esac
  done
}

# Adds deb-src entries next to the machine's deb entries (as root, or
# through sudo) and updates the package lists.
enable_deb_src() {
  local -a as_root=() lists=() sources=()
  [ "$(id -u)" = 0 ] || { command -v sudo >/dev/null && as_root=(sudo); } || return 1
  [ -f /etc/apt/sources.list ] && lists+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list; do [ -f "$f" ] && lists+=("$f"); done
  for f in /etc/apt/sources.list.d/*.sources; do [ -f "$f" ] && sources+=("$f"); done
  echo "adding deb-src entries for giflib's sources: /etc/apt/sources.list.d/morvix-deb-src.{list,sources}" >&2
  if [ ${#lists[@]} -gt 0 ]; then
    deb_src_entries "${lists[@]}" | "${as_root[@]}" tee /etc/apt/sources.list.d/morvix-deb-src.list >/dev/null || return 1
  fi
  if [ ${#sources[@]} -gt 0 ]; then
    deb_src_entries "${sources[@]}" | "${as_root[@]}" tee /etc/apt/sources.list.d/morvix-deb-src.sources >/dev/null || return 1
  fi
  "${as_root[@]}" apt-get update -q >/dev/null
}

# giflib's Debian sources unpacked in DIR, fetched when missing.
giflib_source() {  # DIR
  local dir=$1 packages=$1-package
  [ -f "$dir/dgif_lib.c" ] && return 0
  install_packages "$winbuild" dpkg-dev >&2 || return 1
  mkdir -p "$packages" || return 1
  if ! (cd "$packages" && apt-get source --download-only giflib >"$packages/apt-source.log" 2>&1); then
    enable_deb_src && (cd "$packages" && apt-get source --download-only giflib >"$packages/apt-source.log" 2>&1) ||
      step_failed "apt-get source giflib (see $packages/apt-source.log)" \
        "add a deb-src line for Debian 12 to /etc/apt/sources.list as root, run apt-get update, then run this again" ||
      return 1
  fi
  (cd "$packages" && dpkg-source -x giflib_*.dsc "$dir" >/dev/null) ||
    step_failed "unpacking giflib's sources into $dir" "remove $packages and $dir, then run again" || return 1
}

# Builds load_bench.exe in DIR with TOOLCHAIN (relative to the source root).
build_windows_bench() {  # DIR TOOLCHAIN GIFLIB-DIR
  if ! { mkdir -p "$1" &&
    logged "$1/configure.log" cmake -S "$root" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$root/$2" \
      -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=OFF -DMORVIX_GIFLIB_SOURCE_DIR="$3" &&
    logged "$1/build.log" cmake --build "$1" -j2 --target load_bench; }; then
    step_failed "building load_bench.exe in $1" "install mingw-w64 (bash tools/test.sh does); see $1/build.log"
  fi
}

# The Wine table. Each step says what failed; the caller exits 1.
wine_table() {
  # tools/wine-env.sh picks 32-bit Wine where this machine can run it, and
  # otherwise 64-bit Wine with the x86_64 build of the same sources.
  wine_setup || return 1
  if [ "$WINEARCH" = win64 ]; then winbuild=${MORVIX_BENCH_WIN_BUILD:-$root/build-bench-win64}; fi
  mkdir -p "$winbuild" || return 1
  local giflib=$root/build-bench-win/giflib
  giflib_source "$giflib" || return 1
  build_windows_bench "$winbuild" "$MORVIX_WIN_TOOLCHAIN" "$giflib" || return 1
  if [ "$WINEARCH" = win64 ]; then
    # The product's own 32-bit build is still compiled, though not run here.
    build_windows_bench "$root/build-bench-win" cmake/toolchain-i686-mingw.cmake "$giflib" || return 1
  fi
  { wine_template "$winbuild/wine-template" && wine_fresh_prefix "$winbuild/wine-template" "$winbuild/wine-prefix"; } ||
    step_failed "making a Wine prefix in $winbuild" "remove $winbuild/wine-template* and run again; check that $WINE starts" ||
    return 1
  local winpaths=() p status
  # Wine maps the root of the Linux file system to drive Z:.
  for p in "${paths[@]}"; do winpaths+=("Z:${p//\//\\}"); done
  echo
  echo "## Windows build under Wine: $MORVIX_WIN_NOTE ($("$WINE" --version))"
  echo
  "$WINE" "$winbuild/bench/load_bench.exe" --runs "$runs" "${wine_peers[@]}" "${winpaths[@]}" | tr -d '\r'
  status=${PIPESTATUS[0]}
  wine_stop
  [ "$status" = 0 ] || step_failed "load_bench.exe under Wine (exit $status)" "run it again by hand: $WINE $winbuild/bench/load_bench.exe"
}

if [ $wine = 1 ]; then
  wine_table || { echo "bench/run.sh: no Wine table (the native tables above stand)" >&2; exit 1; }
fi
