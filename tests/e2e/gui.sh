# shellcheck shell=bash
# The test GIFs of the player's GUI tests, sourced by t/*.test.sh after
# lib.sh, which removes them when the test ends.

# The test GIFs, written fresh for each test (tools/make_e2e_gifs.cpp has the recipes).
GIFS=$(mktemp -d "${TMPDIR:-/tmp}/morvix-e2e.XXXXXX")
MAKE_E2E_GIFS=${MAKE_E2E_GIFS:-${NATIVE_BUILD:-$SRC_DIR/build-all/native}/make-e2e-gifs}
"$MAKE_E2E_GIFS" "$GIFS" || exit 1
