#!/usr/bin/env python3
"""Turns a readable pixel map into the drawing kit's GUIIMAGE resource.

A map names its frame size and a palette of one-character colours, then
gives each frame as rows of those characters:

    size 16 16
    colour . none          # transparent
    colour k 0 0 0         # opaque R G B
    frame speaker
    ................
    ...

The output is the frame count, width and height (a byte each), then every
frame's rows top to bottom, each pixel R, G, B, A (A = 0 transparent).
"""
import sys


def fail(path, number, message):
    sys.exit(f"{path}:{number}: {message}")


def read_map(path):
    width = height = None
    palette = {}
    frames = []
    with open(path, encoding="ascii") as source:
        for number, raw in enumerate(source, 1):
            line = raw.rstrip("\n")
            words = line.split()
            if not words or line.startswith("#"):
                continue
            if words[0] == "size" and len(words) == 3:
                width, height = int(words[1]), int(words[2])
            elif words[0] == "colour" and len(words[1]) == 1:
                if words[2:] == ["none"]:
                    palette[words[1]] = (0, 0, 0, 0)
                elif len(words) == 5:
                    palette[words[1]] = tuple(int(v) for v in words[2:]) + (255,)
                else:
                    fail(path, number, "colour needs a character and R G B, or none")
            elif words[0] == "frame":
                frames.append((number, []))
            elif frames and len(words) == 1:
                if len(line) != width:
                    fail(path, number, f"row of {len(line)} pixels, the frame is {width} wide")
                for c in line:
                    if c not in palette:
                        fail(path, number, f"'{c}' is not in the palette")
                frames[-1][1].append([palette[c] for c in line])
            else:
                fail(path, number, "not a size, colour, frame or row")
    if width is None or not frames:
        sys.exit(f"{path}: no size or no frames")
    for number, rows in frames:
        if len(rows) != height:
            fail(path, number, f"frame of {len(rows)} rows, the size is {height} high")
    if not (0 < width < 256 and 0 < height < 256 and len(frames) < 256):
        sys.exit(f"{path}: frames and sizes must fit a byte")
    return width, height, frames


def pixel_bytes(frames):
    """The pixels after the header: every frame's rows top to bottom, each
    pixel R, G, B, A."""
    out = bytearray()
    for _, rows in frames:
        for row in rows:
            for pixel in row:
                out.extend(pixel)
    return out


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: guiimage.py <map.txt> <out.bin>")
    width, height, frames = read_map(sys.argv[1])
    out = bytearray([len(frames), width, height]) + pixel_bytes(frames)
    with open(sys.argv[2], "wb") as target:
        target.write(out)


if __name__ == "__main__":
    main()
