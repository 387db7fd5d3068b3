#!/usr/bin/env python3
"""Checks the typeset manual: a PDF whose pages carry every chapter.

usage: check_manual.py <RallimothManual.pdf>
"""
import re
import sys
import zlib

# Chapter titles as they are set; compared without blanks (kerning splits
# the runs) and without "fi" (set as a ligature).
CHAPTERS = ["Starting", "The parts window", "Playing and switching parts", "Drummers and their editors",
            "Styles and part", "Export", "The bridge with a host sequencer", "Options", "Help"]


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
    missing = [c for c in CHAPTERS if c.replace(" ", "") not in text]
    if missing:
        sys.exit(f"chapters missing: {missing}\n{text[:400]}")
    print(f"{pages} pages, every chapter present")


if __name__ == "__main__":
    main()
