#!/bin/bash
# Replays, once each under AddressSanitizer and UndefinedBehaviorSanitizer,
# through both fuzz targets: the seed corpus, the regression files of
# earlier findings, every finding of local fuzz sessions, and the shared
# real-world corpus when it sits beside the sources. Any crash, leak,
# sanitizer report, hang or difference from giflib fails. The differential
# target replays with a raster budget of $MORVIX_DIFF_BUDGET_MIB (128) MiB,
# so that most real files are compared whole rather than cut.
#   bash fuzz/replay.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -ms -- "${MORVIX_FUZZ_BUILD:-$root/build-fuzz}")
shared=$(realpath -ms -- "${MORVIX_SHARED_DIR:-$root/../shared}")

files_in() {  # DIR...: the files to replay, in a stable order
    local dir
    for dir in "$@"; do
        [ -d "$dir" ] || continue
        find "$dir" -type f ! -name '*.md' -print0 | sort -z
    done
}

failed=0
for target in load differential; do
    binary=$(bash "$root/fuzz/build.sh" "$target") || exit 2
    suffix=
    [ "$target" = load ] || suffix=-$target
    files=()
    while IFS= read -r -d '' f; do files+=("$f"); done < <(files_in "$root/fuzz/seeds" "$root/fuzz/regressions" \
        "$out/findings$suffix" "$shared/corpus/good" "$shared/corpus/damaged")
    log=$out/replay$suffix.log
    start=$(date +%s)
    MORVIX_DIFF_BUDGET_MIB=${MORVIX_DIFF_BUDGET_MIB:-128} "$binary" -timeout=30 -rss_limit_mb=4096 "${files[@]}" >"$log" 2>&1
    status=$?
    echo "replay $target: ${#files[@]} files in $(($(date +%s) - start))s, exit $status"
    grep -E '^differential:' "$log"
    if [ "$status" -ne 0 ]; then
        grep -E 'Running:|ERROR|SUMMARY|runtime error|^fuzz_differential:' "$log" | tail -20
        failed=1
    fi
done
exit $failed
