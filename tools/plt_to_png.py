#!/usr/bin/env python3
"""Render the pen paths of an HP-GL file to a PNG (a quick vector view).

Reads PU, PD and PA with absolute coordinates, the way the program's own
exports and `vexagrid-cli glyphs` write them. Labels (LB) are not drawn here:
flatten a file first (`vexagrid-cli glyphs`, or an export of the job list)
to see its label strokes. X runs to the right, Y up, as on the paper seen
from above with the feed to the right.

    tools/plt_to_png.py IN.plt OUT.png [--width 1600] [--margin 20]
"""
import argparse
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "fontgen"))
from preview import Canvas  # noqa: E402

TOKEN = re.compile(rb"([A-Za-z]{2})([^A-Za-z;]*);?")
NUMBER = re.compile(rb"[-+]?\d+(?:\.\d*)?|[-+]?\.\d+")


def paths(data):
    """Yield polylines (lists of (x, y)) drawn by the file."""
    pen_down = False
    x = y = 0
    current = []
    for m in TOKEN.finditer(data):
        op = m.group(1).upper()
        args = [float(v) for v in NUMBER.findall(m.group(2))]
        if op == b"LB":
            continue
        if op in (b"PU", b"PD", b"PA"):
            if op == b"PU":
                pen_down = False
            elif op == b"PD":
                pen_down = True
            pairs = list(zip(args[0::2], args[1::2]))
            for px, py in pairs:
                if pen_down:
                    if not current:
                        current = [(x, y)]
                    current.append((px, py))
                else:
                    if len(current) > 1:
                        yield current
                    current = []
                x, y = px, py
            if not pen_down and len(current) > 1:
                yield current
                current = []
    if len(current) > 1:
        yield current


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("input")
    ap.add_argument("output")
    ap.add_argument("--width", type=int, default=1600, help="image width in pixels")
    ap.add_argument("--margin", type=int, default=20)
    args = ap.parse_args()

    with open(args.input, "rb") as f:
        lines = list(paths(f.read()))
    if not lines:
        sys.exit("%s: nothing drawn" % args.input)
    xs = [p[0] for line in lines for p in line]
    ys = [p[1] for line in lines for p in line]
    min_x, max_x, min_y, max_y = min(xs), max(xs), min(ys), max(ys)
    span_x = max(max_x - min_x, 1)
    span_y = max(max_y - min_y, 1)
    scale = (args.width - 2 * args.margin) / span_x
    height = int(span_y * scale) + 2 * args.margin + 1
    canvas = Canvas(args.width, height)
    for line in lines:
        pts = [(args.margin + (px - min_x) * scale, height - 1 - args.margin - (py - min_y) * scale) for px, py in line]
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            canvas.line(x0, y0, x1, y1)
    canvas.save(args.output)
    print("%s: %d paths, %d x %d pixels" % (args.output, len(lines), args.width, height))


if __name__ == "__main__":
    main()
