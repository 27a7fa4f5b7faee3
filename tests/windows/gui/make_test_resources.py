#!/usr/bin/env python3
"""Writes the pictures of the Windows GUI tests' resource script, both committed:
  tree.bmp  seven 16 x 16 images side by side (112 x 16, 16 colours) on magenta, the colour
            the image list makes transparent; image i is a square of colour i + 1.
  clip.avi  an uncompressed 8-bit AVI of 6 frames, 48 x 16, 100 ms each: a bar that moves
            to the right over a grey background (the first pixel, which a transparent
            animation control does not draw).

Run it again only to change them:  tests/windows/gui/make_test_resources.py [FOLDER]
"""
import os
import struct
import sys

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
MAGENTA, GREY, BLUE = 13, 7, 12


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       colours, 0)


def rows_bottom_up(pixels, width, height, bits):
    """pixels[y][x] palette indices, rows top-down; returns padded rows bottom-up."""
    out = b""
    for y in reversed(range(height)):
        row = pixels[y]
        if bits == 4:
            data = bytes((row[x] << 4) | row[x + 1] for x in range(0, width, 2))
        else:
            data = bytes(row)
        out += data + b"\0" * ((-len(data)) % 4)
    return out


def tree_bitmap():
    width, height = 112, 16
    pixels = [[MAGENTA] * width for _ in range(height)]
    for image in range(7):
        for y in range(2, 14):
            for x in range(image * 16 + 2, image * 16 + 14):
                pixels[y][x] = image + 1
    bits = rows_bottom_up(pixels, width, height, 4)
    offset = 14 + 40 + 16 * 4
    return (b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset)
            + info_header(width, height, 4, len(bits), 16) + palette_bytes(PALETTE) + bits)


def chunk(fourcc, data):
    return fourcc + struct.pack("<I", len(data)) + data + b"\0" * (len(data) % 2)


def riff_list(kind, fourcc, data):
    return kind + struct.pack("<I", len(data) + 4) + fourcc + data


def clip():
    width, height, frames = 48, 16, 6
    images = []
    for frame in range(frames):
        pixels = [[GREY] * width for _ in range(height)]
        for y in range(3, 13):
            for x in range(frame * 8, frame * 8 + 8):
                pixels[y][x] = BLUE
        images.append(rows_bottom_up(pixels, width, height, 8))
    size = len(images[0])
    avih = struct.pack("<IIIIIIIIII16x", 100000, size * 10, 0, 0x10, frames, 0, 1, size, width,
                       height)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, 10, 0, frames,
                       size, 0xFFFFFFFF, 0, 0, 0, width, height)
    strf = info_header(width, height, 8, size, 16) + palette_bytes(PALETTE)
    header = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih)
                       + riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movie = riff_list(b"LIST", b"movi", b"".join(chunk(b"00db", image) for image in images))
    return riff_list(b"RIFF", b"AVI ", header + movie)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(folder, "tree.bmp"), "wb") as out:
        out.write(tree_bitmap())
    with open(os.path.join(folder, "clip.avi"), "wb") as out:
        out.write(clip())


if __name__ == "__main__":
    main()
