#!/usr/bin/env python3
"""Writes the three small sample markers of this folder.

The outlines are children's-wear pattern pieces drawn with cubic Bezier curves and rounded to
plotter units (40 per mm); the instruction layout of each file is spelled out below by hand, so
that each file shows one way real pattern software writes HP-GL. Run it from anywhere:

    python3 examples/make_examples.py          # rewrite the files
    python3 examples/make_examples.py --check  # only compare them

The output is byte-for-byte reproducible; the committed files are its output.
"""

import math
import os

UNITS_PER_MM = 40
ETX = b"\x03"
HERE = os.path.dirname(os.path.abspath(__file__))


def gbk(text):
    return text.encode("gbk")


# ---------------------------------------------------------------- geometry (millimetres)

def cubic(p0, c1, c2, p1, t):
    u = 1 - t
    return (u * u * u * p0[0] + 3 * u * u * t * c1[0] + 3 * u * t * t * c2[0] + t * t * t * p1[0],
            u * u * u * p0[1] + 3 * u * u * t * c1[1] + 3 * u * t * t * c2[1] + t * t * t * p1[1])


class Outline:
    """A closed sew line built edge by edge; notches are (edge parameter) marks."""

    def __init__(self, start):
        self.start = start
        self.edges = []  # (kind, points, notches)

    def line(self, p, notches=()):
        self.edges.append(("L", [self._cur(), p], list(notches)))
        return self

    def curve(self, c1, c2, p, notches=()):
        self.edges.append(("C", [self._cur(), c1, c2, p], list(notches)))
        return self

    def mirror(self):
        """Completes a half drawn from the X axis back to the X axis with its mirror image."""
        for kind, pts, notches in reversed(list(self.edges)):
            flipped = [(x, -y) for (x, y) in reversed(pts)]
            self.edges.append((kind, flipped, [1 - t for t in notches]))
        return self

    def _cur(self):
        return self.edges[-1][1][-1] if self.edges else self.start

    def points(self, step=4.0, notch_depth=4.0, notch_half=1.5):
        """Closed point list; curves every `step` mm, V notches cut into the piece."""
        pts, notch_at = [], []
        for kind, ctrl, notches in self.edges:
            if kind == "L":
                pts.append(ctrl[0])
                for t in sorted(notches):
                    a, b = ctrl
                    notch_at.append(len(pts))
                    pts.append((a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t))
                continue
            length = sum(math.dist(cubic(*ctrl, i / 50), cubic(*ctrl, (i + 1) / 50))
                         for i in range(50))
            n = max(2, math.ceil(length / step))
            ts = [(k / n, False) for k in range(n)] + [(t, True) for t in notches]
            for t, is_notch in sorted(ts):
                if is_notch:
                    notch_at.append(len(pts))
                pts.append(cubic(*ctrl, t))
        area = sum(a[0] * b[1] - b[0] * a[1] for a, b in zip(pts, pts[1:] + pts[:1]))
        centres = [pts[i] for i in notch_at]
        out = []
        for i, p in enumerate(pts):
            if i not in notch_at:
                # Samples inside a notch's mouth would make the line double back.
                if all(math.dist(p, c) > notch_half + 0.2 for c in centres):
                    out.append(p)
                continue
            prev, nxt = pts[i - 1], pts[(i + 1) % len(pts)]
            d = math.dist(prev, nxt)
            tx, ty = (nxt[0] - prev[0]) / d, (nxt[1] - prev[1]) / d
            # Inward is to the left of the direction of travel on a counter-clockwise outline.
            ix, iy = (-ty, tx) if area > 0 else (ty, -tx)
            out.append((p[0] - tx * notch_half, p[1] - ty * notch_half))
            out.append((p[0] + ix * notch_depth, p[1] + iy * notch_depth))
            out.append((p[0] + tx * notch_half, p[1] + ty * notch_half))
        out.append(out[0])
        return out


def units(points, dx=0.0, dy=0.0):
    result = []
    for x, y in points:
        p = (math.floor((x + dx) * UNITS_PER_MM + 0.5), math.floor((y + dy) * UNITS_PER_MM + 0.5))
        if not result or result[-1] != p:
            result.append(p)
    return result


# ---------------------------------------------------------------- pieces (size 110, mm)

def front_panel():
    o = Outline((0, 0))
    o.line((0, 185)).line((300, 192), [0.5])
    o.curve((318, 172), (345, 148), (400, 140), [0.5]).line((412, 64))
    o.curve((392, 62), (365, 34), (365, 0))
    return o.mirror()


def back_panel():
    o = Outline((0, 0))
    o.line((0, 185)).line((300, 192), [0.5])
    o.curve((318, 172), (345, 148), (400, 140), [0.45, 0.55]).line((412, 64))
    o.curve((404, 46), (396, 18), (396, 0))
    return o.mirror()


def sleeve():
    o = Outline((0, 0))
    o.line((0, 128)).line((100, 142))
    o.curve((122, 128), (168, 74), (168, 0), [0.5])
    return o.mirror()


def collar():
    # Quarter rings about (0, 100): the neck edge of radius 100, the outer edge of radius 145.
    k, r, outer = 0.5523, 100, 145
    o = Outline((0, 0))
    o.curve((k * r, 0), (r, r - k * r), (r, r), [0.5])
    o.curve((r, r + 35), (outer, r + 35), (outer, r))
    o.curve((outer, r - k * outer), (k * outer, r - outer), (0, r - outer))
    return o.line((0, 0), [0.5])


def pocket():
    o = Outline((0, 0))
    o.curve((0, 30), (8, 52), (30, 54)).line((120, 54), [0.8]).line((120, 0))
    return o.mirror()


# ---------------------------------------------------------------- writers

def bbox_centre(pts):
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return ((min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2)


def pd_run(pts, per_instruction):
    """PU to the first point, then PD instructions of up to `per_instruction` pairs."""
    out = b"PU%d,%d;\n" % pts[0]
    rest = pts[1:]
    for i in range(0, len(rest), per_instruction):
        chunk = rest[i:i + per_instruction]
        out += b"PD" + b",".join(b"%d,%d" % p for p in chunk) + b";\n"
    return out


def small_labels():
    """Clean, semicolon-terminated output with labels in ASCII and GBK."""
    out = b"IN;SP1;LT;\n"
    placed = [
        ("FRONT", "前片", front_panel(), 20, 20),
        ("BACK", "后片", back_panel(), 20, 420),
        ("SLEEVE", "袖子", sleeve(), 460, 170),
    ]
    for name, chinese, outline, dx, dy in placed:
        pts = units(outline.points(step=4.0), dx + 10, dy + 200)
        out += pd_run(pts, 16)
        centre = bbox_centre(pts)
        out += b"SI0.3,0.45;DI1,0;LO5;PU%d,%d;\n" % centre
        # One label, two lines: CR LF starts the second line under the first.
        out += b"LB" + name.encode() + b" 110\r\n2026-001" + ETX + b"\n"
        out += b"SI0.4,0.6;PU%d,%d;LB" % (centre[0], centre[1] - 1200)
        out += gbk(chinese) + b" " + gbk("尺码") + b"110" + ETX + b"\n"

    # The collar is a quarter ring about (0, 100) in its own coordinates; its labels run along
    # the ring at 45 degrees, on radii 130 and 113 mm.
    dx, dy = 470, 580
    out += pd_run(units(collar().points(step=4.0), dx, dy), 16)
    first = units([(dx + 0.7071 * 130, dy + 100 - 0.7071 * 130)])[0]
    second = units([(dx + 0.7071 * 113, dy + 100 - 0.7071 * 113)])[0]
    out += b"SI0.2,0.3;DI1,1;PU%d,%d;LBCOLLAR 110" % first + ETX + b"\n"
    out += b"PU%d,%d;LB" % second + gbk("领子") + ETX + b"\n"

    # The marker's header text beside the pieces: left-aligned on its baseline after DF, with
    # its own terminator; the second line hangs from its top edge (LO3).
    out += b"DF;SI0.35,0.5;DT*,1;PU400,34800;LB" + gbk("款号") + b" 2026-001  " + gbk("尺码")
    out += b" 110  MARKER 1/1*\n"
    out += b"DT;LO3;DI1,0;PU400,34400;LB2026-001 KIDS TEE 110" + ETX + b"\n"
    out += b"PU;SP0;\n"
    return out


def cad_quirks():
    """The same kind of content as terse CAD output: no semicolons, lower case, wrapped lines."""

    def terse(pts, sep=b" "):
        # Lines wrapped after about 72 bytes, always at a separator, never inside a number.
        words = [b"pu", b"%d" % pts[0][0], b"%d" % pts[0][1], b"pd"]
        for x, y in pts[1:]:
            words += [b"%d" % x, b"%d" % y]
        out, line = b"", b""
        for w in words:
            joined = line + (sep if line and not line.endswith((b"pd", b"pu")) else b"") + w
            if line and len(joined) > 72:
                out += line + b"\r\n"
                line = w
            else:
                line = joined if line else w
        return out + line + b"\r\n"

    out = b"\x1b.I81;"  # device control, ESC and four bytes, before the first instruction
    out += b"in sp1 lt\r\n"
    first = [("FRONT", "前片", front_panel(), 20, 20), ("SLEEVE", "袖子", sleeve(), 460, 170)]
    for name, chinese, outline, dx, dy in first:
        pts = units(outline.points(step=3.0), dx + 10, dy + 200)
        out += terse(pts)
        centre = bbox_centre(pts)
        out += b"si0.3 0.45 di1 0 lo5 pu %d %d\r\n" % centre
        out += b"dt~ lb" + name.encode() + b" 110~ pu %d %d lb" % (centre[0], centre[1] - 900)
        out += gbk(chinese) + b"~\r\n"
    # Page advance; the second frame starts at the origin again.
    out += b"pg\r\n"
    pts = units(back_panel().points(step=3.0), 30, 220)
    out += b"pu%d,%d pd\r\n" % pts[0]
    out += b",".join(b"%d,%d" % p for p in pts[1:40]) + b"\r\n"
    out += b",".join(b"%d,%d" % p for p in pts[40:]) + b"\r\n"
    # Pen down first, then absolute moves: how some systems draw the collar.
    pts = units(collar().points(step=3.0), 500, 460)
    out += b"pu;pa%d,%d;pd;pa" % pts[0] + b",".join(b"%d,%d" % p for p in pts[1:]) + b";pu\r\n"
    # Fractional coordinates, rounded half up by the reader.
    pts = units(pocket().points(step=3.0), 520, 200)
    out += b"pu%d.4,%d.6 pd" % (pts[0][0], pts[0][1] - 1)
    out += b" ".join(b"%d %d" % p for p in pts[1:]) + b"\r\n"
    out += b"DT\x03 SI0.3,0.45 DI1,0 PU%d %d " % units([(320, 220)])[0]
    # One label split over two LB instructions: the text goes on after ETX "LB".
    out += b"LBBACK " + ETX + b"LB110" + ETX + b"\r\n"
    out += b"PU%d %d LB" % units([(320, 198)])[0] + gbk("后片") + ETX + b"\r\n"
    out += b"pu sp0\x1b.(;:\r\n"  # ESC and four bytes ". ( ; :" at the very end
    return out


def two_frames():
    """Two complete plots in one file, separated by PG."""
    out = b""
    frames = [
        [("FRONT", "前片", front_panel(), 20, 20), ("BACK", "后片", back_panel(), 20, 420)],
        [("SLEEVE", "袖子", sleeve(), 20, 20), ("SLEEVE", "袖子", sleeve(), 20, 310),
         ("POCKET", "口袋", pocket(), 240, 120)],
    ]
    for number, pieces in enumerate(frames, start=1):
        out += b"IN;SP1;LT;\n"
        for name, chinese, outline, dx, dy in pieces:
            pts = units(outline.points(step=4.0), dx + 10, dy + 200)
            out += pd_run(pts, 20)
            centre = bbox_centre(pts)
            out += b"SI0.3,0.45;DI1,0;LO5;PU%d,%d;" % centre
            out += b"LB" + name.encode() + b" 110 %d/2" % number + ETX + b"\n"
            out += b"PU%d,%d;LB" % (centre[0], centre[1] - 700) + gbk(chinese) + ETX + b"\n"
        out += b"PU;SP0;\n"
        if number < len(frames):
            out += b"PG;\n"
    return out


def main(argv=None):
    import argparse

    ap = argparse.ArgumentParser(description="Write the small sample markers.")
    ap.add_argument("--check", action="store_true",
                    help="write nothing; fail when a committed file differs from what is made")
    args = ap.parse_args(argv)
    stale = []
    for name, make in (("small_labels.plt", small_labels), ("cad_quirks.plt", cad_quirks),
                       ("two_frames.plt", two_frames)):
        data = make()
        path = os.path.join(HERE, name)
        if args.check:
            with open(path, "rb") as f:
                if f.read() != data:
                    stale.append(name)
            continue
        with open(path, "wb") as f:
            f.write(data)
        print("%s: %d bytes" % (name, len(data)))
    for name in stale:
        print("%s differs from what make_examples.py writes" % name)
    return 1 if stale else 0


if __name__ == "__main__":
    raise SystemExit(main())
