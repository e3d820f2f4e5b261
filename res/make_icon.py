#!/usr/bin/python3
"""Writes the application icon: a white "K" on a blue rounded square.

Usage: make_icon.py OUTPUT.ico
       make_icon.py --png SIZE OUTPUT.png   one true-colour image with an
                                            alpha channel, for Linux desktops

Nine images, in this order: 48, 32 and 16 pixels at 4, 8 and 24 bits per
pixel, each an uncompressed bitmap with its AND mask. Common icon tools
cannot write 24-bit 16-pixel images or tag the paletted entries correctly,
so the file is built here byte by byte.
"""
import struct
import sys
import zlib

SIZES = (48, 32, 16)
DEPTHS = (4, 8, 24)
SUBSAMPLES = 4  # per axis, for coverage at the shape edges

# The picture is drawn in three roles; each depth gets colours it can show
# exactly, so the paletted images need no dithering.
TRANSPARENT, OUTLINE, FILL, LETTER = range(4)
WHITE = (255, 255, 255)

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
CUBE = [(r, g, b) for r in range(0, 256, 51) for g in range(0, 256, 51)
        for b in range(0, 256, 51)]
GREYS = [(v, v, v) for v in range(8, 248, 10)]
PALETTE = {4: VGA16, 8: VGA16 + CUBE + GREYS, 24: None}
assert len(PALETTE[8]) == 256

ROLE_COLOURS = {
    4: {OUTLINE: (0, 0, 128), FILL: (0, 0, 255), LETTER: WHITE},
    8: {OUTLINE: (0, 51, 102), FILL: (51, 102, 204), LETTER: WHITE},
    24: {OUTLINE: (23, 58, 110), FILL: (47, 111, 196), LETTER: WHITE},
}


def _in_rounded_square(u, v, inset, radius):
    lo, hi = inset + radius, 1.0 - inset - radius
    dx = max(lo - u, 0.0, u - hi)
    dy = max(lo - v, 0.0, v - hi)
    return dx * dx + dy * dy <= radius * radius


def _near_segment(u, v, a, b, half_width):
    (ax, ay), (bx, by) = a, b
    ex, ey = bx - ax, by - ay
    t = ((u - ax) * ex + (v - ay) * ey) / (ex * ex + ey * ey)
    t = min(1.0, max(0.0, t))
    dx, dy = u - (ax + t * ex), v - (ay + t * ey)
    return dx * dx + dy * dy <= half_width * half_width


def role_at(u, v):
    """Role of the point (u, v) of the unit square, v pointing down."""
    if not _in_rounded_square(u, v, 0.03, 0.22):
        return TRANSPARENT
    if not _in_rounded_square(u, v, 0.10, 0.15):
        return OUTLINE
    if 0.2 <= v <= 0.8:
        if 0.27 <= u <= 0.43:
            return LETTER
        if _near_segment(u, v, (0.40, 0.56), (0.74, 0.17), 0.08):
            return LETTER
        if _near_segment(u, v, (0.48, 0.45), (0.76, 0.83), 0.08):
            return LETTER
    return FILL


def render(size, depth):
    """Rows top to bottom of (colour, opaque) pairs."""
    colours = ROLE_COLOURS[depth]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            samples = [role_at((x + (i + 0.5) / SUBSAMPLES) / size,
                               (y + (j + 0.5) / SUBSAMPLES) / size)
                       for j in range(SUBSAMPLES) for i in range(SUBSAMPLES)]
            inside = [s for s in samples if s != TRANSPARENT]
            if 2 * len(inside) < len(samples):
                row.append(((0, 0, 0), False))
            elif depth == 24:
                # True colour blends the roles at the edges.
                blend = tuple(round(sum(colours[s][k] for s in inside) / len(inside))
                              for k in range(3))
                row.append((blend, True))
            else:
                # A palette holds no blends: the most covered role wins.
                role = max(set(inside), key=inside.count)
                row.append((colours[role], True))
        rows.append(row)
    return rows


def _stride(width, bits):
    return (width * bits + 31) // 32 * 4


def _pack_row(indices, bits):
    if bits == 1 or bits == 4:
        per_byte = 8 // bits
        out = bytearray()
        for i in range(0, len(indices), per_byte):
            byte = 0
            for k, value in enumerate(indices[i:i + per_byte]):
                byte |= value << (8 - bits * (k + 1))
            out.append(byte)
        return bytes(out)
    return bytes(indices)


def image_bytes(size, depth):
    """The DIB of one icon image: header, palette, XOR bits, AND mask."""
    rows = render(size, depth)
    palette = PALETTE[depth]
    xor, mask = bytearray(), bytearray()
    for row in reversed(rows):  # DIB rows go bottom up
        if palette is None:
            bits = b"".join(bytes((b, g, r)) for (r, g, b), _ in row)
        else:
            bits = _pack_row([palette.index(c) for c, _ in row], depth)
        xor += bits.ljust(_stride(size, depth), b"\0")
        transparent = [0 if opaque else 1 for _, opaque in row]
        mask += _pack_row(transparent, 1).ljust(_stride(size, 1), b"\0")
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, depth, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    quads = b"".join(bytes((b, g, r, 0)) for r, g, b in palette or ())
    return header + quads + bytes(xor) + bytes(mask)


def icon_file():
    images = [(size, depth, image_bytes(size, depth))
              for depth in DEPTHS for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = len(out) + 16 * len(images)
    for size, depth, data in images:
        colour_count = 16 if depth == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, depth,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def png_file(size):
    """The same picture as a PNG of SIZE pixels: the 24-bit colours, each
    pixel as opaque as the shape covers it. No time or name in it."""
    colours = ROLE_COLOURS[24]
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # no filter
        for x in range(size):
            samples = [role_at((x + (i + 0.5) / SUBSAMPLES) / size,
                               (y + (j + 0.5) / SUBSAMPLES) / size)
                       for j in range(SUBSAMPLES) for i in range(SUBSAMPLES)]
            inside = [s for s in samples if s != TRANSPARENT] or [TRANSPARENT]
            colour = [0, 0, 0] if inside == [TRANSPARENT] else [
                round(sum(colours[s][k] for s in inside) / len(inside)) for k in range(3)]
            alpha = round(255 * sum(s != TRANSPARENT for s in samples) / len(samples))
            raw += bytes(colour + [alpha])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main(argv):
    if len(argv) == 4 and argv[1] == "--png" and argv[2].isdigit():
        data = png_file(int(argv[2]))
    elif len(argv) == 2:
        data = icon_file()
    else:
        sys.exit("usage: make_icon.py OUTPUT.ico | --png SIZE OUTPUT.png")
    with open(argv[-1], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv)
