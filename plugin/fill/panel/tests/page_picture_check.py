#!/usr/bin/env python3
"""Reads the picture of the drummer's property page that the end-to-end test
wrote, and checks it holds the page at its size, painted (not one colour).
usage: page_picture_check.py <screenshots folder>"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../../../framework/plugin/tests"))
from page_picture import read_page  # noqa: E402


def main():
    rgb, width, _ = read_page(sys.argv[1], "grindelvosket_page")
    # The panel's grey surrounds its controls.
    grey = rgb.getpixel((width - 1, 40))
    if grey != (0xD4, 0xD0, 0xC8):
        print(f"FAIL: the panel's background reads {grey}")
        return 1
    print(f"ok: grindelvosket_page {rgb.size[0]} x {rgb.size[1]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
