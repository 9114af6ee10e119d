#!/bin/bash
# Builds a fuzz target with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into $MORVIX_FUZZ_BUILD (default build-fuzz/
# beside the sources) and prints the path of its binary:
#   bash fuzz/build.sh [load|differential]      (load when none is named)
#   load          fuzz_load: the player's load and composition, for crashes,
#                 leaks and rasters that outlive their document
#   differential  fuzz_differential: the player against giflib (libgif-dev)
#                 and the reference compositor of the tests
# Only the player's code counts for coverage; the differential target, its
# generator, the writer and the reference are built with the sanitizers but
# without coverage, so that the fuzzer keeps inputs for what they reach in
# the player (and the pixel comparisons run at full speed).
set -Eeuo pipefail
trap 'echo "fuzz/build.sh: FAILED at line $LINENO: $BASH_COMMAND (exit $?); to mend: install clang, libclang-rt-14-dev and libgif-dev (bash tools/test.sh does), or fix the compile errors above" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -ms -- "${MORVIX_FUZZ_BUILD:-$root/build-fuzz}")
cxx=${MORVIX_FUZZ_CXX:-clang++}
target=${1:-load}
mkdir -p "$out/obj"

# The decoder's portable sources and its native platform half; the Windows
# halves stay out.
player=("$root/render/compose.cpp")
for f in "$root"/gif/*.cpp; do
    case "$f" in *_win.cpp) continue ;; esac
    player+=("$f")
done
case "$target" in
    load)
        covered=("${player[@]}" "$root/fuzz/fuzz_load.cpp")
        uncovered=()
        libraries=()
        ;;
    differential)
        covered=("${player[@]}")
        uncovered=("$root/fuzz/fuzz_differential.cpp" "$root/fuzz/gif_generator.cpp" "$root/fuzz/player_walk.cpp" "$root/tools/gif_writer.cpp"
                   "$root/tests/giflib_records.cpp" "$root/tests/giflib_reference.cpp"
                   "$root/tests/reference_difference.cpp")
        libraries=(-lgif)
        ;;
    *)
        echo "fuzz/build.sh: no target '$target': load or differential" >&2
        exit 2
        ;;
esac

# shellcheck disable=SC2054 # the commas belong to -fsanitize
flags=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fno-exceptions -fno-rtti
       -Wall -Wextra -Werror -Wno-missing-field-initializers
       -fsanitize=address,undefined -fno-sanitize-recover=all -I "$root")
headers=("$root"/gif/*.h "$root"/render/compose.h "$root"/fuzz/*.h "$root"/tools/gif_writer.h "$root"/tests/giflib_*.h "$0")

# One object per source, shared by both targets; rebuilt when the source, a
# header or this script is newer.
objects=()
compile() {  # SOURCE EXTRA-FLAGS...
    local source=$1 object suffix=.o
    shift
    [ $# -eq 0 ] || suffix=-covered.o
    object=$out/obj/$(basename "$(dirname "$source")")-$(basename "$source" .cpp)$suffix
    if [ ! -f "$object" ] || [ -n "$(find "$source" "${headers[@]}" -newer "$object" 2>/dev/null)" ]; then
        "$cxx" "${flags[@]}" "$@" -c "$source" -o "$object.tmp" >&2
        mv "$object.tmp" "$object"
    fi
    objects+=("$object")
}
for f in "${covered[@]}"; do compile "$f" -fsanitize=fuzzer-no-link; done
for f in ${uncovered[@]+"${uncovered[@]}"}; do compile "$f"; done

binary=$out/fuzz_$target
if [ ! -x "$binary" ] || [ -n "$(find "${objects[@]}" -newer "$binary" 2>/dev/null)" ]; then
    "$cxx" "${flags[@]}" -fsanitize=fuzzer "${objects[@]}" ${libraries[@]+"${libraries[@]}"} -o "$binary.tmp" >&2
    mv "$binary.tmp" "$binary"
fi
echo "$binary"
