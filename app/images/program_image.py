#!/usr/bin/env python3
"""Turns a readable pixel map (the drawing kit's format, see
gui/draw/images/guiimage.py) into one of the program's GUIIMAGE resources.

The program's resources carry their header as three little-endian 32-bit
ints (frame count, width, height); the pixels follow as in the kit's
format: every frame's rows top to bottom, each pixel R, G, B, A.
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "gui", "draw", "images"))
from guiimage import pixel_bytes, read_map  # noqa: E402


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: program_image.py <map.txt> <out.guiimage>")
    width, height, frames = read_map(sys.argv[1])
    out = struct.pack("<iii", len(frames), width, height) + pixel_bytes(frames)
    with open(sys.argv[2], "wb") as target:
        target.write(out)


if __name__ == "__main__":
    main()
