#!/usr/bin/env python3
"""Turns a readable pixel map into a monochrome cursor file (.cur).

The map is in the image maps' format (see gui/draw/images/guiimage.py):
one square frame of 16, 32 or 48 pixels whose colours are transparent,
black (0 0 0) or white (255 255 255). The hot spot comes from the command
line.

The file holds one image: a 1-bit bitmap of the colours (XOR) above a
1-bit mask (AND), rows bottom to top, each padded to 4 bytes.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "gui", "draw", "images"))
from guiimage import read_map  # noqa: E402

# Pixel -> (mask bit, colour bit): transparent keeps the screen (1, 0),
# black clears it (0, 0), white sets it (0, 1).
BITS = {(0, 0, 0, 0): (1, 0), (0, 0, 0, 255): (0, 0), (255, 255, 255, 255): (0, 1)}


def plane(rows, which):
    """One bit per pixel, rows bottom to top, each padded to 4 bytes."""
    out = bytearray()
    stride = (len(rows[0]) + 31) // 32 * 4
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, pixel in enumerate(row):
            if BITS[pixel][which]:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return out


def main():
    if len(sys.argv) != 5:
        sys.exit("usage: make_cursor.py <map.txt> <out.cur> <hot spot x> <hot spot y>")
    path = sys.argv[1]
    width, height, frames = read_map(path)
    hx, hy = int(sys.argv[3]), int(sys.argv[4])
    if len(frames) != 1 or width != height or width not in (16, 32, 48):
        sys.exit(f"{path}: a cursor is one square frame of 16, 32 or 48 pixels")
    if not (0 <= hx < width and 0 <= hy < height):
        sys.exit(f"{path}: the hot spot lies outside the cursor")
    rows = frames[0][1]
    if any(pixel not in BITS for row in rows for pixel in row):
        sys.exit(f"{path}: a cursor has transparent, black and white pixels only")
    colours, mask = plane(rows, 1), plane(rows, 0)
    # The bitmap header counts both planes in its height.
    header = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, 1, 0, len(colours) + len(mask), 0, 0, 2, 0)
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    image = header + palette + colours + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", width, height, 2, 0, hx, hy, len(image), 6 + 16)
    with open(sys.argv[2], "wb") as target:
        target.write(directory + entry + image)


if __name__ == "__main__":
    main()
