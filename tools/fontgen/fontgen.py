#!/usr/bin/env python3
"""Generates and checks VexaGrid's two stroke fonts, fon_en.bin (printable ASCII) and fon_hz.bin (GB2312).

    fontgen.py build [--hershey DIR] --hanzi DIR [--out DIR]
    fontgen.py check [--en FILE] [--hz FILE] [--png FILE] [--text TEXT]

Sources: the Hershey fonts (Debian package hershey-fonts-data, DIR /usr/share/hershey-fonts) and the
hanzi-writer-data npm package (DIR is its unpacked "package" folder).  See resources/fonts/README.md.
Standard library only; the output depends on nothing but the input files.
"""

import argparse
import json
import math
import os
import sys
import unicodedata

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import fontlib  # noqa: E402
import hershey  # noqa: E402
from preview import Canvas  # noqa: E402

DEFAULT_HERSHEY = "/usr/share/hershey-fonts"
HERSHEY_BASELINE = 9  # y of the baseline in the Roman, Greek and Cyrillic sets (y grows downward)
GRID = fontlib.HZ_GRID

# ------------------------------------------------------------------------------------------ geometry


def rdp(points, epsilon):
    """Ramer-Douglas-Peucker: keeps the end points and every point deviating more than epsilon."""
    if len(points) < 3:
        return list(points)
    (x0, y0), (x1, y1) = points[0], points[-1]
    dx, dy = x1 - x0, y1 - y0
    norm = math.hypot(dx, dy)
    worst, worst_i = -1.0, 0
    for i in range(1, len(points) - 1):
        px, py = points[i]
        if norm == 0:
            d = math.hypot(px - x0, py - y0)
        else:
            d = abs(dy * (px - x0) - dx * (py - y0)) / norm
        if d > worst:
            worst, worst_i = d, i
    if worst <= epsilon:
        return [points[0], points[-1]]
    left = rdp(points[:worst_i + 1], epsilon)
    return left[:-1] + rdp(points[worst_i:], epsilon)


def round_half_up(v):
    return math.floor(v + 0.5)


def quantise(stroke):
    """Rounds a float stroke to the grid and drops zero-length segments.

    A stroke that collapses to one point (a short dot) keeps a one-unit segment in its original direction,
    so that it still shows.
    """
    pts = fontlib.clean_stroke([(round_half_up(x), round_half_up(y)) for x, y in stroke])
    if len(pts) == 1 and len(stroke) >= 2:
        dx = stroke[-1][0] - stroke[0][0]
        dy = stroke[-1][1] - stroke[0][1]
        sx = (dx > 0) - (dx < 0) if abs(dx) >= abs(dy) / 2 else 0
        sy = (dy > 0) - (dy < 0) if abs(dy) >= abs(dx) / 2 else 0
        if sx or sy:
            pts.append((pts[0][0] + sx, pts[0][1] + sy))
    return pts


# ------------------------------------------------------------------------------------------ Latin


def latin_strokes(glyph):
    """A Hershey Roman glyph in Latin glyph units: left bound at x = 0, baseline at y = 0, y up."""
    return [[(x - glyph.left, HERSHEY_BASELINE - y) for x, y in s] for s in glyph.strokes]


def build_latin_entries(roman):
    """Printable ASCII 0x20-0x7E from a Hershey font file in ASCII order (first glyph: the space)."""
    entries = []
    for code in range(0x20, 0x7F):
        g = roman[code - 0x20]
        entries.append(fontlib.Entry(code, fontlib.encode_glyph(latin_strokes(g)), g.width))
    return entries


# ------------------------------------------------------------------------------------------ CJK symbols


def full_width_strokes(glyph, extra=()):
    """A Hershey Roman/Greek/Cyrillic glyph at twice its size, its advance box centred in the 64-unit cell.

    The baseline is at y = 14, so the whole Hershey range (y -16..16, brackets included) fills 0..64.
    `extra` are further strokes in Hershey coordinates.
    """
    out = []
    for s in list(glyph.strokes) + list(extra):
        out.append(quantise([(GRID // 2 + 2 * x - (glyph.left + glyph.right), 14 + 2 * (HERSHEY_BASELINE - y))
                             for x, y in s]))
    return out


def small_letter(glyph, sx, sy):
    """A capital shrunk towards the baseline (sx across, sy up), for a lowercase letter the source lacks."""
    strokes = [[(x * sx, HERSHEY_BASELINE + (y - HERSHEY_BASELINE) * sy) for x, y in s] for s in glyph.strokes]
    return hershey.HersheyGlyph(glyph.number, round_half_up(glyph.left * sx), round_half_up(glyph.right * sx),
                                strokes)


KANA_SCALE = 2.25    # Hershey kanji span 24 units; this gives them the height of the hanzi (about 54)
SMALL_KANA = 0.7     # small kana: the full-size glyph shrunk towards its bottom centre
KANA_BOTTOM = 10


def kana_strokes(glyph, small=False):
    out = []
    for s in glyph.strokes:
        pts = []
        for x, y in s:
            if small:
                x, y = x * SMALL_KANA, KANA_BOTTOM + (y - KANA_BOTTOM) * SMALL_KANA
            pts.append((GRID / 2 + KANA_SCALE * x, GRID / 2 - KANA_SCALE * (y + 1)))
        out.append(quantise(pts))
    return out


# Order of the kana in the Hershey Japanese set: the basic syllables from glyph 33 ("_" marks the repeated
# i, e and u of the y- and w-rows), the voiced ones from glyph 88; katakana 80 glyphs later.
HIRAGANA_BASIC = ("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもや_ゆ_よらりるれろわゐ_ゑをん")
HIRAGANA_VOICED = "がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ"
KANA_BASIC_FIRST, KANA_VOICED_FIRST, KATAKANA_OFFSET = 33, 88, 80


def kana_table():
    """Kana character -> index in the Hershey Japanese set."""
    table = {}
    for first, seq in ((KANA_BASIC_FIRST, HIRAGANA_BASIC), (KANA_VOICED_FIRST, HIRAGANA_VOICED)):
        for i, ch in enumerate(seq):
            if ch != "_":
                table[ch] = first + i
                table[chr(ord(ch) + 0x60)] = first + i + KATAKANA_OFFSET  # the katakana of the same sound
    return table


GREEK_UPPER = "ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩ"  # Hershey Greek simplex glyphs 33..56
GREEK_LOWER = "αβγδεζηθικλμνξοπρστυφχψω"  # glyphs 65..88
# Hershey Cyrillic: one set in alphabetical order up to Щ (glyphs 33.. and 65..), the other in a
# keyboard order that also has the last six letters.
CYRILLIC_ALPHA_UPPER = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩ"
CYRILLIC_ALPHA_LOWER = "абвгдежзийклмнопрстуфхцчшщ"
CYRILLIC_REST = {"Ъ": 61, "Ы": 4, "Ь": 63, "Э": 35, "Ю": 53, "Я": 62,
                 "ъ": 92, "ы": 6, "ь": 94, "ю": 85, "я": 93}
# The keyboard-order set repeats the capital for "э"; the lowercase letter is the capital brought down to
# the x-height (14 of 21 units) and to the width ratio of the other lowercase letters of the set.
CYRILLIC_SMALL_E = ("э", "Э", 0.9, 14 / 21)


def _ring(cx, cy, r, n=16):
    pts = [(cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n)) for i in range(n)]
    return quantise(pts + pts[:1])


def _dot(cx, cy, r):
    """A small filled-looking dot: a ring and a short bar inside it."""
    return [_ring(cx, cy, r, 8), [(cx - r // 2, cy), (cx + r // 2, cy)]]


def _mirror(strokes):
    return [[(GRID - x, y) for x, y in s] for s in strokes]


# A quotation mark: a tail ending in a small knot (opening: knot at the bottom, tail up to the right).
_QUOTE = [(4, 10), (1, 4), (0, 2), (1, 0), (2, 1), (1, 3)]


def _quote_open(x):
    return [(x + dx, 50 + dy) for dx, dy in _QUOTE]


def _quote_close(x):
    return [(x + 4 - dx, 60 - dy) for dx, dy in _QUOTE]


_DOUBLE_ANGLE = [[(50, 60), (30, 32), (50, 4)], [(60, 60), (40, 32), (60, 4)]]
_LENTICULAR = [[(58, 60), (40, 60), (40, 4), (58, 4)], [(58, 60), (46, 54), (46, 10), (58, 4)]]

# Our own strokes for common Chinese punctuation (64-unit grid, y up, y = 0 the bottom of the cell).
# Opening marks sit in the right part of their cell, closing ones in the left part, as in Chinese text.
PUNCTUATION = {
    "、": [[(11, 17), (19, 9)]],
    "。": [_ring(16, 11, 6)],
    "・": _dot(32, 32, 3),
    "―": [[(2, 32), (62, 32)]],
    "…": _dot(10, 32, 2) + _dot(32, 32, 2) + _dot(54, 32, 2),
    "‘": [_quote_open(46)],
    "’": [_quote_close(18)],
    "“": [_quote_open(40), _quote_open(50)],
    "”": [_quote_close(14), _quote_close(24)],
    "《": _DOUBLE_ANGLE,
    "》": _mirror(_DOUBLE_ANGLE),
    "【": _LENTICULAR,
    "】": _mirror(_LENTICULAR),
    "￣": [[(2, 60), (62, 60)]],
}
IDEOGRAPHIC_SPACE = "\u3000"
YEN_BARS = [[(-6, 1), (6, 1)], [(-6, 5), (6, 5)]]  # added to the Hershey "Y" for the full-width yuan sign


def gb2312_codes(leads):
    """(code, character) for every assigned GB2312 code with a lead byte in `leads`."""
    for lead in leads:
        for trail in range(0xA1, 0xFF):
            try:
                ch = bytes((lead, trail)).decode("gb2312")
            except UnicodeDecodeError:
                continue
            yield lead * 256 + trail, ch


class HersheySets:
    def __init__(self, directory):
        def load(name):
            return hershey.load_jhf(os.path.join(directory, name + ".jhf"))
        self.roman = load("rowmans")
        self.greek = load("greeks")
        self.cyrillic_alpha = load("cyrilc_1")
        self.cyrillic_rest = load("cyrillic")
        self.japanese = load("japanese")


def symbol_strokes(ch, sets, kana):
    """Strokes for a character of the symbol rows, or None when no source has it."""
    if ch == IDEOGRAPHIC_SPACE:
        return []
    if ch in PUNCTUATION:
        return PUNCTUATION[ch]
    cp = ord(ch)
    if 0xFF01 <= cp <= 0xFF5E:  # full-width ASCII
        return full_width_strokes(sets.roman[cp - 0xFEE0 - 0x20])
    if ch == "～":
        return full_width_strokes(sets.roman[ord("~") - 0x20])
    if ch == "￥":
        return full_width_strokes(sets.roman[ord("Y") - 0x20], YEN_BARS)
    if ch in GREEK_UPPER:
        return full_width_strokes(sets.greek[33 + GREEK_UPPER.index(ch)])
    if ch in GREEK_LOWER:
        return full_width_strokes(sets.greek[65 + GREEK_LOWER.index(ch)])
    if ch in CYRILLIC_ALPHA_UPPER:
        return full_width_strokes(sets.cyrillic_alpha[33 + CYRILLIC_ALPHA_UPPER.index(ch)])
    if ch in CYRILLIC_ALPHA_LOWER:
        return full_width_strokes(sets.cyrillic_alpha[65 + CYRILLIC_ALPHA_LOWER.index(ch)])
    if ch in CYRILLIC_REST:
        return full_width_strokes(sets.cyrillic_rest[CYRILLIC_REST[ch]])
    if ch == CYRILLIC_SMALL_E[0]:
        small, capital, sx, sy = CYRILLIC_SMALL_E
        return full_width_strokes(small_letter(sets.cyrillic_rest[CYRILLIC_REST[capital]], sx, sy))
    if ch in kana:
        return kana_strokes(sets.japanese[kana[ch]])
    name = unicodedata.name(ch, "")
    if " SMALL " in name:
        try:
            big = unicodedata.lookup(name.replace(" SMALL ", " "))
        except KeyError:
            return None
        if big in kana:
            return kana_strokes(sets.japanese[kana[big]], small=True)
    return None


# ------------------------------------------------------------------------------------------ hanzi

SIMPLIFY_EPSILON = 0.5  # grid units


def hanzi_strokes(medians):
    """Medians (1024-unit em, y up from -124 to 900) -> simplified strokes on the 64-unit grid."""
    out = []
    scale = GRID / 1024
    for median in medians:
        pts = [(x * scale, (y + 124) * scale) for x, y in median]
        out.append(quantise(rdp(pts, SIMPLIFY_EPSILON)))
    return out


def load_medians(directory, ch):
    with open(os.path.join(directory, ch + ".json"), "r", encoding="utf-8") as f:
        return json.load(f)["medians"]


# ------------------------------------------------------------------------------------------ build

SYMBOL_RANGES = [
    (0xA1, "punctuation (A1)"), (0xA3, "full-width ASCII (A3)"), (0xA4, "hiragana (A4)"),
    (0xA5, "katakana (A5)"), (0xA6, "Greek (A6)"), (0xA7, "Cyrillic (A7)"),
]


def build_cjk_entries(sets, hanzi_dir):
    """All CJK entries and a per-range count; raises when a GB2312 hanzi has no stroke data."""
    kana = kana_table()
    entries, counts, missing = [], {}, []
    for lead, label in SYMBOL_RANGES:
        n = 0
        for code, ch in gb2312_codes([lead]):
            strokes = symbol_strokes(ch, sets, kana)
            if strokes is None:
                continue
            entries.append(fontlib.Entry(code, fontlib.encode_glyph(strokes)))
            n += 1
        counts[label] = n
    n = 0
    for code, ch in gb2312_codes(range(0xB0, 0xF8)):
        try:
            medians = load_medians(hanzi_dir, ch)
        except FileNotFoundError:
            missing.append(ch)
            continue
        entries.append(fontlib.Entry(code, fontlib.encode_glyph(hanzi_strokes(medians))))
        n += 1
    if missing:
        raise SystemExit("no stroke data for %d hanzi, e.g. %s" % (len(missing), "".join(missing[:10])))
    counts["hanzi (B0-F7)"] = n
    return entries, counts


def cmd_build(args):
    sets = HersheySets(args.hershey)
    en = fontlib.build_latin(build_latin_entries(sets.roman))
    hz_entries, counts = build_cjk_entries(sets, args.hanzi)
    hz = fontlib.build_cjk(hz_entries)
    os.makedirs(args.out, exist_ok=True)
    for name, data in (("fon_en.bin", en), ("fon_hz.bin", hz)):
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
    print("fon_en.bin: %d glyphs (ASCII 0x20-0x7E), %d bytes" % (0x7F - 0x20, len(en)))
    for label, n in counts.items():
        print("  %-24s %5d" % (label, n))
    print("fon_hz.bin: %d glyphs, %d bytes" % (len(hz_entries), len(hz)))
    problems = fontlib.check_font(fontlib.FontFile("en", en)) + fontlib.check_font(fontlib.FontFile("hz", hz))
    for p in problems:
        print("problem:", p)
    return 1 if problems else 0


# ------------------------------------------------------------------------------------------ check


def render_png(en, hz, text, path, height=120, stroke=1):
    """Draws one label line (GB2312 text) as the renderer lays it out, cell top at the top of the image."""
    cell = (en.header[0] + en.header[1]) * hz.header[1]
    glyphs, advance = fontlib.layout_line(en, hz, text.encode("gb2312"))
    scale = height / cell
    margin = height // 3
    canvas = Canvas(int(advance * scale) + 2 * margin, height + 2 * margin)
    base_y = margin + height  # gy = 0
    canvas.line(0, base_y, canvas.width - 1, base_y, 200)
    canvas.line(0, margin, canvas.width - 1, margin, 220)
    for stream, start, k in glyphs:
        for line in fontlib.interpret(stream, k, (start, 0)):
            for (x0, y0), (x1, y1) in zip(line, line[1:]):
                # Paper +Y is up: larger gy is drawn higher in the image.
                canvas.line(margin + x0 * scale, base_y - y0 * scale, margin + x1 * scale, base_y - y1 * scale,
                            0, stroke)
    canvas.save(path)


def range_counts(font):
    counts = {}
    for code, length, _, _ in font.entries:
        key = "%02X" % (code >> 8) if font.kind == "hz" else "ASCII"
        counts[key] = counts.get(key, 0) + 1
    return counts


def cmd_check(args):
    bad = 0
    fonts = {}
    for kind, path in (("en", args.en), ("hz", args.hz)):
        if not path:
            continue
        font = fontlib.load_font(path, kind)
        fonts[kind] = font
        problems = fontlib.check_font(font)
        counts = range_counts(font)
        print("%s: header %s, %d glyphs, %d bytes" % (path, font.header, len(font.entries), len(font.data)))
        if kind == "hz":
            rows = ", ".join("%s: %d" % (k, v) for k, v in sorted(counts.items()) if k < "B0")
            print("  symbol rows %s; hanzi rows B0-F7: %d" % (
                rows, sum(v for k, v in counts.items() if k >= "B0")))
        for p in problems[:50]:
            print("  problem:", p)
        if len(problems) > 50:
            print("  ... %d problems in all" % len(problems))
        bad += len(problems)
    if args.png:
        if len(fonts) != 2:
            raise SystemExit("--png needs both --en and --hz")
        render_png(fonts["en"], fonts["hz"], args.text, args.png, args.height)
        print("preview of %r written to %s" % (args.text, args.png))
    print("%s" % ("OK" if not bad else "%d problems" % bad))
    return 1 if bad else 0


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    resources = os.path.normpath(os.path.join(here, "..", "..", "resources"))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="command", required=True)
    b = sub.add_parser("build", help="generate fon_en.bin and fon_hz.bin")
    b.add_argument("--hershey", default=DEFAULT_HERSHEY, help="folder of the Hershey .jhf files")
    b.add_argument("--hanzi", required=True, help="unpacked hanzi-writer-data package folder")
    b.add_argument("--out", default=resources, help="output folder (default: the repository's resources/)")
    c = sub.add_parser("check", help="verify generated fonts and optionally draw a preview")
    c.add_argument("--en", default=os.path.join(resources, "fon_en.bin"))
    c.add_argument("--hz", default=os.path.join(resources, "fon_hz.bin"))
    c.add_argument("--png", help="write a PNG preview of --text")
    c.add_argument("--text", default="前片 Ag 裁床 A-01 (M) 《款号》ΩЖあア")
    c.add_argument("--height", type=int, default=120, help="cell height of the preview in pixels")
    args = ap.parse_args(argv)
    return cmd_build(args) if args.command == "build" else cmd_check(args)


if __name__ == "__main__":
    sys.exit(main())
