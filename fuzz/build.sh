#!/bin/bash
# Builds the fuzz target with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into $MORVIX_FUZZ_BUILD (default build-fuzz/
# beside the sources). Prints the path of the binary.
set -Eeuo pipefail
trap 'echo "fuzz/build.sh: FAILED at line $LINENO: $BASH_COMMAND (exit $?); to mend: install clang and libclang-rt-14-dev (bash tools/test.sh does), or fix the compile errors above" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -ms -- "${MORVIX_FUZZ_BUILD:-$root/build-fuzz}")
cxx=${MORVIX_FUZZ_CXX:-clang++}
mkdir -p "$out"

# The decoder's portable sources and its native platform half; the Windows
# halves stay out.
sources=()
for f in "$root"/gif/*.cpp; do
    case "$f" in *_win.cpp) continue ;; esac
    sources+=("$f")
done
sources+=("$root/render/compose.cpp" "$root/fuzz/fuzz_load.cpp")

# shellcheck disable=SC2054 # the commas belong to -fsanitize
flags=(-std=c++17 -O1 -g -fno-omit-frame-pointer -fno-exceptions -fno-rtti
       -Wall -Wextra -Werror -Wno-missing-field-initializers
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I "$root")
binary=$out/fuzz_load
# Rebuild only when a source is newer than the binary.
if [ ! -x "$binary" ] || [ -n "$(find "${sources[@]}" "$root"/gif/*.h "$root"/render/compose.h "$0" -newer "$binary" 2>/dev/null)" ]; then
    "$cxx" "${flags[@]}" "${sources[@]}" -o "$binary.tmp" >&2
    mv "$binary.tmp" "$binary"
fi
echo "$binary"
