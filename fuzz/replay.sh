#!/bin/bash
# Replays, once each under AddressSanitizer and UndefinedBehaviorSanitizer:
# the seed corpus, the regression files of earlier findings, every finding
# of local fuzz sessions, and the shared real-world corpus when it sits
# beside the sources. Any crash, leak, sanitizer report or hang fails.
#   bash fuzz/replay.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -ms -- "${MORVIX_FUZZ_BUILD:-$root/build-fuzz}")
shared=$(realpath -ms -- "${MORVIX_SHARED_DIR:-$root/../shared}")
binary=$(bash "$root/fuzz/build.sh") || exit 2

files=()
for dir in "$root/fuzz/seeds" "$root/fuzz/regressions" "$out/findings" \
           "$shared/corpus/good" "$shared/corpus/damaged"; do
    [ -d "$dir" ] || continue
    while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$dir" -type f ! -name '*.md' -print0 | sort -z)
done

log=$out/replay.log
start=$(date +%s)
"$binary" -timeout=10 -rss_limit_mb=2048 "${files[@]}" >"$log" 2>&1
status=$?
echo "replay: ${#files[@]} files in $(( $(date +%s) - start ))s, exit $status"
if [ "$status" -ne 0 ]; then
    grep -E 'Running:|ERROR|SUMMARY|runtime error' "$log" | tail -20
    exit 1
fi
