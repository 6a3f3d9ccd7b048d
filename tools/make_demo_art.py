#!/usr/bin/env python3
"""Draws the pictures of the demonstration screen into data/gfx/demo/.

Small, flat pictures whose colours the end-to-end run probes on screen:
keep the solid areas solid when changing them. Run from the project folder.
"""
import os
import struct
import zlib

OUT = "data/gfx/demo"
CLEAR = (0, 0, 0, 0)


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def save(name, width, height, pixel):
    rows = [[pixel(x + 0.5, y + 0.5) for x in range(width)] for y in range(height)]
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png(width, height, rows))


def rgb(hex_text, alpha=255):
    value = int(hex_text, 16)
    return (value >> 16 & 0xFF, value >> 8 & 0xFF, value & 0xFF, alpha)


def inside_rounded(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def panel(x, y):
    """A white panel with a dark 6-pixel frame and rounded corners: the
    nine-slice picture, tinted by its node."""
    if not inside_rounded(x, y, 0, 0, 32, 32, 6):
        return CLEAR
    if inside_rounded(x, y, 6, 6, 26, 26, 2):
        return (255, 255, 255, 255)
    return rgb("202028")


def checker(x, y):
    """Four 16-pixel squares in two colours: the repeating floor."""
    return rgb("C8B070") if (int(x) // 16 + int(y) // 16) % 2 == 0 else rgb("8C6A3C")


def disc(fill, rim=None, highlight=True):
    def pixel(x, y):
        d = ((x - 16) ** 2 + (y - 16) ** 2) ** 0.5
        if d > 15:
            return CLEAR
        if rim and d > 13:
            return rgb(rim)
        if highlight and (x - 11) ** 2 + (y - 10) ** 2 <= 6:
            return (255, 255, 255, 255)
        return rgb(fill)

    return pixel


def arrow(x, y):
    """Red behind, blue ahead and a white point at the right end: shown
    mirrored, the blue comes first."""
    if x >= 24 and abs(y - 8) <= (32 - x):
        return (255, 255, 255, 255)
    return rgb("D04030") if x < 16 else rgb("3060D0")


def spark(x, y):
    d = ((x - 16) ** 2 + (y - 16) ** 2) ** 0.5
    if d <= 9:
        return rgb("FFE060")
    ray = min(abs(x - 16), abs(y - 16))
    if d <= 16 and ray <= 1.5:
        return rgb("FFE060", 200)
    return CLEAR


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    save("panel.png", 32, 32, panel)
    save("checker.png", 32, 32, checker)
    for i, colour in enumerate(["E04040", "40A0E0", "E0C040", "B050E0"]):
        save("gem%d.png" % i, 32, 32, disc(colour, rim="303040"))
    save("flash0.png", 32, 32, disc("FFFFFF", highlight=False))
    save("flash1.png", 32, 32, disc("FFF0A0", highlight=False))
    save("arrow.png", 32, 16, arrow)
    save("spark.png", 32, 32, spark)
    save("burst.png", 32, 32, disc("FF70B0", rim="FFFFFF", highlight=False))
