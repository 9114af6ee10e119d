#!/bin/bash
# Runs one fuzz session of the load-and-compose target for DURATION seconds
# on one core, then prints executions, coverage and findings.
#   bash fuzz/run.sh 180
# The corpus grows in $MORVIX_FUZZ_BUILD/corpus (default build-fuzz/corpus),
# so later sessions start where earlier ones stopped; the committed seeds are
# read, never written. Findings land in $MORVIX_FUZZ_BUILD/findings/; the
# exit status is 1 when the session found anything.
set -uo pipefail
duration=${1:?usage: run.sh DURATION_SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -ms -- "${MORVIX_FUZZ_BUILD:-$root/build-fuzz}")
binary=$(bash "$root/fuzz/build.sh") || exit 2
mkdir -p "$out/corpus" "$out/findings"
log=$out/run-$(date +%Y%m%d-%H%M%S).log
count_files() { find "$1" -mindepth 1 -maxdepth 1 | wc -l; }
before=$(count_files "$out/findings")

# -timeout: a single input running 10 s counts as a hang. -rss_limit_mb: the
# target's raster budget is 16 MiB, so anything near 2 GiB is a runaway.
"$binary" "$out/corpus" "$root/fuzz/seeds" \
    -dict="$root/fuzz/gif.dict" -max_total_time="$duration" -max_len=16384 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/findings/" >"$log" 2>&1
status=$?

after=$(count_files "$out/findings")
findings=$((after - before))
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
status_line=$(grep -E '^#[0-9]+' "$log" | tail -1)
cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status_line")
ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status_line")
corpus=$(count_files "$out/corpus")
echo "fuzz: ${duration}s execs ${execs:-?} cov ${cov:-?} ft ${ft:-?} corpus ${corpus} findings ${findings} exit ${status}"
echo "log: $log"
if [ "$findings" -gt 0 ] || [ "$status" -ne 0 ]; then
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -20
    exit 1
fi
