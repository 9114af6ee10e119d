#!/usr/bin/env python3
"""Writes the end-to-end tests' GIF files into a directory.

Each file is a recipe: a canvas, a palette and frames made of filled
rectangles, so a reviewer can see what the player must show. The LZW data
is written uncompressed (a clear code before the table would grow past
9-bit codes), which every decoder reads like any other GIF.

    make_gifs.py OUTDIR
"""
import os
import struct
import sys

# Palette entries the tests name by index.
RED, GREEN, BLUE, YELLOW, CYAN, MAGENTA, WHITE, BLACK = range(8)
PALETTE = [
    (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0),
    (0, 255, 255), (255, 0, 255), (255, 255, 255), (0, 0, 0),
    (1, 2, 3), (254, 1, 128), (10, 200, 90), (250, 130, 20),
]
# The colours of a.gif's twelve frames, in order.
TWELVE = list(range(12))


def lzw_uncompressed(indices):
    """Min code size 8: codes are 9 bits; a clear code every 254 pixels keeps
    the table from reaching 512 entries, so the width never grows."""
    clear, end = 256, 257
    codes = []
    for i, index in enumerate(indices):
        if i % 254 == 0:
            codes.append(clear)
        codes.append(index)
    codes.append(end)
    bits, count, out = 0, 0, bytearray()
    for code in codes:
        bits |= code << count
        count += 9
        while count >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        out.append(bits & 0xFF)
    blocks = bytearray([8])
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks += bytes([len(chunk)]) + chunk
    return blocks + b"\x00"


def frame_pixels(width, height, fill, rects):
    pixels = [fill] * (width * height)
    for (x, y, w, h, index) in rects:
        for row in range(y, min(y + h, height)):
            for col in range(x, min(x + w, width)):
                pixels[row * width + col] = index
    return pixels


def graphic_control(delay_cs, disposal, transparent):
    flags = (disposal << 2) | (1 if transparent is not None else 0)
    return b"\x21\xF9\x04" + struct.pack("<BHB", flags, delay_cs, transparent or 0) + b"\x00"


def netscape_loop(count):
    return b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", count) + b"\x00"


def gif(width, height, frames, loop=None, extra=b""):
    """frames: dicts with left, top, width, height, fill, rects, delay (cs),
    disposal, transparent. extra goes in front of the trailer."""
    table = PALETTE + [(0, 0, 0)] * (256 - len(PALETTE))
    out = bytearray(b"GIF89a" + struct.pack("<HHBBB", width, height, 0xF7, 0, 0))
    out += bytes(c for rgb in table for c in rgb)
    if loop is not None:
        out += netscape_loop(loop)
    for f in frames:
        fw, fh = f.get("width", width), f.get("height", height)
        out += graphic_control(f.get("delay", 10), f.get("disposal", 0), f.get("transparent"))
        out += b"\x2C" + struct.pack("<HHHHB", f.get("left", 0), f.get("top", 0), fw, fh, 0)
        out += lzw_uncompressed(frame_pixels(fw, fh, f.get("fill", 0), f.get("rects", [])))
    return bytes(out + extra + b"\x3B")


def solid_frames(colours, delay):
    return [{"fill": c, "delay": delay} for c in colours]


def recipes():
    yield "a.gif", gif(40, 30, solid_frames(TWELVE, 100))           # 12 frames of 1 s, forever
    yield "b.gif", gif(30, 20, solid_frames([GREEN, BLUE, RED], 100))
    yield "one.gif", gif(40, 30, [{"fill": RED, "delay": 0}])
    # Header, screen, palette and a comment, but no image: loaded, 0 frames.
    yield "zero.gif", gif(40, 30, [], extra=b"\x21\xFE\x05hello\x00")
    yield "notgif.gif", b"this is text, not a GIF\n"
    yield "wrongext.png", gif(40, 30, [{"fill": RED}])
    # Three frames of 400 ms, two passes: the run takes 2.4 s at normal speed.
    yield "loop2.gif", gif(20, 20, solid_frames([RED, GREEN, BLUE], 40), loop=2)
    # Four frames of 300 ms, forever: pausing names a frame by its colour.
    yield "four.gif", gif(20, 20, solid_frames([RED, GREEN, BLUE, YELLOW], 30))
    # Compositing on screen: transparency over the frame before, disposal 2
    # (restore to the window's background), disposal 3 (restore previous),
    # odd colours that show any rounding.
    yield "layers.gif", gif(41, 31, [
        {"fill": 8, "rects": [(5, 5, 20, 10, 9), (0, 0, 1, 1, WHITE)], "delay": 100},
        {"left": 10, "top": 8, "width": 12, "height": 9, "fill": 10, "transparent": 10,
         "rects": [(2, 2, 4, 4, YELLOW)], "delay": 100, "disposal": 2},
        {"left": 20, "top": 15, "width": 15, "height": 10, "fill": CYAN, "delay": 100, "disposal": 3},
        {"left": 0, "top": 20, "width": 8, "height": 8, "fill": 11, "delay": 100},
    ])


def big_comment(size):
    """A comment extension of about size bytes, in 255-byte sub-blocks."""
    chunk = b"\xFF" + b"c" * 255
    return b"\x21\xFE" + chunk * (size // 256) + b"\x00"


def bad_input_recipes():
    # A 65535 x 65535 canvas: 16 GiB per composed frame, more than the
    # player may ever hold; the load fails into the empty player.
    yield "huge.gif", gif(65535, 65535, [{"width": 2, "height": 2, "fill": RED}])
    # Thousands of tiny frames, delays of 10 ms raised to 100 ms.
    yield "many.gif", gif(4, 4, [{"width": 2, "height": 2, "fill": i % 8, "delay": 1} for i in range(3000)])
    # Over 5,000,000 bytes: the first frame is shown before the rest is read.
    yield "large.gif", gif(20, 20, [{"fill": RED, "delay": 50}], extra=big_comment(5_100_000)
                           + graphic_control(50, 0, None) + b"\x2C" + struct.pack("<HHHHB", 0, 0, 20, 20, 0)
                           + lzw_uncompressed([GREEN] * 400))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in list(recipes()) + list(bad_input_recipes()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
