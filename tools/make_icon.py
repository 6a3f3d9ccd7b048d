#!/usr/bin/env python3
"""Draws the window icon, a mahjong tile, into data/icons/101.png.

The window asks for its icon as resource 101; the platform layer reads
resource N from data/icons/N.png. Run from the project folder.
"""
import struct
import zlib

SIZE = 64


def inside_rounded(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def pixel(x, y):
    px, py = x + 0.5, y + 0.5
    if inside_rounded(px, py, 10, 6, 54, 58, 7):
        # Tile face, with a band of green for the tile's back at the bottom.
        if py > 52:
            return (46, 125, 80, 255)
        d1 = (px - 32) ** 2 + (py - 21) ** 2
        d2 = (px - 32) ** 2 + (py - 40) ** 2
        if d1 <= 49 or d2 <= 49:
            return (200, 40, 40, 255) if d1 <= 49 else (30, 90, 170, 255)
        if d1 <= 81 or d2 <= 81:
            return (60, 60, 60, 255)
        return (250, 244, 226, 255)
    if inside_rounded(px - 3, py - 3, 10, 6, 54, 58, 7):
        return (0, 0, 0, 90)
    return (0, 0, 0, 0)


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    with open("data/icons/101.png", "wb") as f:
        f.write(png(SIZE, SIZE, rows))
