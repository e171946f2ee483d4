#!/usr/bin/env python3
"""Writes the six test plots of resources/TestPlt/ (the program's test-plot menu).

Each is a calibration drawing: a square (30x150: a rectangle) of the named size in centimetres,
X along the paper feed and Y across it, with millimetre rulers along its bottom and left edges
(numbered every centimetre) and a label in the middle naming the plot and its size. Everything
lies inside the outline, so the job is exactly as large as its name says and a tape measure laid
on the print checks the X and Y scale corrections. Run it from anywhere:

    python3 tools/make_test_plots.py          # rewrite the files
    python3 tools/make_test_plots.py --check  # only compare them

The output is byte-for-byte reproducible; the committed files are its output.
"""

import argparse
import os

UNITS_PER_MM = 40
ETX = b"\x03"
OUT_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "resources", "TestPlt")

# (file name, length along X in cm, width along Y in cm), in the program's menu order.
PLOTS = [
    ("10x10.plt", 10, 10),
    ("20x20.plt", 20, 20),
    ("30x30.plt", 30, 30),
    ("40x40.plt", 40, 40),
    ("50x50.plt", 50, 50),
    # The long one checks the feed: 150 cm along X, 30 cm across.
    ("30x150.plt", 150, 30),
]

# Ruler ticks, in mm, pointing into the drawing from its edge.
TICK_MM, TICK_5MM, TICK_CM = 2, 4, 7
NUMBER_GAP_MM = 2  # between the tip of a centimetre tick and its number
NUMBER_HEIGHT_MM = 2.5


def u(mm):
    return int(round(mm * UNITS_PER_MM))


def si(height_mm):
    """SI with the character height in cm; the width is the usual 3/4 of it."""
    h = height_mm / 10
    return b"SI%.3f,%.3f;" % (h * 0.75, h)


def line(x0, y0, x1, y1):
    return b"PU%d,%d;PD%d,%d;\n" % (x0, y0, x1, y1)


def tick_length(mm):
    if mm % 10 == 0:
        return TICK_CM
    if mm % 5 == 0:
        return TICK_5MM
    return TICK_MM


def ruler_x(length_cm):
    """Ticks along the bottom edge (Y = 0), pointing up; numbers above the centimetre ticks."""
    out = b""
    for mm in range(1, length_cm * 10):
        out += line(u(mm), 0, u(mm), u(tick_length(mm)))
    # Centred on its tick, the number's baseline above the tick (LO4). The last centimetre is the
    # edge itself and has no number: it would stand half outside the drawing.
    out += si(NUMBER_HEIGHT_MM) + b"LO4;"
    for cm in range(1, length_cm):
        out += b"PU%d,%d;LB%d" % (u(cm * 10), u(TICK_CM + NUMBER_GAP_MM), cm) + ETX + b"\n"
    return out


def ruler_y(width_cm):
    """Ticks along the left edge (X = 0), pointing right; numbers beside the centimetre ticks."""
    out = b""
    for mm in range(1, width_cm * 10):
        out += line(0, u(mm), u(tick_length(mm)), u(mm))
    # Upright, starting after the tick, centred on it vertically (LO2).
    out += si(NUMBER_HEIGHT_MM) + b"LO2;"
    for cm in range(1, width_cm):
        out += b"PU%d,%d;LB%d" % (u(TICK_CM + NUMBER_GAP_MM), u(cm * 10), cm) + ETX + b"\n"
    return out


def test_plot(name, length_cm, width_cm):
    lx, ly = u(length_cm * 10), u(width_cm * 10)
    out = b"IN;SP1;LT;\n"
    # The outline, closed where it started.
    out += b"PU0,0;PD%d,0,%d,%d,0,%d,0,0;\n" % (lx, lx, ly, ly)
    out += ruler_x(length_cm)
    out += ruler_y(width_cm)
    # A centre cross, 10 mm each way, for the diagonals of a tape measure.
    cx, cy = lx // 2, ly // 2
    out += line(cx - u(10), cy, cx + u(10), cy) + line(cx, cy - u(10), cx, cy + u(10))
    # The label: three lines centred above the cross, the bottom one first (LO4 puts the
    # baseline on the pen).
    title_mm = min(min(width_cm, length_cm) * 0.4, 12.0)  # 4 mm on the smallest plot
    text_mm = title_mm * 0.6
    size = b"%d x %d cm" % (width_cm, length_cm)  # as the file is named: across, then along
    lines = [  # (text, height in mm), bottom up
        (b"X %d mm (feed)  Y %d mm" % (length_cm * 10, width_cm * 10), text_mm),
        (b"TEST PLOT " + size, text_mm),
        ("测试图".encode("gbk") + b" " + name[:-4].encode(), title_mm),
    ]
    out += b"LO4;"
    base = cy + u(12)
    for text, height in lines:
        out += si(height) + b"PU%d,%d;LB" % (cx, base) + text + ETX + b"\n"
        base += u(height * 1.6)
    out += b"PU;SP0;\n"
    return out


def main(argv=None):
    ap = argparse.ArgumentParser(description="Write the test plots into resources/TestPlt/.")
    ap.add_argument("--check", action="store_true",
                    help="write nothing; fail when a committed file differs from what is made")
    args = ap.parse_args(argv)
    stale = []
    if not args.check:
        os.makedirs(OUT_DIR, exist_ok=True)
    for name, length_cm, width_cm in PLOTS:
        data = test_plot(name, length_cm, width_cm)
        path = os.path.join(OUT_DIR, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
            continue
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (name, len(data)))
    for name in stale:
        print("%s differs from what make_test_plots.py writes" % name)
    return 1 if stale else 0


if __name__ == "__main__":
    raise SystemExit(main())
