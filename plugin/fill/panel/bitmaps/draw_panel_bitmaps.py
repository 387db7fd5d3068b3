#!/usr/bin/env python3
"""Draws the fill editor panel's bitmaps as 8-bit palettised BMP files.

The pictures hold the colours the panel's loads replace: the mute button's
background 0xC8D0D4 becomes the button face, the time locators' white
becomes 0xC8D0D4 and the lock's red becomes the two faces of the lock
button. `draw_panel_bitmaps.py <toolkit bitmaps script folder> <folder>`.
"""
import os
import sys

sys.path.insert(0, sys.argv[1])
from draw_bitmaps import Canvas, disc, picture, write  # noqa: E402

# Colours as 0x00BBGGRR values, the way the code names them.
BACKGROUND = 0xC8D0D4
WHITE = 0xFFFFFF
BLACK = 0x000000
DARK = 0x404040
GREY = 0x808080
LIGHT = 0xC0C0C0
RED = 0x0000FF
GREEN = 0x00B000
LIGHT_GREEN = 0x80F080
YELLOW = 0x40D0F0
BROWN = 0x2060A0
BLUE = 0xC06020
PALE_BLUE = 0xF0C890


def mute_button():
    """Four cells of 9 x 17: muted, hovered, playing, disabled."""
    palette = [BACKGROUND, DARK, GREY, LIGHT, GREEN, LIGHT_GREEN, WHITE]
    canvas = Canvas(36, 17, 0)
    looks = [(2, 1), (3, 1), (4, 5), (3, 2)]  # (lamp, rim) of each cell
    for cell, (lamp, rim) in enumerate(looks):
        x = cell * 9
        canvas.frame(x + 1, 4, 7, 9, rim, 6)
        canvas.rect(x + 2, 5, 5, 7, lamp)
    return picture(canvas, palette)


def event_pictures():
    """Cells of side 7: eight loudness columns (loudest first) in three rows
    (playing, muted, outside the punch range), and the mask of one cell."""
    side, columns = 7, 8
    playing = [0x0000A0, 0x0000C8, 0x0000F0, 0x2020FF, 0x4848FF, 0x7070FF, 0x9898FF, 0xC0C0FF]
    muted = [0x303030, 0x484848, 0x606060, 0x787878, 0x909090, 0xA8A8A8, 0xC0C0C0, 0xD8D8D8]
    outside = [0x804000, 0x985810, 0xB07020, 0xC08838, 0xD0A050, 0xE0B868, 0xE8C880, 0xF0D8A0]
    palette = [BLACK] + playing + muted + outside
    image = Canvas(side * columns, side * 3, 0)
    for row, start in enumerate((1, 1 + columns, 1 + 2 * columns)):
        for column in range(columns):
            disc(image, column * side + 3, row * side + 3, 3, start + column)
    mask = Canvas(side, side, 1)
    disc(mask, 3, 3, 3, 0)
    return picture(image, palette), picture(mask, [BLACK, WHITE])


def instrument_icons():
    """Ten columns of 15 x 13 (looper 0..9), the excluded look above, the
    included look below."""
    palette = [BACKGROUND, GREY, DARK, BROWN, YELLOW, RED, WHITE]
    canvas = Canvas(150, 26, 0)

    def icon(index, top, body, metal):
        x = index * 15
        if index == 0:  # extra drums: an X
            for i in range(9):
                canvas.point(x + 3 + i, top + 2 + i, body)
                canvas.point(x + 11 - i, top + 2 + i, body)
        elif index == 1:  # kick: a big drum head
            disc(canvas, x + 7, top + 6, 5, body)
            disc(canvas, x + 7, top + 6, 2, metal)
        elif index == 2:  # snare: a flat drum
            canvas.rect(x + 2, top + 4, 11, 5, body)
            canvas.rect(x + 2, top + 4, 11, 1, metal)
        elif index in (3, 4):  # hi-hats: two cymbals, closed or apart
            gap = 1 if index == 3 else 4
            canvas.rect(x + 2, top + 3, 11, 1, metal)
            canvas.rect(x + 2, top + 3 + gap, 11, 1, metal)
            canvas.rect(x + 7, top + 4 + gap, 1, 8 - gap, body)
        elif 5 <= index <= 8:  # toms, larger as they go down
            disc(canvas, x + 7, top + 6, index - 3, body)
        else:  # crash: a tilted cymbal
            for i in range(11):
                canvas.point(x + 2 + i, top + 8 - i // 2, metal)
                canvas.point(x + 2 + i, top + 9 - i // 2, metal)

    for index in range(10):
        icon(index, 0, 1, 1)
        icon(index, 13, 3, 4 if index in (3, 4, 9) else 5)
    return picture(canvas, palette)


def swing_slider():
    """The swing slider's track (54 x 14) and thumb (7 x 14)."""
    palette = [BACKGROUND, GREY, WHITE, DARK]
    track = Canvas(54, 14, 0)
    track.frame(0, 5, 54, 4, 1, 2)
    thumb = Canvas(7, 14, 3)
    thumb.frame(0, 0, 7, 14, 2, 1)
    return picture(track, palette), picture(thumb, palette)


def locator_handles():
    """The time locators' handles (6 x 11) on white, which becomes the
    panel's grey: the start handle opens to the right, the end handle to the
    left."""
    palette = [WHITE, DARK, RED]
    low = Canvas(6, 11, 0)
    high = Canvas(6, 11, 0)
    low.rect(0, 0, 2, 11, 1)
    low.rect(2, 0, 4, 2, 1)
    low.rect(2, 9, 4, 2, 1)
    high.rect(4, 0, 2, 11, 1)
    high.rect(0, 0, 4, 2, 1)
    high.rect(0, 9, 4, 2, 1)
    return picture(low, palette), picture(high, palette)


def mixer_modes():
    """Three cells of 26 x 17: track and plug-in, plug-in only, track only."""
    palette = [BACKGROUND, DARK, BLUE, PALE_BLUE, GREEN]
    canvas = Canvas(78, 17, 0)
    for cell, (track, plugin) in enumerate(((True, True), (False, True), (True, False))):
        x = cell * 26
        # The track: three note lines; the plug-in: a drum.
        for row in range(3):
            canvas.rect(x + 2, 4 + row * 4, 10, 2, 2 if track else 3)
        disc(canvas, x + 19, 8, 5, 4 if plugin else 3)
        canvas.rect(x + 13, 7, 1, 3, 1)
    return picture(canvas, palette)


def lock():
    """A padlock (15 x 11) on red, which the lock button replaces."""
    palette = [RED, DARK, YELLOW]
    canvas = Canvas(15, 11, 0)
    canvas.frame(5, 0, 5, 5, 1, 1)
    canvas.rect(3, 4, 9, 7, 1)
    canvas.rect(4, 5, 7, 5, 2)
    canvas.rect(7, 6, 1, 3, 1)
    return picture(canvas, palette)


def folders():
    """Folders of the pattern tree (16 x 13) on white: on disk and inside a
    volume file, each plain and selected (open)."""
    palette = [WHITE, BROWN, YELLOW, 0x80F0FF, BLUE, PALE_BLUE]
    pictures = []
    for body, light in ((2, 3), (4, 5)):
        for opened in (False, True):
            canvas = Canvas(16, 13, 0)
            canvas.rect(1, 1, 6, 2, 1)
            canvas.frame(1, 2, 14, 10, 1, 1)
            canvas.rect(2, 3, 12, 8, body)
            if opened:
                canvas.rect(4, 6, 11, 5, light)
                canvas.frame(4, 6, 11, 5, 1, 1)
            pictures.append(picture(canvas, palette))
    return pictures


def main():
    folder = sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    write(folder, "mute.bmp", mute_button())
    image, mask = event_pictures()
    write(folder, "event_image.bmp", image)
    write(folder, "event_mask.bmp", mask)
    write(folder, "instruments.bmp", instrument_icons())
    track, thumb = swing_slider()
    write(folder, "swing_track.bmp", track)
    write(folder, "swing_thumb.bmp", thumb)
    low, high = locator_handles()
    write(folder, "locator_low.bmp", low)
    write(folder, "locator_high.bmp", high)
    write(folder, "mixer_modes.bmp", mixer_modes())
    write(folder, "lock.bmp", lock())
    for name, data in zip(("folder", "folder_selected", "volume_folder", "volume_folder_selected"), folders()):
        write(folder, name + ".bmp", data)


if __name__ == "__main__":
    main()
