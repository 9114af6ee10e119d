#!/bin/bash
# Line and branch coverage of the player's decoder and compositor by a fuzz
# target's corpus: builds the target with clang's source-based coverage (no
# sanitizers), runs every file of the corpus, the seeds and the regressions
# once, and prints llvm-cov's report for gif/ and render/compose.cpp.
#   bash fuzz/coverage.sh [load|differential]      (differential when none is named)
# The corpus is the one fuzz/run.sh grew in $MORVIX_FUZZ_BUILD (default
# build-fuzz/ beside the sources).
set -Eeuo pipefail
trap 'echo "fuzz/coverage.sh: FAILED at line $LINENO: $BASH_COMMAND (exit $?); to mend: install clang and llvm (llvm-profdata, llvm-cov), or run fuzz/run.sh first for a corpus" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -ms -- "${MORVIX_FUZZ_BUILD:-$root/build-fuzz}")
target=${1:-differential}
suffix=
[ "$target" = load ] || suffix=-$target
work=$out/coverage$suffix
mkdir -p "$work"

player=("$root/render/compose.cpp")
for f in "$root"/gif/*.cpp; do
    case "$f" in *_win.cpp) continue ;; esac
    player+=("$f")
done
sources=("${player[@]}" "$root/fuzz/fuzz_load.cpp")
libraries=()
if [ "$target" = differential ]; then
    sources=("${player[@]}" "$root/fuzz/fuzz_differential.cpp" "$root/fuzz/gif_generator.cpp"
             "$root/fuzz/player_walk.cpp" "$root/tools/gif_writer.cpp" "$root/tests/giflib_records.cpp"
             "$root/tests/giflib_reference.cpp" "$root/tests/reference_difference.cpp")
    libraries=(-lgif)
fi
clang++ -std=c++17 -O1 -fno-exceptions -fno-rtti -I "$root" -fsanitize=fuzzer \
    -fprofile-instr-generate -fcoverage-mapping "${sources[@]}" ${libraries[@]+"${libraries[@]}"} -o "$work/fuzz_$target"

inputs=("$out/corpus$suffix" "$root/fuzz/seeds" "$root/fuzz/regressions")
rm -f "$work"/*.profraw
LLVM_PROFILE_FILE="$work/run-%p.profraw" "$work/fuzz_$target" -runs=0 -rss_limit_mb=4096 "${inputs[@]}" \
    >"$work/run.log" 2>&1
llvm-profdata merge -sparse "$work"/*.profraw -o "$work/merged.profdata"
llvm-cov report "$work/fuzz_$target" -instr-profile="$work/merged.profdata" "${player[@]}" |
    sed "s|$root/||"
