# shellcheck shell=bash
# The test GIFs of the player's GUI tests, sourced by t/*.test.sh after
# lib.sh, which removes them when the test ends.

# The test GIFs, written fresh for each test (make_gifs.py has the recipes).
GIFS=$(mktemp -d "${TMPDIR:-/tmp}/morvix-e2e.XXXXXX")
python3 "$E2E_DIR/make_gifs.py" "$GIFS" || exit 1
