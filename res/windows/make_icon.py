#!/usr/bin/env python3
"""Draws icon 128 (an arrow going down into a box, another leaving it to the right) as a
16-colour Windows icon with a 32 x 32 and a 16 x 16 image, and writes it as texkit2.ico.

Run it again only to change the picture; the .ico it writes is committed.
    res/windows/make_icon.py [OUT.ico] [--png PREVIEW.png]
"""
import os
import struct
import sys
import zlib

# The standard 16-colour palette, in the order Windows' 4-bit bitmaps index it.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, RED, BLUE, WHITE = 0, 9, 12, 15
TRANSPARENT = None


def inside_polygon(x, y, points):
    hit = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


# Shapes on a 32 x 32 grid, painted in order, each with a one-pixel black outline at every size.
BOX = [(1.5, 11.5), (19.5, 11.5), (19.5, 30), (1.5, 30)]
ARROW_DOWN = [(8, 0.5), (13, 0.5), (13, 7), (17.5, 7), (10.5, 17), (3.5, 7), (8, 7)]
ARROW_RIGHT = [(11, 19), (21.5, 19), (21.5, 13.5), (31.5, 21.5), (21.5, 29.5), (21.5, 24), (11, 24)]
LAYERS = [(BOX, WHITE), (ARROW_DOWN, BLUE), (ARROW_RIGHT, RED)]


def draw(size):
    scale = 32.0 / size
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    for points, colour in LAYERS:
        covered = {(row, column) for row in range(size) for column in range(size)
                   if inside_polygon((column + 0.5) * scale, (row + 0.5) * scale, points)}
        for row, column in covered:
            edge = any((row + dr, column + dc) not in covered
                       for dr, dc in ((-1, 0), (1, 0), (0, -1), (0, 1)))
            pixels[row][column] = BLACK if edge else colour
    return pixels


def icon_image(pixels):
    """One image of an .ico: BITMAPINFOHEADER, palette, 4-bit colours, 1-bit transparency mask."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colours = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up, as bitmaps are stored
        line = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for column, colour in enumerate(row):
            index = 0 if colour is TRANSPARENT else colour
            line[column // 2] |= index << (0 if column % 2 else 4)
            if colour is TRANSPARENT:
                bits[column // 8] |= 0x80 >> (column % 8)
        colours += line
        mask += bits
    return header + palette + bytes(colours) + bytes(mask)


def write_ico(path, images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for pixels, blob in images:
        size = len(pixels)
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(blob),
                                 offset + len(data))
        data += blob
    with open(path, "wb") as out:
        out.write(directory + data)


def write_png(path, images, zoom=8):
    """A magnified preview of every image side by side, transparent shown as a checkerboard."""
    width = sum(len(p) for p, _ in images) * zoom + zoom * (len(images) - 1)
    height = max(len(p) for p, _ in images) * zoom
    rows = []
    for y in range(height):
        row = bytearray([0])
        for n, (pixels, _) in enumerate(images):
            size = len(pixels)
            for x in range(size * zoom):
                colour = pixels[y // zoom][x // zoom] if y < size * zoom else TRANSPARENT
                if colour is TRANSPARENT:
                    shade = 230 if ((x // 4 + y // 4) % 2) else 250
                    row += bytes((shade, shade, shade))
                else:
                    row += bytes(PALETTE[colour])
            if n + 1 < len(images):
                row += bytes((255, 255, 255)) * zoom
        rows.append(bytes(row))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def main(argv):
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "texkit2.ico")
    preview = None
    args = list(argv)
    while args:
        arg = args.pop(0)
        if arg == "--png":
            preview = args.pop(0)
        else:
            out = arg
    images = [(pixels, icon_image(pixels)) for pixels in (draw(32), draw(16))]
    write_ico(out, images)
    if preview:
        write_png(preview, images)


if __name__ == "__main__":
    main(sys.argv[1:])
