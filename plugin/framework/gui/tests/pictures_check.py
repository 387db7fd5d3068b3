#!/usr/bin/env python3
"""Reads the toolkit's pictures with PIL, a reader nobody here wrote.

The bitmaps the build draws must be 8-bit palettised BMPs holding the
colours the loads replace; the window pictures the tests write must be
PNG files of the windows' sizes.
Usage: pictures_check.py <toolkit bitmaps> <test bitmaps> <screenshots>
"""
import os
import struct
import sys

from PIL import Image

FACE = (0x8C, 0x94, 0x7C)  # 0x7C948C as red, green, blue
SHADOW = (0x40, 0x40, 0x40)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def bit_count(path):
    with open(path, "rb") as bmp:
        header = bmp.read(30)
    return struct.unpack_from("<H", header, 28)[0]


def palette_colours(image):
    palette = image.getpalette()
    return {tuple(palette[i:i + 3]) for i in range(0, len(palette), 3)}


def check_button_strip(path):
    image = Image.open(path)
    check(image.format == "BMP", f"{path}: not a BMP")
    check(image.mode == "P" and bit_count(path) == 8, f"{path}: not 8-bit palettised")
    check(image.width % 4 == 0, f"{path}: not four cells wide")
    colours = palette_colours(image)
    check(FACE in colours and SHADOW in colours, f"{path}: lacks the colours the load replaces")
    rgb = image.convert("RGB")
    check(rgb.getpixel((1, 1)) == FACE, f"{path}: the first cell's face is not the face colour")
    cell = image.width // 4
    check(rgb.getpixel((cell * 2, 0)) == SHADOW, f"{path}: the pressed cell has no sunken frame")


def check_test_bitmaps(folder):
    for name in ("cells", "mapped", "slider_track", "slider_thumb", "slider_focused_thumb", "event_image",
                 "event_mask"):
        path = os.path.join(folder, name + ".bmp")
        image = Image.open(path)  # PIL reads a palette of greys, or of black and white, as such
        check(image.mode in ("P", "L", "1") and bit_count(path) == 8, f"{path}: not 8-bit palettised")
    cells = Image.open(os.path.join(folder, "cells.bmp")).convert("RGB")
    check([cells.getpixel((x, 0)) for x in (0, 8, 16, 24)] == [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0)],
          "cells.bmp: the cells are not red, green, blue and yellow")
    check(FACE in palette_colours(Image.open(os.path.join(folder, "mapped.bmp"))), "mapped.bmp: no face colour")


# Pictures of the test panel (420 x 300) and what must show in them.
PANEL_PICTURES = {
    "drummer_panel": [((50, 40), (255, 0, 0)), ((150, 40), (0, 255, 0)), ((300, 200), (0xD4, 0xD0, 0xC8))],
    "sliders": [],
    "envelope": [((150, 190), (0xD4, 0xE4, 0x9C)), ((10, 10), (0xD4, 0xD0, 0xC8))],
    "event_bar": [],
    "pad_panel": [],
    "drag_from_here": [((10, 10), (255, 255, 255))],
}
OTHER_PICTURES = {"tree_combo_list": (198, 198),  # inside its border
                  "tree_combo": None, "options_dialog": None,
                  "controls_panel": None}


def check_screenshots(folder):
    for name, probes in PANEL_PICTURES.items():
        path = os.path.join(folder, name + ".png")
        image = Image.open(path)
        check(image.format == "PNG", f"{path}: not a PNG")
        check(image.size == (420, 300), f"{path}: {image.size} is not the panel's size")
        rgb = image.convert("RGB")
        for point, colour in probes:
            check(rgb.getpixel(point) == colour, f"{path}: {point} is {rgb.getpixel(point)}, not {colour}")
    for name, size in OTHER_PICTURES.items():
        path = os.path.join(folder, name + ".png")
        image = Image.open(path)
        check(image.format == "PNG" and image.width > 0 and image.height > 0, f"{path}: no picture")
        if size:
            check(image.size == size, f"{path}: {image.size} is not {size}")


def main():
    toolkit, tests, screenshots = sys.argv[1:4]
    for name in ("save_button", "delete_button"):
        check_button_strip(os.path.join(toolkit, name + ".bmp"))
    check_test_bitmaps(tests)
    check_screenshots(screenshots)
    for failure in failures:
        print("FAILED:", failure)
    print("checked the toolkit's pictures:", "ok" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
