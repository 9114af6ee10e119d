#!/bin/bash
# Soak: SOAK_LOADS (500) loads in a row by hand-over, good and damaged files
# mixed (the fuzzer's seeds and regressions and the end-to-end recipes),
# each followed by a small reset file. soak.exe reads the player after each:
# its live GDI objects must come back to the baseline exactly, and its
# working set must not drift. The player then exits with code 0 on X.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

loads=${SOAK_LOADS:-500}
dir=$E2E_WORK/soak
mkdir -p "$dir"
cp "$SRC_DIR"/fuzz/seeds/*.gif "$SRC_DIR"/fuzz/regressions/*.gif "$dir"/ || fail "no fuzz seeds"
for f in "$GIFS"/*.gif; do cp "$f" "$dir/e2e-$(basename "$f")"; done
cp "$SRC_DIR/fuzz/seeds/still-global-table.gif" "$dir/reset.gif"

files=()
for f in "$dir"/*.gif; do
    [ "$(basename "$f")" = reset.gif ] || files+=("$(winpath "$f")")
done

start_player "$dir/reset.gif"
player_window '^reset\.gif' >/dev/null || exit 1
sync_player

"$WINE" "$HELPERS/soak.exe" "$loads" "$(winpath "$dir/reset.gif")" "${files[@]}" 2>/dev/null | tr -d '\r' >"$E2E_WORK/soak.log"
status=${PIPESTATUS[0]}
grep -E '^(LEAK|load [0-9]+:)' "$E2E_WORK/soak.log" | head -20
tail -n 1 "$E2E_WORK/soak.log"
[ "$status" = 0 ] || fail "soak exit $status (log: $E2E_WORK/soak.log)"
stop_app || fail "exit code"
echo "soak: ${#files[@]} different files"
