#!/usr/bin/env python3
"""Draws the loop-slice editor's bitmaps as 8-bit palettised BMP files.

The pictures stand on the light grey RGB 212, 208, 200 (0xC8D0D4 as the code
names colours), which the panel's loads replace by its background colour;
the part pictures also use the five greys next to it, which are replaced
the same way. `draw_slice_bitmaps.py <toolkit bitmaps script folder>
<folder>`.
"""
import os
import sys

sys.path.insert(0, sys.argv[1])
from draw_bitmaps import Canvas, bmp_bytes, disc, picture, write  # noqa: E402

# Colours as 0x00BBGGRR values, the way the code names them.
BACKGROUND = 0xC8D0D4  # RGB 212, 208, 200
PART_GREYS = [0xC7D0D4, 0xC8D0D5, 0xC8D1D5, 0xC9D1D5, 0xC9D2D5]
WHITE = 0xFFFFFF
BLACK = 0x000000
DARK = 0x404040
GREY = 0x808080
LIGHT = 0xC0C0C0
GREEN = 0x00B000
LIGHT_GREEN = 0x80F080
DARK_GREEN = 0x206020
RED = 0x2020D0
ORANGE = 0x2090F0
YELLOW = 0x40D0F0
BLUE = 0xC06020
BROWN = 0x2060A0
# The note bars of the event bar and the marker of notes that meet.
NOTE_BAR = 0x285A28
NOTE_MARKER = 0x1010B0


def ring(canvas, cx, cy, radius, index):
    for y in range(cy - radius, cy + radius + 1):
        for x in range(cx - radius, cx + radius + 1):
            d = (x - cx) ** 2 + (y - cy) ** 2
            if radius * radius - radius <= d <= radius * radius + radius:
                canvas.point(x, y, index)


PALETTE = [BACKGROUND, DARK, GREY, LIGHT, GREEN, LIGHT_GREEN, WHITE, RED, ORANGE, YELLOW, BLUE, BLACK,
           DARK_GREEN, BROWN]
(I_BACK, I_DARK, I_GREY, I_LIGHT, I_GREEN, I_LIGHT_GREEN, I_WHITE, I_RED, I_ORANGE, I_YELLOW, I_BLUE,
 I_BLACK, I_DARK_GREEN, I_BROWN) = range(len(PALETTE))


def four_cells(width, height, draw):
    """Cells normal, hover, pressed (or selected), disabled, side by side."""
    canvas = Canvas(width * 4, height, I_BACK)
    for cell in range(4):
        x = cell * width
        if cell == 1:
            canvas.frame(x, 0, width, height, I_WHITE, I_DARK)
        elif cell == 2:
            canvas.frame(x, 0, width, height, I_DARK, I_WHITE)
        draw(canvas, x, cell)
    return picture(canvas, PALETTE)


def mute(canvas, x, cell):
    # A lamp: dark while muted, green while the slice plays (selected).
    lamp = [I_GREY, I_LIGHT, I_GREEN, I_LIGHT][cell]
    canvas.rect(x + 2, 3, 6, 20, lamp)
    canvas.frame(x + 2, 3, 6, 20, I_DARK, I_WHITE)


def idrc(canvas, x, cell):
    # Left out of composing (selected): a red bar; else a green one.
    mark = [I_GREEN, I_LIGHT_GREEN, I_RED, I_LIGHT][cell]
    canvas.rect(x + 3, 4, 4, 12, mark)


def dice(canvas, x, y, size, cell):
    face = I_LIGHT if cell == 3 else I_WHITE
    dots = I_GREY if cell == 3 else I_RED
    canvas.rect(x, y, size, size, face)
    canvas.frame(x, y, size, size, I_DARK, I_DARK)
    step = size // 4
    for dx, dy in ((1, 1), (3, 3), (2, 2), (1, 3), (3, 1)):
        canvas.rect(x + dx * step - 1, y + dy * step - 1, 2, 2, dots)


def compose_all(canvas, x, cell):
    shift = 1 if cell == 2 else 0
    dice(canvas, x + 4 + shift, 6 + shift, 18, cell)
    dice(canvas, x + 4 + shift, 27 + shift, 18, cell)


def compose(canvas, x, cell):
    shift = 1 if cell == 2 else 0
    dice(canvas, x + 2 + shift, 3 + shift, 9, cell)


def arrow(left):
    def draw(canvas, x, cell):
        colour = I_GREY if cell == 3 else I_DARK
        for i in range(5):
            top, height = 10 - i, 2 * i + 1
            column = x + 3 + i if left else x + 8 - i
            canvas.rect(column, top, 1, height, colour)
    return draw


def note_bar():
    canvas = Canvas(3, 64, 0)
    return bmp_bytes(3, 64, 8, [NOTE_BAR], canvas.rows)


def note_marker():
    canvas = Canvas(5, 3, 0)
    return bmp_bytes(5, 3, 8, [NOTE_MARKER], canvas.rows)


PART_NAMES = ["universal", "Claps", "Ride", "HH_Cl", "HH_Op", "Cowbell", "Maracas", "Kick", "Tambourine",
              "Snare", "Conga"]


def parts():
    """One picture of 37 x 27 per drum part, in the order of the names."""
    width, height = 37, 27
    palette = [BACKGROUND] + PART_GREYS + [DARK, WHITE, YELLOW, ORANGE, BROWN, RED, BLUE, GREY]
    dark, white, yellow, orange, brown, red, blue, grey = range(6, 14)
    canvas = Canvas(width * len(PART_NAMES), height, 0)
    for cell, name in enumerate(PART_NAMES):
        x = cell * width
        # The greys the load replaces, one stripe each, so they all occur.
        for i in range(5):
            canvas.rect(x + i, 0, 1, height, 1 + i)
        cx, cy = x + width // 2, height // 2
        if name in ("Kick", "Snare", "Conga"):
            disc(canvas, cx, cy, 11 if name == "Kick" else 9, white)
            ring(canvas, cx, cy, 11 if name == "Kick" else 9, dark)
            if name == "Snare":
                canvas.rect(cx - 8, cy, 17, 1, grey)
            if name == "Conga":
                canvas.rect(cx - 6, cy + 6, 13, 5, brown)
        elif name in ("Ride", "HH_Cl", "HH_Op"):
            canvas.rect(cx - 13, cy - 2, 27, 3, yellow)
            canvas.rect(cx - 1, cy - 5, 3, 14, dark)
            if name != "Ride":
                canvas.rect(cx - 13, cy + (2 if name == "HH_Cl" else 5), 27, 2, yellow)
        elif name == "Cowbell":
            for i in range(12):
                canvas.rect(cx - 3 - i // 3, cy - 6 + i, 7 + 2 * (i // 3), 1, grey)
        elif name == "Maracas":
            disc(canvas, cx - 5, cy - 3, 5, orange)
            disc(canvas, cx + 6, cy - 3, 5, red)
            canvas.rect(cx - 6, cy + 2, 2, 8, brown)
            canvas.rect(cx + 5, cy + 2, 2, 8, brown)
        elif name == "Tambourine":
            ring(canvas, cx, cy, 10, brown)
            for angle in range(0, 8):
                canvas.rect(cx - 10 + (angle * 20) // 7, cy + (-1 if angle % 2 else 1) * 9, 2, 2, yellow)
        elif name == "Claps":
            disc(canvas, cx - 4, cy, 6, orange)
            disc(canvas, cx + 5, cy - 1, 6, yellow)
        else:  # universal
            for i in range(4):
                disc(canvas, x + 8 + i * 7, cy + (i % 2) * 4 - 2, 3, [red, blue, orange, dark][i])
    return picture(canvas, palette)


def header():
    """The band behind the panel's top controls: light shades downwards."""
    width, height = 540, 33
    shades = [0xE8ECEE - 0x020202 * i for i in range(16)]
    canvas = Canvas(width, height, 0)
    for row in range(height):
        canvas.rect(0, row, width, 1, row * len(shades) // height)
    canvas.rect(0, height - 1, width, 1, len(shades) - 1)
    return picture(canvas, shades)


def slider_track():
    canvas = Canvas(16, 53, I_BACK)
    canvas.rect(7, 3, 2, 47, I_DARK)
    canvas.rect(9, 3, 1, 47, I_WHITE)
    for tick in range(3, 51, 6):
        canvas.rect(2, tick, 3, 1, I_GREY)
    return picture(canvas, PALETTE)


def slider_thumb():
    canvas = Canvas(16, 9, I_LIGHT)
    canvas.frame(0, 0, 16, 9, I_WHITE, I_DARK)
    canvas.rect(3, 4, 10, 1, I_BLUE)
    return picture(canvas, PALETTE)


def logo():
    """Stacked drum heads."""
    canvas = Canvas(86, 87, I_BACK)
    disc(canvas, 43, 40, 34, I_DARK_GREEN)
    for radius, colour in ((30, I_WHITE), (22, I_LIGHT), (14, I_WHITE), (6, I_GREY)):
        ring(canvas, 43, 40, radius, colour)
    for i in range(6):
        canvas.rect(12 + i * 11, 78, 7, 5, [I_RED, I_ORANGE, I_YELLOW, I_GREEN, I_BLUE, I_BROWN][i])
    return picture(canvas, PALETTE)


def main():
    folder = sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    write(folder, "mute.bmp", four_cells(10, 26, mute))
    write(folder, "idrc.bmp", four_cells(10, 22, idrc))
    write(folder, "compose_all.bmp", four_cells(27, 51, compose_all))
    write(folder, "previous.bmp", four_cells(12, 21, arrow(True)))
    write(folder, "next.bmp", four_cells(12, 21, arrow(False)))
    write(folder, "compose.bmp", four_cells(13, 16, compose))
    write(folder, "note_bar.bmp", note_bar())
    write(folder, "note_marker.bmp", note_marker())
    write(folder, "parts.bmp", parts())
    write(folder, "header.bmp", header())
    write(folder, "slider_track.bmp", slider_track())
    write(folder, "slider_thumb.bmp", slider_thumb())
    write(folder, "logo.bmp", logo())


if __name__ == "__main__":
    main()
