#!/usr/bin/env python3
"""Build HOLMVARD's tray icons from art drawn in this file.

    make_icons.py OUTDIR            write OUTDIR/holmvard.ico and
                                    OUTDIR/holmvard_error.ico
    make_icons.py --check FILE...   read .ico files back and verify their
                                    layout; exit status 1 on any mismatch

Only the standard library is used, and the output is byte-for-byte
deterministic so the generated files can be committed or rebuilt freely.

The 16x16 images are hand-placed pixels: at tray size every pixel matters.
The 20x20, 24x24 and 32x32 images (the tray at 125 %, 150 % and 200 % scale)
and the 48x48 one are rendered from a small vector scene (the same drive seen
from above-front) with supersampling, so they get real detail instead of being
blown-up copies of the small one.
"""

import math
import os
import struct
import sys

# --------------------------------------------------------------------------
# Palettes

# The standard 16-colour VGA/Windows palette, in the order Windows uses.
VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

BLACK, DKRED, DKGREEN, SILVER, GREY = VGA[0], VGA[1], VGA[2], VGA[7], VGA[8]
RED, GREEN, WHITE = VGA[9], VGA[10], VGA[15]


def palette_256():
    """VGA colours, a 6x6x6 colour cube and a fine grey ramp.

    Most of the 48x48 art is shaded metal, so the grey ramp carries the
    gradients; the cube covers the LED and anti-aliased colour edges.
    """
    pal = list(VGA)
    steps = (0, 51, 102, 153, 204, 255)
    for r in steps:
        for g in steps:
            for b in steps:
                pal.append((r, g, b))
    # 24 greys strictly between black and white, avoiding the cube's greys.
    for i in range(24):
        v = 8 + i * 10
        pal.append((v, v, v))
    assert len(pal) == 256
    return pal


def nearest(pal, rgb, cache):
    hit = cache.get(rgb)
    if hit is not None:
        return hit
    r, g, b = rgb
    best, best_d = 0, None
    for i, (pr, pg, pb) in enumerate(pal):
        # Weighted distance: the eye is most sensitive to green, least to blue.
        d = 3 * (pr - r) ** 2 + 4 * (pg - g) ** 2 + 2 * (pb - b) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    cache[rgb] = best
    return best


# --------------------------------------------------------------------------
# 16x16 pixel art. '.' is transparent.

PIXEL_COLOURS = {
    'K': BLACK, 'S': SILVER, 'D': GREY, 'W': WHITE,
    'G': GREEN, 'g': DKGREEN, 'R': RED, 'r': DKRED,
}

# A drive seen from the front and slightly above: white top, silver front
# with a slot, grey side, and the status light at the front right.
DRIVE_16 = [
    "................",
    "................",
    "................",
    "...KKKKKKKKKKKKK",
    "..KWWWWWWWWWWWKK",
    ".KWWWWWWWWWWWKDK",
    "KKKKKKKKKKKKKDDK",
    "KSSSSSSSSSSSKDDK",
    "KSSSSSSSSLLLKDDK",
    "KSDDDDDDSLLLKDDK",
    "KSWWWWWWSLLLKDK.",
    "KSSSSSSSSSSSKK..",
    "KKKKKKKKKKKKK...",
    "................",
    "................",
    "................",
]


def grid_image(rows, light):
    """Turn an ASCII grid into rows of RGB tuples (None = transparent)."""
    colours = dict(PIXEL_COLOURS)
    colours['L'] = light
    out = []
    for row in rows:
        assert len(row) == len(rows), "pixel art must be square"
        out.append([None if ch == '.' else colours[ch] for ch in row])
    return out


# --------------------------------------------------------------------------
# Vector scene for the larger sizes.
#
# Geometry is laid out on a 48-unit design grid and snapped to pixel centres
# at each output size, so the one-pixel outlines stay crisp and the box's
# slanted edges run at exactly 45 degrees.

def point_in_poly(x, y, poly):
    inside = False
    n = len(poly)
    for i in range(n):
        x1, y1 = poly[i]
        x2, y2 = poly[(i + 1) % n]
        if (y1 > y) != (y2 > y):
            xc = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < xc:
                inside = not inside
    return inside


def seg_dist(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    L = dx * dx + dy * dy
    t = 0.0 if L == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / L))
    px, py = ax + t * dx, ay + t * dy
    return math.hypot(x - px, y - py)


def lerp(c1, c2, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


class Scene:
    """Layers painted in order; later layers cover earlier ones."""

    def __init__(self):
        self.layers = []

    def add(self, hit, colour):
        self.layers.append((hit, colour))

    def poly(self, pts, colour):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        box = (min(xs), min(ys), max(xs), max(ys))
        self.add(lambda x, y: (box[0] <= x <= box[2] and box[1] <= y <= box[3]
                               and point_in_poly(x, y, pts)), colour)

    def rect(self, x0, y0, x1, y1, colour):
        self.add(lambda x, y: x0 <= x <= x1 and y0 <= y <= y1, colour)

    def circle(self, cx, cy, r, colour):
        self.add(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def lines(self, pts, colour, width=1.0, closed=False):
        segs = list(zip(pts, pts[1:]))
        if closed:
            segs.append((pts[-1], pts[0]))
        half = width / 2.0
        self.add(lambda x, y: any(seg_dist(x, y, a, b) <= half for a, b in segs),
                 colour)

    def sample(self, x, y):
        for hit, colour in reversed(self.layers):
            if hit(x, y):
                return colour(x, y) if callable(colour) else colour
        return None


def drive_scene(size, light, flat):
    """The drive at `size` pixels. `flat` keeps to plain VGA colours."""
    k = size / 48.0

    def px(v):                      # snap a design coordinate to a pixel centre
        return math.floor(v * k) + 0.5

    def sc(v):                      # scale without snapping, for fine detail
        return v * k

    x0, x1 = px(2), px(37)          # front face
    y0, y1 = px(22), px(37)
    d = round(9 * k)                # depth of the box, drawn at 45 degrees
    top = [(x0, y0), (x1, y0), (x1 + d, y0 - d), (x0 + d, y0 - d)]
    side = [(x1, y0), (x1 + d, y0 - d), (x1 + d, y1 - d), (x1, y1)]
    front = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]

    s = Scene()
    if flat:
        s.poly(top, WHITE)
        s.poly(side, GREY)
        s.poly(front, SILVER)
    else:
        # Light falls from the upper left: the top is brightest towards the
        # back, the front darkens towards the bottom, the side is in shade.
        ty0, ty1 = y0 - d, y0
        s.poly(top, lambda x, y: lerp((250, 250, 250), (214, 214, 214),
                                      (y - ty0) / (ty1 - ty0)))
        s.poly(side, lambda x, y: lerp((150, 150, 150), (104, 104, 104),
                                       (y - (y0 - d)) / (y1 - y0 + d)))
        s.poly(front, lambda x, y: lerp((212, 212, 212), (160, 160, 160),
                                        (y - y0) / (y1 - y0)))

    # A label on the top face, parallel to its edges.
    lt = [(x0 + d * 0.3 + sc(6), y0 - d * 0.3), (x1 - sc(9), y0 - d * 0.3),
          (x1 - sc(9) + d * 0.45, y0 - d * 0.75), (x0 + sc(6) + d * 0.75, y0 - d * 0.75)]
    if size >= 32:
        s.poly(lt, SILVER if flat else (236, 236, 236))
        s.lines(lt, GREY if flat else (150, 150, 150), width=1.0, closed=True)

    # Vent grooves on the side face.
    if size >= 32:
        for i in range(3):
            gx = x1 + d * (0.3 + 0.25 * i)
            gy = y0 - d * (0.3 + 0.25 * i) + sc(3.5)
            s.lines([(gx, gy), (gx, gy + sc(7))],
                    BLACK if flat else (84, 84, 84), width=1.0)

    # Slot along the front: a dark groove with a highlight under it.
    sy = px(29)
    sx0, sx1 = px(6), px(24)
    s.lines([(sx0, sy), (sx1, sy)], GREY if flat else (96, 96, 96), width=1.0)
    s.lines([(sx0, sy + 1), (sx1, sy + 1)], WHITE if flat else (244, 244, 244),
            width=1.0)

    # Screws at the front corners.
    if size >= 32:
        for cx in (px(5), x1 - (px(5) - x0)):
            s.circle(cx, px(34), 0.75 * k * 1.5, GREY if flat else (110, 110, 110))

    # Status light: a lamp in a dark bezel, with a specular highlight.
    lx, ly, lr = sc(31.5), sc(29.5), sc(2.6)
    if flat:
        # Circles this small turn into plus signs; a lit square with a
        # darker rim reads better as a lamp.
        cx, cy = math.floor(lx), math.floor(ly)
        rim = {GREEN: DKGREEN, RED: DKRED}[light]
        s.rect(cx - 2, cy - 2, cx + 2, cy + 2, rim)
        s.rect(cx - 1, cy - 1, cx + 1, cy + 1, light)
        s.rect(cx - 1, cy - 1, cx - 0.01, cy - 0.01, WHITE)
    else:
        s.circle(lx, ly, lr + max(1.0, sc(1.0)), (60, 60, 60))
        s.circle(lx, ly, lr, lambda x, y: lerp(
            lerp(light, (255, 255, 255), 0.25), tuple(c // 2 for c in light),
            math.hypot(x - lx + lr * 0.4, y - ly + lr * 0.4) / (lr * 1.6)))
        s.circle(lx - lr * 0.35, ly - lr * 0.35, lr * 0.32, (255, 255, 255))

    # Outline last, so it sits on top of every face edge.
    s.lines([(x0, y0), (x0 + d, y0 - d), (x1 + d, y0 - d), (x1 + d, y1 - d),
             (x1, y1), (x0, y1)], BLACK, closed=True)
    s.lines([(x0, y0), (x1, y0), (x1 + d, y0 - d)], BLACK)
    s.lines([(x1, y0), (x1, y1)], BLACK)
    return s


def render(scene, size, flat, ss=6):
    """Supersample the scene into rows of RGB tuples (None = transparent).

    Flat rendering takes the commonest sample per pixel, so edges stay pure
    palette colours; smooth rendering averages them for anti-aliasing. The
    mask is one bit, so a pixel is opaque when most of it is covered.
    """
    out = []
    offs = [(i + 0.5) / ss for i in range(ss)]
    for y in range(size):
        row = []
        for x in range(size):
            samples = [scene.sample(x + ox, y + oy) for oy in offs for ox in offs]
            if flat:
                counts = {}
                for c in samples:
                    counts[c] = counts.get(c, 0) + 1
                # max() keeps the first of equal counts: deterministic.
                row.append(max(counts, key=lambda c: counts[c]))
            else:
                solid = [c for c in samples if c is not None]
                if len(solid) * 2 < len(samples):
                    row.append(None)
                else:
                    n = len(solid)
                    row.append(tuple(int(round(sum(c[i] for c in solid) / n))
                                     for i in range(3)))
        out.append(row)
    return out


# --------------------------------------------------------------------------
# ICO encoding

def stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def encode_image(pixels, bpp):
    """One icon image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask."""
    size = len(pixels)
    pal = VGA if bpp == 4 else palette_256()
    cache = {}
    xor_stride, and_stride = stride(size, bpp), stride(size, 1)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):            # DIBs are stored bottom-up
        idx = []
        bits = []
        for c in row:
            if c is None:
                idx.append(0)               # black XOR + set mask bit = clear
                bits.append(1)
            else:
                i = nearest(pal, c, cache)
                if bpp == 4 and pal[i] != c:
                    raise ValueError("colour %r is not in the VGA palette" % (c,))
                idx.append(i)
                bits.append(0)
        line = bytearray()
        if bpp == 4:
            for i in range(0, size, 2):
                line.append((idx[i] << 4) | idx[i + 1])
        else:
            line.extend(idx)
        line.extend(b"\0" * (xor_stride - len(line)))
        xor.extend(line)
        mline = bytearray()
        for i in range(0, size, 8):
            v = 0
            for b in bits[i:i + 8]:
                v = (v << 1) | b
            mline.append(v << (8 - len(bits[i:i + 8])))
        mline.extend(b"\0" * (and_stride - len(mline)))
        mask.extend(mline)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in pal)
    return header + palette + bytes(xor) + bytes(mask)


def encode_ico(images):
    """images: list of (pixels, bpp)."""
    blobs = [(len(p), bpp, encode_image(p, bpp)) for p, bpp in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for size, bpp, blob in blobs:
        out += struct.pack("<BBBBHHII", size, size, 16 if bpp == 4 else 0, 0,
                           1, bpp, len(blob), offset)
        offset += len(blob)
    for _, _, blob in blobs:
        out += blob
    return bytes(out)


# --------------------------------------------------------------------------
# The two icon files: (width, bits per pixel) of each image, in order.

LAYOUTS = {
    "holmvard.ico": [(32, 4), (16, 4), (20, 4), (24, 4), (48, 8)],
    "holmvard_error.ico": [(16, 4), (20, 4), (24, 4), (32, 4)],
}


def flat_drive(size, light):
    return (render(drive_scene(size, light, True), size, True), 4)


def build_normal():
    return encode_ico([
        flat_drive(32, GREEN),
        (grid_image(DRIVE_16, GREEN), 4),
        flat_drive(20, GREEN),
        flat_drive(24, GREEN),
        (render(drive_scene(48, (40, 230, 40), False), 48, False), 8),
    ])


def build_error():
    return encode_ico([
        (grid_image(DRIVE_16, RED), 4),
        flat_drive(20, RED),
        flat_drive(24, RED),
        flat_drive(32, RED),
    ])


# --------------------------------------------------------------------------
# Reading back

class IcoError(Exception):
    pass


def check_file(path):
    name = os.path.basename(path)
    if name not in LAYOUTS:
        raise IcoError("%s: unknown icon file name (expected one of %s)"
                       % (path, ", ".join(sorted(LAYOUTS))))
    want = LAYOUTS[name]
    with open(path, "rb") as f:
        data = f.read()

    def fail(msg):
        raise IcoError("%s: %s" % (path, msg))

    if len(data) < 6:
        fail("too short for an icon header")
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        fail("not an icon (reserved=%d type=%d)" % (reserved, kind))
    if count != len(want):
        fail("has %d images, expected %d" % (count, len(want)))
    if len(data) < 6 + 16 * count:
        fail("directory runs past end of file")

    expected_offset = 6 + 16 * count
    for n, (size, bpp) in enumerate(want):
        w, h, colours, res, planes, bits, nbytes, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * n)
        what = "image %d" % n
        if (w, h) != (size, size):
            fail("%s is %dx%d, expected %dx%d" % (what, w, h, size, size))
        if bits != bpp:
            fail("%s has %d bits per pixel, expected %d" % (what, bits, bpp))
        if colours != (16 if bpp == 4 else 0) or res != 0 or planes != 1:
            fail("%s directory entry: colours=%d reserved=%d planes=%d"
                 % (what, colours, res, planes))
        if offset != expected_offset:
            fail("%s at offset %d, expected %d (images must be packed in order)"
                 % (what, offset, expected_offset))
        if offset + nbytes > len(data):
            fail("%s runs past end of file" % what)
        expected_offset += nbytes

        (hsize, bw, bh, bplanes, bbits, comp, simage, _, _, used, _
         ) = struct.unpack_from("<IiiHHIIiiII", data, offset)
        if hsize != 40:
            fail("%s header size %d, expected 40" % (what, hsize))
        if (bw, bh) != (size, 2 * size):
            fail("%s bitmap is %dx%d, expected %dx%d" % (what, bw, bh, size, 2 * size))
        if bplanes != 1 or bbits != bpp or comp != 0:
            fail("%s bitmap planes=%d bits=%d compression=%d"
                 % (what, bplanes, bbits, comp))
        ncol = 1 << bpp
        if used not in (0, ncol):
            fail("%s uses %d colours, expected 0 or %d" % (what, used, ncol))
        xor_len = stride(size, bpp) * size
        and_len = stride(size, 1) * size
        if simage != xor_len + and_len:
            fail("%s image size %d, expected %d" % (what, simage, xor_len + and_len))
        if nbytes != 40 + 4 * ncol + xor_len + and_len:
            fail("%s is %d bytes, expected %d"
                 % (what, nbytes, 40 + 4 * ncol + xor_len + and_len))

        mask_at = offset + 40 + 4 * ncol + xor_len
        row_bytes = (size + 7) // 8
        opaque = 0
        for r in range(size):
            row = data[mask_at + r * stride(size, 1):][:row_bytes]
            for x in range(size):
                if not (row[x >> 3] >> (7 - (x & 7))) & 1:
                    opaque += 1
        if opaque == 0:
            fail("%s mask is entirely transparent" % what)

    if expected_offset != len(data):
        fail("%d stray bytes after the last image" % (len(data) - expected_offset))


def main(argv):
    if len(argv) >= 2 and argv[0] == "--check":
        status = 0
        for path in argv[1:]:
            try:
                check_file(path)
                print("ok: %s" % path)
            except (IcoError, OSError) as e:
                print("error: %s" % e, file=sys.stderr)
                status = 1
        return status
    if len(argv) != 1 or argv[0].startswith("-"):
        print("usage: make_icons.py OUTDIR | --check FILE...", file=sys.stderr)
        return 2
    outdir = argv[0]
    os.makedirs(outdir, exist_ok=True)
    for name, data in (("holmvard.ico", build_normal()),
                       ("holmvard_error.ico", build_error())):
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
