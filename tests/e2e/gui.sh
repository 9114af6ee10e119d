# shellcheck shell=bash
# The test GIFs of the player's GUI tests, sourced by t/*.test.sh after
# lib.sh, which removes them when the test ends.

# The test GIFs, written fresh for each test by $MAKE_E2E_GIFS (lib.sh).
GIFS=$(mktemp -d "${TMPDIR:-/tmp}/morvix-e2e.XXXXXX")
"$MAKE_E2E_GIFS" "$GIFS" || exit 1
