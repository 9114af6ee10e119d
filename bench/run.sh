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
# also mingw-w64, wine, dpkg-dev and a deb-src line for apt-get source.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${MORVIX_BENCH_BUILD:-$root/build-bench}
winbuild=${MORVIX_BENCH_WIN_BUILD:-$root/build-bench-win}
shared=${MORVIX_SHARED_DIR:-$root/../shared}
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
  echo "Making the bench GIFs in $data (takes a few minutes)..." >&2
  sh "$shared/bench/make-bench-data.sh" "$data" >&2
fi
paths=()
for f in "${files[@]}"; do paths+=("$data/$f"); done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target load_bench morvix-frames >/dev/null

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

if [ $wine = 1 ]; then
  # tools/wine-env.sh picks 32-bit Wine where this machine can run it, and
  # otherwise 64-bit Wine with the x86_64 build of the same sources.
  . "$root/tools/wine-env.sh"
  wine_setup
  if [ "$WINEARCH" = win64 ]; then winbuild=${MORVIX_BENCH_WIN_BUILD:-$root/build-bench-win64}; fi
  giflib=$root/build-bench-win/giflib
  if [ ! -f "$giflib/dgif_lib.c" ]; then
    mkdir -p "$root/build-bench-win/giflib-package"
    (cd "$root/build-bench-win/giflib-package" && apt-get source --download-only giflib >/dev/null 2>&1 &&
      dpkg-source -x giflib_*.dsc "$giflib" >/dev/null)
  fi
  cmake -S "$root" -B "$winbuild" -DCMAKE_TOOLCHAIN_FILE="$root/$MORVIX_WIN_TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=OFF -DMORVIX_GIFLIB_SOURCE_DIR="$giflib" >/dev/null
  cmake --build "$winbuild" -j2 --target load_bench >/dev/null
  if [ "$WINEARCH" = win64 ]; then
    # The product's own 32-bit build is still compiled, though not run here.
    cmake -S "$root" -B "$root/build-bench-win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DMORVIX_TESTS=OFF -DMORVIX_GIFLIB_SOURCE_DIR="$giflib" >/dev/null
    cmake --build "$root/build-bench-win" -j2 --target load_bench >/dev/null
  fi
  wine_template "$winbuild/wine-template"
  wine_fresh_prefix "$winbuild/wine-template" "$winbuild/wine-prefix"
  winpaths=()
  # Wine maps the root of the Linux file system to drive Z:.
  for p in "${paths[@]}"; do winpaths+=("Z:${p//\//\\}"); done
  echo
  echo "## Windows build under Wine: $MORVIX_WIN_NOTE ($("$WINE" --version))"
  echo
  "$WINE" "$winbuild/bench/load_bench.exe" --runs "$runs" "${wine_peers[@]}" "${winpaths[@]}" | tr -d '\r'
  wine_stop
fi
