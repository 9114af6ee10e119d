#!/bin/bash
# Writes the fuzzer's seed corpus into fuzz/seeds/ (or the directory given):
# small GIFs made by ImageMagick that cover the features the loader and the
# compositor handle, plus hand-written byte files for the block kinds and
# oddities ImageMagick never writes. Small on purpose: the fuzzer mutates
# these, and large seeds only slow it down.
#
# The files are committed so that the replay is the same everywhere; run
# this again only to change the set.
set -Eeuo pipefail
trap 'echo "fuzz/make_seeds.sh: FAILED at line $LINENO: $BASH_COMMAND (exit $?); to mend: install imagemagick, check that the output folder is writable" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/fuzz/seeds}
mkdir -p "$out"
rm -f "$out"/*.gif
cd "$out"

# ImageMagick: -dispose and -delay apply to the frames read after them.
im() { convert "$@"; }

im -size 8x8 xc:red still-global-table.gif
im -size 6x5 gradient:white-black GIF87:still-gif87a.gif
im -size 16x16 gradient:red-blue -interlace GIF interlaced-16.gif
im -size 5x9 gradient:yellow-green -interlace GIF interlaced-odd-height.gif
im -delay 10 -size 8x8 xc:red xc:lime xc:blue -loop 0 animated-loop-forever.gif
im -delay 3 -size 4x4 xc:red xc:blue -loop 3 animated-loop-3.gif
# Differently coloured frames of a sequence get tables of their own.
im -delay 5 -size 8x8 gradient:red-yellow gradient:blue-cyan xc:gray50 animated-local-tables.gif
im -size 8x8 xc:white -fill black -draw 'rectangle 2,2 5,5' -transparent white transparent.gif
im -size 8x8 xc:black -fill white -draw 'point 3,3' -transparent black transparent-black-key.gif
im -dispose Background -delay 5 -size 12x12 xc:navy \
   -page +2+2 -size 4x4 xc:orange -page +6+6 -size 4x4 xc:teal -loop 0 disposal-2-background.gif
im -dispose Previous -delay 5 -size 12x12 xc:white \
   -page +1+1 -size 5x5 xc:red -page +6+6 -size 5x5 xc:blue -loop 0 disposal-3-previous.gif
im -delay 5 -size 10x10 xc:white \( -size 4x4 xc:red -transparent red \) \
   -dispose Previous -page +3+3 -size 4x4 xc:green -loop 0 transparent-over-previous.gif
im -comment 'a comment block' -size 8x8 xc:gray70 comment.gif
im -delay 4 -size 64x48 gradient:black-white -page +0+0 \
   \( -size 64x48 gradient:white-black -interlace GIF \) -loop 0 animated-gradients.gif
im -size 40x1 gradient:red-blue one-row.gif
im -size 1x40 gradient:red-blue one-column.gif

# Hand-written files. The screen descriptor is 4 x 4 with a global table
# of 2 entries (packed 0x80): black and white.
header='GIF89a\x04\x00\x04\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff'
# Image descriptors: left, top, width, height (16-bit little-endian), packed.
at00='\x2c\x00\x00\x00\x00\x04\x00\x04\x00\x00'
# LZW data, minimum code size 2, each: clear, the codes, end, terminator.
white16='\x02\x04\x8c\x8f\x19\x05\x00'         # 16 x index 1 (uses KwKwK codes)
checker16='\x02\x05\x44\x7c\x67\xb8\x05\x00'   # 0101 1010 0101 1010
white40='\x02\x05\x8c\x8f\xa9\xcb\x58\x00'     # 40 x index 1: overflows 4 x 4
image="${at00}${white16}"
netscape='\x21\xff\x0bNETSCAPE2.0\x03\x01\x02\x00\x00'
control='\x21\xf9\x04\x09\x02\x00\x01\x00'  # disposal 2, delay 2, key index 1
bytes() { printf '%b' "$2" >"$1"; }
bytes header-only.gif 'GIF89a'
bytes header-trailer.gif "${header}\x3b"
bytes image-minimal.gif "${header}${image}\x3b"
bytes image-no-trailer.gif "${header}${at00}${white16}"
bytes image-checker.gif "${header}${at00}${checker16}\x3b"
bytes image-interlaced.gif "${header}\x2c\x00\x00\x00\x00\x04\x00\x04\x00\x40${checker16}\x3b"
bytes netscape-control-image.gif "${header}${netscape}${control}${image}${control}${at00}${checker16}\x3b"
bytes application-other.gif "${header}\x21\xff\x0bXMP DataXMP\x03abc\x02\x00z\x00${image}\x3b"
# Every extension is a label and a chain of sub-blocks, whatever its sizes:
# headers of 9 and 14 bytes, NETSCAPE with more sub-blocks, graphic controls
# of 3 and 5 bytes and with a second sub-block, plain text and unknown
# labels between images (their sub-blocks holding introducers), empty
# extensions, one cut short, and a file of nothing but unknown extensions.
bytes application-header-9.gif "${header}\x21\xff\x09TILESETV1\x02\x00\x01\x00${image}\x3b"
bytes application-header-14.gif "${header}\x21\xff\x0eNETSCAPE2.0abc\x03\x01\x05\x00\x00${image}${image}\x3b"
bytes netscape-more-sub-blocks.gif "${header}\x21\xff\x0bNETSCAPE2.0\x03\x01\x02\x00\x05\x02\x00\x10\x00\x00\x01\x2c\x00${image}\x3b"
bytes control-3-bytes.gif "${header}\x21\xf9\x03\x09\x02\x00\x00${image}\x3b"
bytes control-5-bytes.gif "${header}\x21\xf9\x05\x09\x02\x00\x01\x2c\x00${image}${control}${image}\x3b"
bytes control-second-sub-block.gif "${header}\x21\xf9\x04\x09\x02\x00\x01\x02\x21\x3b\x00${image}\x3b"
bytes plain-text.gif "${header}${image}\x21\x01\x0c\x00\x00\x00\x00\x04\x00\x04\x00\x01\x01\x01\x00\x05h,!;i\x00${image}\x3b"
bytes image-name-every-image.gif "${header}\x21\xce\x04tile\x00${image}\x21\xce\x04tile\x00${at00}${checker16}\x3b"
bytes unknown-label-introducers.gif "${header}\x21\x99\x01\x21\x04\x2c\x00\x00\x00\x01\x3b\x00${image}\x3b"
bytes empty-extensions.gif "${header}\x21\xff\x00\x21\xf9\x00\x21\x01\x00\x21\xce\x00${image}\x21\xfe\x00\x3b"
bytes extension-cut-short.gif "${header}${image}\x21\xce\x09ab"
bytes only-unknown-extensions.gif "${header}\x21\x01\x02hi\x00\x21\x99\x01\x2c\x00\x3b"
bytes comment-empty.gif "${header}\x21\xfe\x00${image}\x3b"
# No global table: the image falls back to the grey ramp.
bytes grey-ramp.gif "GIF89a\x04\x00\x04\x00\x00\x00\x00${at00}${checker16}\x3b"
# A local table of 4 entries, two of them black, the key on a black one.
bytes local-table-key-collision.gif "${header}\x21\xf9\x04\x01\x00\x00\x02\x00\x2c\x00\x00\x00\x00\x04\x00\x04\x00\x81\x00\x00\x00\xff\x00\x00\x00\x00\x00\x00\x00\x00${checker16}\x3b"
# Data for more pixels than the frame holds, then a frame behind it.
bytes overflow-then-frame.gif "${header}${at00}${white40}${image}\x3b"
# Sub-blocks behind the end code's (one holds 0x2C), then a control and a frame.
bytes extra-sub-blocks-then-frame.gif "${header}${at00}\x02\x04\x8c\x8f\x19\x05\x01\x2c\x02\x21\x3b\x00${control}${image}\x3b"
# Minimum code size 1 (below the format's minimum) and 9 (too large).
bytes code-size-1.gif "${header}${at00}\x01\x04\xc6\xe0\x50\x31\x00\x3b"
bytes code-size-9.gif "${header}${at00}\x09\x02\x00\x02\x00\x3b"
# A zero-width image, and an image placed far outside the screen.
bytes zero-width-image.gif "${header}\x2c\x00\x00\x00\x00\x00\x00\x04\x00\x00${white16}\x3b"
bytes far-offset-image.gif "${header}\x2c\xf0\xff\xf0\xff\x04\x00\x04\x00\x00${white16}\x3b"
# A 65535 x 65535 screen with two tiny frames: the canvas cannot be made.
bytes huge-canvas.gif "GIF89a\xff\xff\xff\xff\x80\x00\x00\x00\x00\x00\xff\xff\xff${image}${image}\x3b"
# 600 tiny frames on a 1 x 1 screen: the frame table grows past 500.
one='\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x4c\x01\x00'
many=''
for ((i = 0; i < 600; i++)); do many+=$one; done
bytes many-frames.gif "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff${many}\x3b"
find "$out" -maxdepth 1 -type f -printf '%s\n' | awk '{ n++; s += $1 } END { printf "%d seeds, %d bytes\n", n, s }'
