#!/usr/bin/env python3
"""Reads the picture of the loop-slice drummer's property page that the
end-to-end test wrote, and checks it holds the page at its size, painted.
usage: slice_page_picture_check.py <screenshots folder>"""
import os
import sys

from PIL import Image


def main():
    folder = sys.argv[1]
    picture = os.path.join(folder, "vostrapellin_page.png")
    with open(os.path.join(folder, "vostrapellin_page.size")) as size_file:
        width, height = (int(v) for v in size_file.read().split())
    image = Image.open(picture)
    image.load()
    if image.size != (width, height):
        print(f"FAIL: {picture} is {image.size}, the page {width} x {height}")
        return 1
    rgb = image.convert("RGB")
    colours = rgb.getcolors(maxcolors=1 << 16)
    if colours is None or len(colours) < 8:
        print(f"FAIL: {picture} holds {0 if colours is None else len(colours)} colours")
        return 1
    # Six slice rows, each with a separator line above it.
    separators = [y for y in range(height) if rgb.getpixel((1, y)) == (160, 160, 160)]
    if separators != [51 + 33 * row for row in range(6)]:
        print(f"FAIL: row separators at {separators}")
        return 1
    print(f"ok: {picture} {width} x {height}, {len(colours)} colours")
    return 0


if __name__ == "__main__":
    sys.exit(main())
