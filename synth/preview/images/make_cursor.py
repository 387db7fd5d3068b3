#!/usr/bin/env python3
"""Turns a readable pixel map into a monochrome cursor file (.cur).

The map gives its size and the hot spot, then one row of characters per
pixel row: '.' transparent, 'k' black, 'w' white.

    size 32 32
    hotspot 15 15
    ................................
    ...

The file holds one image: a 1-bit bitmap of the colours (XOR) above a
1-bit mask (AND), rows bottom to top, each padded to 4 bytes.
"""
import struct
import sys

# Pixel -> (mask bit, colour bit): transparent keeps the screen (1, 0),
# black clears it (0, 0), white sets it (0, 1).
PIXELS = {".": (1, 0), "k": (0, 0), "w": (0, 1)}


def read_map(path):
    width = height = hotspot = None
    rows = []
    with open(path, encoding="ascii") as source:
        for number, raw in enumerate(source, 1):
            line = raw.rstrip("\n")
            words = line.split()
            if not words or line.startswith("#"):
                continue
            if words[0] == "size" and len(words) == 3:
                width, height = int(words[1]), int(words[2])
            elif words[0] == "hotspot" and len(words) == 3:
                hotspot = int(words[1]), int(words[2])
            elif width and len(words) == 1 and len(line) == width and set(line) <= set(PIXELS):
                rows.append(line)
            else:
                sys.exit(f"{path}:{number}: not a size, hotspot or row of {width} pixels of '.kw'")
    if width not in (16, 32, 48) or len(rows) != height or height != width or hotspot is None:
        sys.exit(f"{path}: needs a square size of 16, 32 or 48, as many rows and a hotspot")
    if not (0 <= hotspot[0] < width and 0 <= hotspot[1] < height):
        sys.exit(f"{path}: the hotspot lies outside the cursor")
    return width, height, hotspot, rows


def plane(rows, which):
    """One bit per pixel, rows bottom to top, each padded to 4 bytes."""
    out = bytearray()
    stride = (len(rows[0]) + 31) // 32 * 4
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, c in enumerate(row):
            if PIXELS[c][which]:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return out


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_cursor.py <map.txt> <out.cur>")
    width, height, (hx, hy), rows = read_map(sys.argv[1])
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
