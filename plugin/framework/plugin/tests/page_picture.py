"""What the readers of both drummers' property-page pictures share: the
picture the end-to-end test wrote, at the page's size it wrote beside it,
and painted (not one colour)."""
import os

from PIL import Image


def read_page(folder, name):
    """The page's picture as RGB, and its width and height; exits with the
    reason when the picture is not the page."""
    picture = os.path.join(folder, name + ".png")
    with open(os.path.join(folder, name + ".size")) as size_file:
        width, height = (int(v) for v in size_file.read().split())
    image = Image.open(picture)
    image.load()
    if image.size != (width, height):
        raise SystemExit(f"FAIL: {picture} is {image.size}, the page {width} x {height}")
    rgb = image.convert("RGB")
    colours = rgb.getcolors(maxcolors=1 << 16)
    if colours is None or len(colours) < 8:
        raise SystemExit(f"FAIL: {picture} holds {0 if colours is None else len(colours)} colours")
    return rgb, width, height
