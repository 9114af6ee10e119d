#!/bin/bash
# Runs one fuzz session of a target for DURATION seconds on one core, then
# prints executions, coverage and findings:
#   bash fuzz/run.sh DURATION [load|differential]      (load when none is named)
# load is the load-and-compose target (crashes, leaks, rasters that outlive
# their document); differential compares the player with giflib and the
# reference compositor, and prints its tallies as well: the share of inputs
# that reached a comparison and the hits of each known difference.
# The corpus grows in $MORVIX_FUZZ_BUILD/corpus (the load target) or
# corpus-differential (default build-fuzz/ beside the sources), so later
# sessions start where earlier ones stopped; the committed seeds and
# regressions are read, never written. Findings land in findings/ or
# findings-differential/ there; the exit status is 1 when the session found
# anything.
set -uo pipefail
duration=${1:?usage: run.sh DURATION_SECONDS [load|differential]}
target=${2:-load}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -ms -- "${MORVIX_FUZZ_BUILD:-$root/build-fuzz}")
binary=$(bash "$root/fuzz/build.sh" "$target") || exit 2
suffix=
[ "$target" = load ] || suffix=-$target
corpus=$out/corpus$suffix
findings=$out/findings$suffix
mkdir -p "$corpus" "$findings"
log=$out/run$suffix-$(date +%Y%m%d-%H%M%S).log
count_files() { find "$1" -mindepth 1 -maxdepth 1 | wc -l; }
before=$(count_files "$findings")

# The differential target starts from the regressions too: each is a shape
# where the two sides once parted.
inputs=("$corpus" "$root/fuzz/seeds")
[ "$target" = load ] || inputs+=("$root/fuzz/regressions")
# -timeout: a single input running 10 s counts as a hang. -rss_limit_mb: the
# targets' raster budgets are 16 MiB and less, so anything near 2 GiB is a
# runaway.
"$binary" "${inputs[@]}" \
    -dict="$root/fuzz/gif.dict" -max_total_time="$duration" -max_len=16384 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1
status=$?

after=$(count_files "$findings")
found=$((after - before))
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
status_line=$(grep -E '^#[0-9]+' "$log" | tail -1)
cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status_line")
ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status_line")
echo "fuzz $target: ${duration}s execs ${execs:-?} (${rate:-?}/s) cov ${cov:-?} ft ${ft:-?} corpus $(count_files "$corpus") findings ${found} exit ${status}"
grep -E '^differential:' "$log" | tail -2
echo "log: $log"
if [ "$found" -gt 0 ] || [ "$status" -ne 0 ]; then
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written|^fuzz_differential:' "$log" | head -20
    exit 1
fi
