#!/bin/bash
# e2e: no player needed
# The harness itself: the cross-built morvix-frames.exe runs in the suite's
# Wine prefix and decodes GIFs that ImageMagick makes here exactly as the
# native morvix-frames does: same frames, same composed pixels. This is also
# the proof that the Windows half of the decoder (whole-file read, DIB
# section rasters) gives the same pictures as the native one.
set -u
. "$(dirname "$0")/../lib.sh"
[ -f "$MORVIX_FRAMES_EXE" ] || { echo "no cross-built morvix-frames at $MORVIX_FRAMES_EXE"; exit 77; }
cd "$E2E_WORK" || exit 1

# Transparency over earlier frames with disposals 1 to 3, a loop count,
# an interlaced still, and a name with a space in it.
convert -delay 7 -loop 3 -size 24x16 xc:red \
    -dispose previous \( -size 8x8 xc:blue -repage +4+4 \) \
    -dispose background \( -size 6x6 xc:none -fill lime -draw 'rectangle 1,1 4,4' -repage +14+6 \) \
    -dispose none \( -size 24x16 gradient:yellow-navy -repage +0+0 \) \
    anim.gif || fail "convert anim.gif"
convert -size 33x17 plasma:fractal -seed 7 -colors 64 -interlace GIF 'still one.gif' || fail "convert still"

for gif in anim.gif 'still one.gif'; do
    native=$("$MORVIX_FRAMES" "$gif") || fail "native morvix-frames $gif: exit $?"
    windows=$("$WINE" "$MORVIX_FRAMES_EXE" "$gif" | tr -d '\r')
    status=${PIPESTATUS[0]}
    [ "$status" = 0 ] || fail "morvix-frames.exe $gif: exit $status"
    [ -n "$native" ] || fail "no output for $gif"
    [ "$native" = "$windows" ] || { diff <(echo "$native") <(echo "$windows"); fail "$gif decodes differently"; }
done
# Not two equal failures: the file loaded whole. (ImageMagick stores -loop 3
# as the NETSCAPE repeat count 2.)
summary=$("$WINE" "$MORVIX_FRAMES_EXE" anim.gif | head -1 | tr -d '\r')
[ "$summary" = "result 0 width 24 height 16 frames 4 loops 2" ] || fail "anim.gif summary: $summary"

# A file that is not there fails the load: exit status 1 on both sides.
"$WINE" "$MORVIX_FRAMES_EXE" missing.gif >/dev/null 2>&1
status=$?
[ $status = 1 ] || fail "morvix-frames.exe missing.gif: exit $status, want 1"
echo "morvix-frames.exe agrees with the native tool"
