#!/usr/bin/python3
"""Draws the equipment database's button icons and tree image strip.

Usage: make_images.py <output folder>

Writes refresh.ico, cancel.ico, delete.ico, ok.ico, store.ico (16 x 16,
32-bit with alpha) and tree.bmp (22 images of 16 x 16 side by side, 24-bit,
the background magenta 128, 0, 128, which the tree treats as transparent).
"""
import math
import os
import struct
import sys

SIZE = 16
MAGENTA = (128, 0, 128)


class Canvas:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for dx in range(width):
                for dy in range(width):
                    self.put(x + dx, y + dy, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(self.height):
            for x in range(self.width):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, colour)


# ---- icons

def icon_refresh():
    c = Canvas(SIZE, SIZE, None)
    green = (0, 128, 64, 255)
    for a in range(30, 330, 4):
        t = math.radians(a)
        for r in (5.0, 5.7, 6.4):
            c.put(round(7.5 + r * math.cos(t)), round(7.5 - r * math.sin(t)), green)
    c.line(12, 1, 14, 5, green, 2)
    c.line(10, 5, 14, 5, green, 2)
    return c


def icon_cancel():
    c = Canvas(SIZE, SIZE, None)
    red = (200, 0, 0, 255)
    c.line(3, 3, 12, 12, red, 2)
    c.line(12, 3, 3, 12, red, 2)
    return c


def icon_delete():
    c = Canvas(SIZE, SIZE, None)
    grey, dark = (150, 150, 150, 255), (60, 60, 60, 255)
    c.rect(4, 5, 11, 14, grey)
    c.frame(4, 5, 11, 14, dark)
    c.rect(3, 3, 12, 4, dark)
    c.rect(6, 1, 9, 2, dark)
    for x in (6, 9):
        c.line(x, 7, x, 12, dark)
    return c


def icon_ok():
    c = Canvas(SIZE, SIZE, None)
    green = (0, 150, 0, 255)
    c.line(2, 8, 6, 12, green, 2)
    c.line(6, 12, 13, 3, green, 2)
    return c


def icon_store():
    c = Canvas(SIZE, SIZE, None)
    blue, white, dark = (40, 70, 170, 255), (235, 235, 235, 255), (20, 30, 80, 255)
    c.rect(1, 1, 14, 14, blue)
    c.frame(1, 1, 14, 14, dark)
    c.rect(4, 2, 11, 6, white)
    c.rect(4, 9, 11, 13, (200, 200, 200, 255))
    c.rect(9, 3, 10, 5, dark)
    return c


def write_icon(canvas, path):
    rows = b''
    for y in reversed(range(SIZE)):
        for x in range(SIZE):
            p = canvas.pixels[y][x]
            r, g, b, a = p if p else (0, 0, 0, 0)
            rows += bytes((b, g, r, a))
    mask = b''
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if canvas.pixels[y][x] is None:
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, 32, 0, len(rows) + len(mask), 0, 0, 0, 0)
    image = header + rows + mask
    with open(path, 'wb') as out:
        out.write(struct.pack('<HHH', 0, 1, 1))
        out.write(struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16))
        out.write(image)


# ---- the tree's image strip

def tree_strip():
    count = 22
    c = Canvas(SIZE * count, SIZE, MAGENTA)

    def at(index):
        return index * SIZE

    def chip(index, colour, label_colour=(255, 255, 255)):
        x = at(index)
        c.rect(x + 2, 3, x + 13, 12, colour)
        c.frame(x + 2, 3, x + 13, 12, (0, 0, 0))
        return x

    # 0: the chords output: three stacked notes.
    x = at(0)
    for i, y in enumerate((11, 8, 5)):
        c.disc(x + 5 + i * 2, y, 2, (30, 30, 30))
    # 1..10: port kinds 0..9, each its own colour, a socket shape.
    colours = [(0, 120, 200), (200, 120, 0), (120, 0, 160), (0, 150, 120), (90, 90, 90),
               (0, 90, 160), (170, 100, 0), (100, 0, 130), (0, 120, 90), (130, 60, 20)]
    for kind, colour in enumerate(colours):
        x = chip(kind + 1, colour)
        c.rect(x + 5, 6, x + 10, 9, (255, 255, 255))
    # 11..15: the kind roots: own, VST, DX, DLS, MIDI.
    for i, colour in enumerate([(0, 100, 200), (200, 100, 0), (110, 0, 150), (0, 140, 110), (80, 80, 80)]):
        x = at(11 + i)
        c.rect(x + 1, 2, x + 14, 13, colour)
        c.frame(x + 1, 2, x + 14, 13, (0, 0, 0))
        c.rect(x + 4, 5, x + 11, 10, (240, 240, 240))
        c.rect(x + 6, 7, x + 9, 8, colour)
    # 16..20: presets of own, VST, DX, DLS and MIDI equipment: a slider.
    for i, colour in enumerate([(0, 100, 200), (200, 100, 0), (110, 0, 150), (0, 140, 110), (80, 80, 80)]):
        x = at(16 + i)
        c.line(x + 2, 8, x + 13, 8, (0, 0, 0))
        c.rect(x + 5 + i, 4, x + 7 + i, 12, colour)
    # 21: a folder of the VST path.
    x = at(21)
    c.rect(x + 1, 4, x + 6, 5, (200, 160, 40))
    c.rect(x + 1, 5, x + 14, 13, (240, 200, 70))
    c.frame(x + 1, 5, x + 14, 13, (120, 90, 10))
    return c


def write_bmp(canvas, path):
    stride = (canvas.width * 3 + 3) & ~3
    rows = b''
    for y in reversed(range(canvas.height)):
        row = b''.join(bytes((b, g, r)) for (r, g, b) in canvas.pixels[y])
        rows += row + b'\0' * (stride - len(row))
    info = struct.pack('<IiiHHIIiiII', 40, canvas.width, canvas.height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, 'wb') as out:
        out.write(b'BM' + struct.pack('<IHHI', 14 + len(info) + len(rows), 0, 0, 14 + len(info)))
        out.write(info + rows)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, draw in (('refresh', icon_refresh), ('cancel', icon_cancel), ('delete', icon_delete),
                       ('ok', icon_ok), ('store', icon_store)):
        write_icon(draw(), os.path.join(folder, name + '.ico'))
    write_bmp(tree_strip(), os.path.join(folder, 'tree.bmp'))


if __name__ == '__main__':
    main()
