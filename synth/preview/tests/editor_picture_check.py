#!/usr/bin/env python3
"""Reads the preview editor's picture with PIL, a reader nobody here wrote.

The picture is the one the editor test saves with channels 1, 3, 10
(drums), 16, the chord preview and the clicks sounding and the click level
at 90: the editor's size, its background at a spot nothing covers, which
cells are lit, and how far the level bar is filled.
Usage: editor_picture_check.py <pellandor_editor.bmp>
"""
import sys

from PIL import Image

BACKGROUND = (204, 172, 204)  # colBkgndMaster
LIT = (255, 152, 152)  # the middle rows of a sounding channel's band
BAR_FILL = (200, 200, 200)  # the middle rows of the level bar's band
LIT_CHANNELS = {0, 2, 9, 15, 16, 17}
BAR_FILL_COLUMNS = 90 * 104 // 127  # from x = 84, the first under the frame

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def cell_probe(channel):
    """A spot of the channel's cell that its number, picture and lines leave free."""
    if channel < 16:
        return 6 + 26 * (channel % 8) + 3, 32 + 26 * (channel // 8) + 13
    return 84 + 26 * (channel - 16) + 3, 84 + 13


def main():
    image = Image.open(sys.argv[1])
    check(image.format == "BMP", "not a BMP file")
    check(image.size == (220, 116), f"size {image.size}, not 220 x 116")
    rgb = image.convert("RGB")
    for spot in ((180, 100), (2, 2), (217, 113)):
        check(rgb.getpixel(spot) == BACKGROUND, f"{spot}: {rgb.getpixel(spot)} is not the background")
    for channel in range(18):
        colour = rgb.getpixel(cell_probe(channel))
        expected = LIT if channel in LIT_CHANNELS else BACKGROUND
        check(colour == expected, f"channel cell {channel}: {colour}, expected {expected}")
    row = [rgb.getpixel((x, 19)) for x in range(85, 188)]
    filled = next((i for i, colour in enumerate(row) if colour != BAR_FILL), len(row))
    check(filled == BAR_FILL_COLUMNS - 1, f"the level bar is filled over {filled + 1} columns, not {BAR_FILL_COLUMNS}")
    check(all(colour == (255, 255, 255) for colour in row[filled:]), "the level bar's empty part is not white")
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
