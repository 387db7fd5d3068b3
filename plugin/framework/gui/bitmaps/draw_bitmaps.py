#!/usr/bin/env python3
"""Draws the toolkit's bitmaps as 8-bit palettised BMP files.

The pictures hold the colours the toolkit's loads replace (0x7C948C becomes
the button face, 0x404040 the button shadow), so they follow the system's
colours. `draw_bitmaps.py toolkit <folder>` writes the toolkit's own
pictures, `draw_bitmaps.py tests <folder>` those of its tests.
"""
import os
import struct
import sys

# Colours as 0x00BBGGRR values, the way the code names them.
FACE = 0x7C948C
SHADOW = 0x404040
BLACK = 0x000000
WHITE = 0xFFFFFF
GREY = 0x808080
LIGHT = 0xC0C0C0
BLUE = 0x803000
LABEL = 0xE0E0E0
RED = 0x2020C0


def rgbquad(colour):
    red, green, blue = colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF
    return bytes((blue, green, red, 0))


def bmp_bytes(width, height, bits, palette, rows, colours_used=None, image_size=0, truncate=None):
    """A BMP file: rows are lists of palette indices (or BGR tuples for 24
    bits), top row first."""
    stride = (bits * width + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        if bits == 24:
            for blue, green, red in row:
                line += bytes((blue, green, red))
        elif bits == 8:
            line += bytes(row)
        elif bits == 4:
            padded = list(row) + [0] * (len(row) % 2)
            for i in range(0, len(padded), 2):
                line.append((padded[i] << 4) | padded[i + 1])
        line += bytes(stride - len(line))
        pixels += line
    table = b"".join(rgbquad(c) for c in palette)
    used = len(palette) if colours_used is None else colours_used
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835, used, 0)
    offset = 14 + len(info) + len(table)
    body = info + table + bytes(pixels)
    if truncate is not None:
        body = body[:truncate]
    header = struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, offset)
    return header + body


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


class Canvas:
    """A grid of palette indices."""

    def __init__(self, width, height, fill=0):
        self.width, self.height = width, height
        self.rows = [[fill] * width for _ in range(height)]

    def rect(self, x, y, w, h, index):
        for row in range(max(y, 0), min(y + h, self.height)):
            for col in range(max(x, 0), min(x + w, self.width)):
                self.rows[row][col] = index

    def frame(self, x, y, w, h, top_left, bottom_right):
        self.rect(x, y, w, 1, top_left)
        self.rect(x, y, 1, h, top_left)
        self.rect(x, y + h - 1, w, 1, bottom_right)
        self.rect(x + w - 1, y, 1, h, bottom_right)

    def point(self, x, y, index):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = index


def picture(canvas, palette):
    """The canvas as an 8-bit palettised BMP."""
    return bmp_bytes(canvas.width, canvas.height, 8, palette, canvas.rows)


def disc(canvas, cx, cy, radius, index):
    for y in range(cy - radius, cy + radius + 1):
        for x in range(cx - radius, cx + radius + 1):
            if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius + radius // 2:
                canvas.point(x, y, index)


# The dialog buttons: four cells (normal, hover, pressed, disabled) of a
# picture on the button face.
CELL_W, CELL_H = 22, 20
BUTTON_PALETTE = [FACE, SHADOW, BLACK, WHITE, GREY, LIGHT, BLUE, LABEL, RED]
I_FACE, I_SHADOW, I_BLACK, I_WHITE, I_GREY, I_LIGHT, I_BLUE, I_LABEL, I_RED = range(9)


def draw_disk(canvas, x, y, disabled):
    body = I_GREY if disabled else I_BLUE
    canvas.rect(x, y, 12, 12, body)
    canvas.rect(x + 2, y, 8, 5, I_LIGHT if disabled else I_LABEL)
    canvas.rect(x + 3, y + 8, 6, 4, I_LIGHT if disabled else I_SHADOW)
    canvas.point(x + 11, y, I_FACE)


def draw_cross(canvas, x, y, disabled):
    colour = I_GREY if disabled else I_RED
    for i in range(11):
        for d in (0, 1):
            canvas.point(x + i + d, y + i, colour)
            canvas.point(x + 11 - i - d, y + i, colour)


def button_strip(draw_icon):
    canvas = Canvas(CELL_W * 4, CELL_H, I_FACE)
    for cell in range(4):
        x = cell * CELL_W
        if cell == 1:
            canvas.frame(x, 0, CELL_W, CELL_H, I_WHITE, I_SHADOW)
        elif cell == 2:
            canvas.frame(x, 0, CELL_W, CELL_H, I_SHADOW, I_WHITE)
        shift = 1 if cell == 2 else 0
        draw_icon(canvas, x + 5 + shift, 4 + shift, cell == 3)
    return bmp_bytes(canvas.width, canvas.height, 8, BUTTON_PALETTE, canvas.rows)


def toolkit(folder):
    write(folder, "save_button.bmp", button_strip(draw_disk))
    write(folder, "delete_button.bmp", button_strip(draw_cross))


# ---- The tests' own pictures: plain blocks of known colours, so a test can
# tell by one pixel which cell or part was drawn.
CELL_COLOURS = [0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF]  # red, green, blue, yellow


def tests(folder):
    # Four 8 x 8 cells, one colour each, with the face colour in the table.
    strip = Canvas(32, 8)
    for cell in range(4):
        strip.rect(cell * 8, 0, 8, 8, cell + 1)
    write(folder, "cells.bmp", bmp_bytes(32, 8, 8, [FACE] + CELL_COLOURS, strip.rows))

    # A picture whose colours a mapped load replaces: face left, shadow right.
    mapped = Canvas(4, 2)
    mapped.rect(2, 0, 2, 2, 1)
    write(folder, "mapped.bmp", bmp_bytes(4, 2, 8, [FACE, SHADOW, 0x123456], mapped.rows))

    # 4 bits per pixel and 9 pixels wide: rows of 36 bits fill 8 bytes each.
    odd = Canvas(9, 2)
    odd.rect(0, 0, 9, 1, 1)
    odd.rect(0, 1, 9, 1, 2)
    odd.point(8, 1, 3)
    write(folder, "odd_width.bmp", bmp_bytes(9, 2, 4, [BLACK, 0x0000FF, 0x00FF00, 0xFF0000], odd.rows))

    # 24 bits without a colour table: nothing to map.
    deep = [[(0x8C, 0x94, 0x7C)] * 3 for _ in range(2)]
    write(folder, "deep.bmp", bmp_bytes(3, 2, 24, [], deep))

    # A header promising far more pixels than the resource holds.
    write(folder, "truncated.bmp", bmp_bytes(64, 64, 8, [FACE, SHADOW], Canvas(64, 64).rows, truncate=40 + 8 + 100))

    # Slider parts: a grey track, a red thumb, a blue focused thumb.
    write(folder, "slider_track.bmp", bmp_bytes(100, 12, 8, [GREY], Canvas(100, 12).rows))
    write(folder, "slider_thumb.bmp", bmp_bytes(8, 12, 8, [0x0000FF], Canvas(8, 12).rows))
    write(folder, "slider_focused_thumb.bmp", bmp_bytes(8, 12, 8, [0xFF0000], Canvas(8, 12).rows))

    # Event pictures: cells of side 5 in three rows, loudest (red) first,
    # then green, blue, yellow; the mask is black (where the image shows)
    # inside a white border.
    events = Canvas(20, 15)
    for cell in range(4):
        events.rect(cell * 5, 0, 5, 15, cell + 1)
    write(folder, "event_image.bmp", bmp_bytes(20, 15, 8, [BLACK] + CELL_COLOURS, events.rows))
    mask = Canvas(5, 5, 1)
    mask.rect(1, 1, 3, 3, 0)
    write(folder, "event_mask.bmp", bmp_bytes(5, 5, 8, [BLACK, WHITE], mask.rows))


def main():
    kind, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    {"toolkit": toolkit, "tests": tests}[kind](folder)


if __name__ == "__main__":
    main()
