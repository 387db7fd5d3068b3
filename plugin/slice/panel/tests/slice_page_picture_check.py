#!/usr/bin/env python3
"""Reads the picture of the loop-slice drummer's property page that the
end-to-end test wrote, and checks it holds the page at its size, painted.
usage: slice_page_picture_check.py <screenshots folder>"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../../../framework/plugin/tests"))
from page_picture import read_page  # noqa: E402


def main():
    rgb, _, height = read_page(sys.argv[1], "vostrapellin_page")
    # Six slice rows, each with a separator line above it.
    separators = [y for y in range(height) if rgb.getpixel((1, y)) == (160, 160, 160)]
    if separators != [51 + 33 * row for row in range(6)]:
        print(f"FAIL: row separators at {separators}")
        return 1
    print(f"ok: vostrapellin_page {rgb.size[0]} x {rgb.size[1]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
