#!/usr/bin/env python3
"""Reads the picture of the drummer's property page that the end-to-end test
wrote, and checks it holds the page at its size, painted (not one colour).
usage: page_picture_check.py <screenshots folder>"""
import os
import sys

from PIL import Image


def main():
    folder = sys.argv[1]
    picture = os.path.join(folder, "grindelvosket_page.png")
    with open(os.path.join(folder, "grindelvosket_page.size")) as size_file:
        width, height = (int(v) for v in size_file.read().split())
    image = Image.open(picture)
    image.load()
    if image.size != (width, height):
        print(f"FAIL: {picture} is {image.size}, the page {width} x {height}")
        return 1
    colours = image.convert("RGB").getcolors(maxcolors=1 << 16)
    if colours is None or len(colours) < 8:
        print(f"FAIL: {picture} holds {0 if colours is None else len(colours)} colours")
        return 1
    # The panel's grey surrounds its controls.
    grey = image.convert("RGB").getpixel((width - 1, 40))
    if grey != (0xD4, 0xD0, 0xC8):
        print(f"FAIL: the panel's background reads {grey}")
        return 1
    print(f"ok: {picture} {width} x {height}, {len(colours)} colours")
    return 0


if __name__ == "__main__":
    sys.exit(main())
