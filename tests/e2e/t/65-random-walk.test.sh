#!/bin/bash
# A seeded random walk through the real player (tests/e2e/walk.py): for
# MORVIX_WALK_SECONDS (60) a user's actions picked at random from the whole
# key list, the context menu, the open dialog, the About box, second starts,
# drops, resizes, minimise and restore, exit and start again, over a folder
# of good, damaged, failing, one-frame, cut and large files. After each step
# the title is the one the model predicts and the player answers; its GDI
# objects and private bytes stay flat. MORVIX_WALK_SEED repeats a walk;
# MORVIX_WALK_REPLAY=STEPS.jsonl runs a logged walk's steps again; a failing
# walk is shrunk for up to MORVIX_WALK_SHRINK (90) seconds.
# e2e: add to the deadline MORVIX_WALK_SECONDS (60)
# e2e: add to the deadline MORVIX_WALK_SHRINK (90)
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

folder=$E2E_WORK/walk
gif_folder "$folder" a.gif b.gif one.gif zero.gif notgif.gif wrongext.png loop2.gif four.gif layers.gif \
    huge.gif many.gif large.gif || fail "cannot fill $folder"
"$MAKE_E2E_GIFS" --walk "$folder" || fail "cannot write the walk's files"
mkdir -p "$folder/folder.gif"

args=(--seconds "${MORVIX_WALK_SECONDS:-60}" --shrink "${MORVIX_WALK_SHRINK:-90}")
[ -n "${MORVIX_WALK_SEED:-}" ] && args+=(--seed "$MORVIX_WALK_SEED")
[ -n "${MORVIX_WALK_REPLAY:-}" ] && args+=(--replay "$(absolute_path "$MORVIX_WALK_REPLAY")")
SRC_DIR=$SRC_DIR python3 "$E2E_DIR/walk.py" "$folder" "${args[@]}"
