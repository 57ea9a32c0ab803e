#!/usr/bin/env python3
"""Build HOLMVARD's splash picture, bitmap 116, from art drawn in this file.

    make_splash.py OUT.bmp          write the 480x320 8-bit bitmap
    make_splash.py --check FILE     read it back and verify its layout;
                                    exit status 1 on any mismatch

The drive is the tray icon's own scene, rendered large; the lettering is a
5x7 pixel font. Only the standard library is used and the output is
deterministic.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_icons  # noqa: E402

WIDTH, HEIGHT = 480, 320

FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    " ": ["00000"] * 7,
}


def draw_text(pixels, text, x, y, scale, colour):
    for ch in text:
        for row, bits in enumerate(FONT[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            pixels[y + row * scale + dy][x + col * scale + dx] = colour
        x += 6 * scale


def build():
    # Colours of the palette's own cube, so nothing bands.
    pixels = [[(0, 51, 102) if y < 262 else (0, 102, 102) for _ in range(WIDTH)] for y in range(HEIGHT)]
    drive = make_icons.render(make_icons.drive_scene(150, (40, 230, 40), False), 150, False, ss=3)
    for y, row in enumerate(drive):
        for x, c in enumerate(row):
            if c is not None:
                pixels[85 + y][30 + x] = c
    draw_text(pixels, "HOLMVARD", 200, 115, 5, (255, 255, 255))
    draw_text(pixels, "DRIVE HEALTH MONITOR", 202, 170, 2, (204, 255, 204))
    return pixels


def encode(pixels):
    pal = make_icons.palette_256()
    cache = {}
    rows = bytearray()
    for row in reversed(pixels):            # DIBs are stored bottom-up
        rows.extend(make_icons.nearest(pal, tuple(int(v) for v in c), cache) for c in row)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + palette + bytes(rows)


def check(path):
    data = open(path, "rb").read()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (hsize, width, height, planes, bpp, compression, _, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    problems = []
    if magic != b"BM" or size != len(data):
        problems.append("not a whole BMP file")
    if (hsize, width, height, planes, bpp, compression) != (40, WIDTH, HEIGHT, 1, 8, 0):
        problems.append("not a 480x320 uncompressed 8-bit DIB")
    if used not in (0, 256) or offset != 14 + 40 + 256 * 4:
        problems.append("colour table is not 256 entries")
    if len(data) != offset + WIDTH * HEIGHT:
        problems.append("pixel data has the wrong size")
    for p in problems:
        print("%s: %s" % (path, p))
    return not problems


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        return 0 if check(argv[2]) else 1
    if len(argv) != 2:
        print(__doc__)
        return 2
    with open(argv[1], "wb") as out:
        out.write(encode(build()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
