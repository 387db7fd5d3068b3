#!/usr/bin/env python3
"""Checks the typeset manual: a PDF whose pages carry every chapter, a
picture of every window that pictures.txt names, and nothing of the build
machine (that is the README's).

usage: check_manual.py <RallimothManual.pdf> <pictures.txt>
"""
import re
import sys
import zlib

# Chapter titles as they are set; compared without blanks (kerning splits
# the runs) and without "fi" (set as a ligature).
CHAPTERS = ["What you see", "Starting", "Playing and switching parts", "The drummers and their editors",
            "Styles, parts and templates", "Export", "Playing from a sequencer", "Options",
            "When there is no sound", "Messages", "Glossary", "Help"]
# What a musician looks up: each must be explained.
TERMS = ["Equipment database", "Stream provider", "Time base", "ZQi", "IDRC", "Xform",
         "Sound engine was not started.", "Can't load style set."]
# The build machine's words.
BUILD_WORDS = ["./run.sh", "build machine", "Wine prefix"]


def page_texts(data):
    """The text shown by every content stream, kerning runs joined."""
    texts = []
    for match in re.finditer(rb"stream\r?\n(.*?)endstream", data, re.S):
        raw = match.group(1)
        try:
            raw = zlib.decompress(raw)
        except zlib.error:
            pass
        runs = re.findall(rb"\[(.*?)\]\s*TJ|\((.*?)\)\s*Tj", raw, re.S)
        line = []
        for array, single in runs:
            parts = re.findall(rb"\(((?:\\.|[^\\)])*)\)|(-?\d+(?:\.\d+)?)", array) if array else [(single, b"")]
            for text, kern in parts:
                if text:
                    line.append(re.sub(rb"\\(.)", rb"\1", text).decode("latin-1"))
                elif kern and float(kern) < -200:
                    line.append(" ")  # a gap wide enough to be a blank
            line.append(" ")
        texts.append("".join(line))
    return texts


def main():
    data = open(sys.argv[1], "rb").read()
    if not data.startswith(b"%PDF-"):
        sys.exit("not a PDF file")
    pages = len(re.findall(rb"/Type\s*/Page\b", data))
    if pages < 2:
        sys.exit(f"{pages} pages; the manual has at least two")
    text = re.sub(r"\s+", "", "".join(page_texts(data)))
    missing = [c for c in CHAPTERS + TERMS if c.replace(" ", "") not in text]
    if missing:
        sys.exit(f"chapters or terms missing: {missing}\n{text[:400]}")
    build = [w for w in BUILD_WORDS if w.replace(" ", "") in text]
    if build:
        sys.exit(f"the manual speaks of the build machine: {build}")
    pictures = [line.split()[0] for line in open(sys.argv[2]) if line.strip() and not line.startswith("#")]
    # Each picture is its own image, of its window's size.
    images = []
    for head in re.findall(rb"\d+\s+\d+\s+obj\s*<<(.*?)>>\s*stream", data, re.S):
        if re.search(rb"/Subtype\s*/Image\b", head):
            size = [re.search(rb"/" + key + rb"\s+(\d+)", head) for key in (b"Width", b"Height")]
            images.append(tuple(int(m.group(1)) if m else 0 for m in size))
    if len(images) != len(pictures):
        sys.exit(f"{len(images)} images in the manual, {len(pictures)} pictures expected ({pictures})")
    small = [(w, h) for w, h in images if w < 150 or h < 80]
    if small:
        sys.exit(f"images too small to be windows: {small}")
    print(f"{pages} pages, every chapter present, {len(images)} pictures")


if __name__ == "__main__":
    main()
