#!/usr/bin/env python3
"""Draws the skin button tests' strips: one solid colour per frame, so a pixel
read back names the frame; the bottom row is transparent, so blending over
the parent shows there. Run from this folder; writes strip63.png, strip64.png."""
import struct
import zlib

FRAMES = [(255, 0, 0), (0, 255, 0), (0, 0, 255)]
EXTRA = (255, 0, 255)  # the leftover column of a 64-pixel strip


def png(width, height, pixel):
    rows = b"".join(
        b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width)) for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def strip(width, height=26):
    def pixel(x, y):
        colour = FRAMES[x // 21] if x < 63 else EXTRA
        return (*colour, 0 if y == height - 1 else 255)
    return png(width, height, pixel)


for width in (63, 64):
    with open(f"strip{width}.png", "wb") as f:
        f.write(strip(width))
