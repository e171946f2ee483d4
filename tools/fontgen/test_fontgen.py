"""Tests of the stroke font generator: python3 -m unittest discover -s tools/fontgen

The tests on the committed fonts run when resources/fon_*.bin exist; the regeneration test runs when
FONTGEN_HANZI_DIR names the unpacked hanzi-writer-data package (and the Hershey files are installed).
"""

import os
import random
import struct
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import fontgen  # noqa: E402
import fontlib  # noqa: E402
import hershey  # noqa: E402

RESOURCES = os.path.normpath(os.path.join(HERE, "..", "..", "resources"))
EN_PATH = os.path.join(RESOURCES, "fon_en.bin")
HZ_PATH = os.path.join(RESOURCES, "fon_hz.bin")
HERSHEY_DIR = fontgen.DEFAULT_HERSHEY
HANZI_DIR = os.environ.get("FONTGEN_HANZI_DIR")
LATIN_K, CJK_K = fontlib.HZ_GRID, fontlib.EN_CELL  # both even


def drawn_points(stream, k):
    """The drawn polylines of a stream, in glyph units (k divided out)."""
    out = []
    for path in fontlib.interpret(stream, k):
        pts = []
        for x, y in path:
            assert x % k == 0 and y % k == 0, "point off the glyph grid: %r" % ((x, y),)
            pts.append((x // k, y // k))
        out.append(pts)
    return out


class VectorTest(unittest.TestCase):
    def test_every_direction_and_length_round_trips(self):
        for direction in range(16):
            for n in range(1, 16):
                if direction in fontlib.HALF_DIRECTIONS and n % 2:
                    continue
                step = fontlib.vector_step(direction, n)
                self.assertEqual(fontlib.vector_byte(*step), (n << 4) | direction)
                # With an even k the renderer's step is exactly k times the glyph step.
                for k in (LATIN_K, CJK_K):
                    self.assertEqual(fontlib.vector_step(direction, n * k), (step[0] * k, step[1] * k))

    def test_known_bytes(self):
        self.assertEqual(fontlib.vector_byte(14, 0), 0xE0)
        self.assertEqual(fontlib.vector_byte(-14, 0), 0xE8)
        self.assertEqual(fontlib.vector_byte(2, 1), 0x21)      # direction 1: (+L, +half)
        self.assertEqual(fontlib.vector_byte(-2, -1), 0x29)    # direction 9
        self.assertEqual(fontlib.vector_byte(1, 2), 0x23)      # direction 3: (+half, +L)
        self.assertEqual(fontlib.vector_byte(15, -15), 0xFE)
        self.assertEqual(fontlib.vector_byte(0, -15), 0xFC)

    def test_no_vector_where_none_is_exact(self):
        for dx, dy in [(16, 0), (0, -16), (3, 1), (1, 3), (5, 2), (0, 0), (7, 3), (16, 16)]:
            self.assertIsNone(fontlib.vector_byte(dx, dy), (dx, dy))

    def test_half_direction_with_odd_length_is_not_used(self):
        # n = 3 in direction 1 would be (3, 1.5) glyph units: not on the grid.
        self.assertIsNone(fontlib.vector_byte(3, 1))
        self.assertIsNone(fontlib.vector_byte(3, 2))
        self.assertEqual(fontlib.segment_bytes(3, 1), bytes((8, 3, 1)))


class MoveTest(unittest.TestCase):
    def test_small_move(self):
        self.assertEqual(fontlib.move_bytes(-3, 5), bytes((8, 0xFD, 5)))

    def test_limits(self):
        self.assertEqual(fontlib.move_bytes(127, -127), bytes((8, 127, 0x81)))
        self.assertEqual(len(fontlib.move_bytes(128, 0)), 6)

    def test_long_move_is_split_within_range_and_sums_up(self):
        for dx, dy in [(300, -200), (-128, 0), (0, 255), (1000, 1)]:
            data = fontlib.move_bytes(dx, dy)
            sx = sy = 0
            for _, b, ops in fontlib.parse_commands(data):
                self.assertEqual(b, 8)
                px, py = struct.unpack("bb", ops)
                sx, sy = sx + px, sy + py
            self.assertEqual((sx, sy), (dx, dy))

    def test_split_pen_down_line_stays_near_the_line(self):
        stream = fontlib.encode_glyph([[(0, 0), (300, 100)]])
        path = drawn_points(stream, 1)[0]
        self.assertEqual(path[-1], (300, 100))
        for x, y in path:
            self.assertLessEqual(abs(y - x / 3), 1)


class EncodeGlyphTest(unittest.TestCase):
    def test_starts_with_pen_up_and_moves_to_the_first_point(self):
        stream = fontlib.encode_glyph([[(2, 3), (2, 10)]])
        self.assertEqual(stream, bytes((2, 8, 2, 3, 1, 0x74)))

    def test_stroke_at_the_origin_still_lifts_the_pen_first(self):
        stream = fontlib.encode_glyph([[(0, 0), (5, 0)]])
        self.assertEqual(stream[0], 2)
        self.assertEqual(drawn_points(stream, CJK_K), [[(0, 0), (5, 0)]])

    def test_drops_zero_length_segments_and_pointless_strokes(self):
        stream = fontlib.encode_glyph([[(1, 1), (1, 1), (4, 1), (4, 1)], [(9, 9)], [(3, 3), (3, 3)]])
        self.assertEqual(drawn_points(stream, LATIN_K), [[(1, 1), (4, 1)]])

    def test_rejects_points_off_the_grid(self):
        with self.assertRaises(ValueError):
            fontlib.encode_glyph([[(0.5, 0), (3, 0)]])

    def test_random_strokes_round_trip_with_both_multipliers(self):
        rng = random.Random(7)
        for _ in range(300):
            strokes = []
            for _ in range(rng.randint(1, 6)):
                pts = [(rng.randint(-10, 70), rng.randint(-10, 70))]
                for _ in range(rng.randint(1, 6)):
                    if rng.random() < 0.5:  # a vector-friendly step
                        d, n = rng.randrange(16), rng.randint(1, 15)
                        if d in fontlib.HALF_DIRECTIONS:
                            n = 2 * rng.randint(1, 7)
                        sx, sy = fontlib.vector_step(d, n)
                    else:
                        sx, sy = rng.randint(-40, 40), rng.randint(-40, 40)
                    pts.append((pts[-1][0] + sx, pts[-1][1] + sy))
                strokes.append(pts)
            stream = fontlib.encode_glyph(strokes)
            self.assertEqual(fontlib.stream_problems(stream), [])
            expected = [fontlib.clean_stroke(s) for s in strokes]
            expected = [s for s in expected if len(s) > 1]
            for k in (LATIN_K, CJK_K):
                got = drawn_points(stream, k)
                # A stroke that starts where the last one ended continues its path.
                flat = [p for path in got for p in path]
                want = []
                for s in expected:
                    want += s[1:] if want and want[-1] == s[0] else s
                self.assertEqual(flat, want)


class InterpreterTest(unittest.TestCase):
    """The documented examples, drawn at (0, 0) with height 0.375 cm, direction 0, label origin 1."""

    CELL = 416  # (4 + 22) * 16 with that font's headers
    HEIGHT = 0.375

    def draw(self, stream, k):
        paths = fontlib.interpret(bytes.fromhex(stream), k)
        # Label origin 1 puts the baseline at the pen: the cell top is one height higher.
        return fontlib.to_plotter(paths, 0, round(self.HEIGHT * 400), self.CELL, self.HEIGHT)

    def test_latin_i_with_skip_flags(self):
        self.assertEqual(self.draw("00020E0800EB0108001502 0808EB0E08F8F600".replace(" ", ""), 16),
                         [[(0, 0), (0, 121)]])

    def test_cjk_one_with_a_vector(self):
        self.assertEqual(self.draw("000208 0E 08 01 E8 02 08 11 F8 00".replace(" ", ""), 26),
                         [[(131, 75), (0, 75)]])

    def test_larger_glyph_y_is_higher_on_paper(self):
        paths = fontlib.to_plotter(fontlib.interpret(bytes((2, 8, 0, 0, 1, 0x74)), 26), 0, 150, 1664, 0.375)
        (x0, y0), (x1, y1) = paths[0]
        self.assertGreater(y1, y0)

    def test_pen_up_vector_moves_without_drawing_and_command_9(self):
        stream = bytes((2, 0x30, 1, 9, 1, 0, 0, 2, 0, 0))
        self.assertEqual(fontlib.interpret(stream, 1), [[(3, 0), (4, 0), (4, 2)]])

    def test_cut_commands_are_reported(self):
        for bad in (bytes((2, 8, 1)), bytes((2, 9, 1, 1)), bytes((3,))):
            with self.assertRaises(ValueError):
                fontlib.parse_commands(bad)


class FileLayoutTest(unittest.TestCase):
    def test_latin_header_index_and_sorting(self):
        data = fontlib.build_latin([fontlib.Entry(0x41, b"\x02\x01", 18), fontlib.Entry(0x20, b"", 16)])
        self.assertEqual(data[:10], struct.pack("<HHHI", 4, 22, 7, 2))
        font = fontlib.FontFile("en", data)
        self.assertEqual(font.entries, [(0x20, 0, 16, 30), (0x41, 2, 18, 30)])
        self.assertEqual(font.stream(0x41), b"\x02\x01")
        self.assertEqual(len(data), 32)

    def test_cjk_code_is_stored_trail_then_lead(self):
        data = fontlib.build_cjk([fontlib.Entry(0xB0A1, b"\x02"), fontlib.Entry(0xA1A1, b"")])
        self.assertEqual(data[:8], struct.pack("<HHI", 64, 64, 2))
        self.assertEqual(data[8:10], bytes((0xA1, 0xA1)))
        self.assertEqual(data[16:18], bytes((0xA1, 0xB0)))
        font = fontlib.FontFile("hz", data)
        self.assertEqual(font.entries, [(0xA1A1, 0, 0, 24), (0xB0A1, 1, 0, 24)])

    def test_duplicate_codes_are_refused(self):
        with self.assertRaises(ValueError):
            fontlib.build_cjk([fontlib.Entry(0xB0A1, b""), fontlib.Entry(0xB0A1, b"")])

    def test_truncated_index_is_refused(self):
        data = fontlib.build_cjk([fontlib.Entry(0xB0A1, b"\x02")])
        with self.assertRaises(ValueError):
            fontlib.FontFile("hz", data[:12])


class CheckerTest(unittest.TestCase):
    def good_cjk(self):
        return bytearray(fontlib.build_cjk([fontlib.Entry(0xB0A1, bytes((2, 8, 1, 1, 1, 0x40))),
                                            fontlib.Entry(0xB0A2, bytes((2, 8, 1, 1, 1, 8, 3, 5)))]))

    def problems(self, data, kind="hz"):
        return fontlib.check_font(fontlib.FontFile(kind, bytes(data)))

    def test_good_font_passes(self):
        self.assertEqual(self.problems(self.good_cjk()), [])

    def test_unsorted_codes(self):
        data = self.good_cjk()
        data[8:10], data[16:18] = data[16:18], data[8:10]
        self.assertTrue(any("sorted" in p for p in self.problems(data)))

    def test_stream_past_the_end(self):
        data = self.good_cjk()
        struct.pack_into("<H", data, 18, 50)
        self.assertTrue(any("outside" in p for p in self.problems(data)))

    def test_forbidden_bytes(self):
        for b in (3, 5, 9, 14, 15):
            data = self.good_cjk()
            data[24 + 5] = b  # the vector ending the first stream
            self.assertTrue(self.problems(data), b)

    def test_operands_may_hold_any_value(self):
        data = fontlib.build_cjk([fontlib.Entry(0xB0A1, bytes((2, 8, 14, 9, 1, 8, 3, 14)))])
        self.assertEqual(self.problems(data), [])

    def test_cut_move_and_odd_half_vector_and_missing_pen_up(self):
        for stream in (bytes((2, 8, 1)), bytes((2, 1, 0x31)), bytes((1, 0x40))):
            data = fontlib.build_cjk([fontlib.Entry(0xB0A1, stream)])
            self.assertTrue(self.problems(data), stream)

    def test_latin_fallback_width_must_not_be_zero(self):
        data = fontlib.build_latin([fontlib.Entry(0x20, b"", 0)])
        self.assertTrue(self.problems(data, "en"))


class LayoutTest(unittest.TestCase):
    def setUp(self):
        self.en = fontlib.FontFile("en", fontlib.build_latin([
            fontlib.Entry(0x20, b"", 16), fontlib.Entry(0x41, bytes((2, 1, 0x40)), 18)]))
        self.hz = fontlib.FontFile("hz", fontlib.build_cjk([fontlib.Entry(0xB0A1, bytes((2, 1, 0x40)))]))

    def test_advances(self):
        glyphs, advance = fontlib.layout_line(self.en, self.hz, b"A\xb0\xa1B\xb0\xa2A")
        self.assertEqual([(g[1], g[2]) for g in glyphs], [(0, 64), (1152, 26), (1152 + 1664 + 1024 + 1664, 64)])
        self.assertEqual(advance, 1152 + 1664 + 1024 + 1664 + 1152)

    def test_lone_lead_byte_at_the_end_is_a_missing_latin_glyph(self):
        glyphs, advance = fontlib.layout_line(self.en, self.hz, b"A\xb0")
        self.assertEqual(len(glyphs), 1)
        self.assertEqual(advance, 1152 + 16 * 64)


class HersheyTest(unittest.TestCase):
    def test_record_with_pen_up(self):
        g = hershey.parse_record("  501  6JZRFRR RMIWO")
        self.assertEqual((g.number, g.left, g.right, g.width), (501, -8, 8, 16))
        self.assertEqual(g.strokes, [[(0, -12), (0, 0)], [(-5, -9), (5, -3)]])

    def test_wrapped_record_and_blank_lines(self):
        glyphs = hershey.parse_jhf("  699  1JZ\n\n  501  6JZRFRR R\nMIWO\n")
        self.assertEqual(len(glyphs), 2)
        self.assertEqual(glyphs[0].strokes, [])
        self.assertEqual(glyphs[1].strokes[1], [(-5, -9), (5, -3)])

    def test_short_record_is_refused(self):
        with self.assertRaises(ValueError):
            hershey.parse_record("  501  6JZRFRR")

    def test_latin_transform_puts_the_baseline_at_zero_and_left_bound_at_zero(self):
        g = hershey.parse_record("  501  3JZRFR[")  # a stem from the cap line (y -12) to the baseline (9)
        self.assertEqual(fontgen.latin_strokes(g), [[(8, 21), (8, 0)]])


class GeometryTest(unittest.TestCase):
    def test_rdp(self):
        self.assertEqual(fontgen.rdp([(0, 0), (5, 0.4), (10, 0)], 0.5), [(0, 0), (10, 0)])
        self.assertEqual(fontgen.rdp([(0, 0), (5, 0.6), (10, 0)], 0.5), [(0, 0), (5, 0.6), (10, 0)])
        self.assertEqual(fontgen.rdp([(0, 0), (5, 5), (10, 0), (15, 5)], 0.5),
                         [(0, 0), (5, 5), (10, 0), (15, 5)])
        self.assertEqual(fontgen.rdp([(1, 1), (3, 1), (1, 1)], 0.5), [(1, 1), (3, 1), (1, 1)])

    def test_a_short_dot_keeps_one_unit(self):
        self.assertEqual(fontgen.quantise([(10.2, 10.1), (10.45, 10.15)]), [(10, 10), (11, 10)])
        self.assertEqual(fontgen.quantise([(10.2, 10.1), (10.4, 9.8)]), [(10, 10), (11, 9)])
        self.assertEqual(fontgen.quantise([(10.2, 10.4), (10.2, 10.4)]), [(10, 10)])

    def test_hanzi_em_square_maps_onto_the_cell(self):
        self.assertEqual(fontgen.hanzi_strokes([[[0, -124], [1024, 900]]]), [[(0, 0), (64, 64)]])

    def test_kana_table(self):
        table = fontgen.kana_table()
        self.assertEqual((table["あ"], table["ん"], table["が"], table["ぽ"]), (33, 83, 88, 112))
        self.assertEqual((table["ア"], table["ン"], table["ガ"], table["ポ"]), (113, 163, 168, 192))
        self.assertEqual((table["ゆ"], table["よ"], table["ゑ"]), (70, 72, 81))
        self.assertEqual(len(table), 2 * (48 + 25))


@unittest.skipUnless(os.path.exists(os.path.join(HERSHEY_DIR, "rowmans.jhf")), "hershey-fonts-data not installed")
class HersheySourceTest(unittest.TestCase):
    def test_roman_simplex_metrics(self):
        roman = hershey.load_jhf(os.path.join(HERSHEY_DIR, "rowmans.jhf"))
        ys = [y for s in fontgen.latin_strokes(roman[ord("H") - 32]) for _, y in s]
        self.assertEqual((min(ys), max(ys)), (0, 21))
        self.assertEqual(roman[0].strokes, [])

    def test_full_width_symbols_fit_the_cell(self):
        sets = fontgen.HersheySets(HERSHEY_DIR)
        kana = fontgen.kana_table()
        for code, ch in fontgen.gb2312_codes([0xA3, 0xA6, 0xA4, 0xA5]):
            strokes = fontgen.symbol_strokes(ch, sets, kana)
            if strokes is None:
                continue
            for s in strokes:
                for x, y in s:
                    self.assertTrue(0 <= x <= 64 and 0 <= y <= 64, (hex(code), ch, x, y))


@unittest.skipUnless(os.path.exists(EN_PATH) and os.path.exists(HZ_PATH), "fonts not generated")
class CommittedFontsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.en = fontlib.load_font(EN_PATH, "en")
        cls.hz = fontlib.load_font(HZ_PATH, "hz")

    def test_pass_the_checker(self):
        self.assertEqual(fontlib.check_font(self.en), [])
        self.assertEqual(fontlib.check_font(self.hz), [])

    def test_headers_and_coverage(self):
        self.assertEqual(self.en.header, (4, 22, 7))
        self.assertEqual(self.hz.header, (64, 64))
        self.assertEqual([e[0] for e in self.en.entries], list(range(0x20, 0x7F)))
        self.assertEqual(self.en.entries[0][1:3], (0, 16))  # the space: no strokes, the fallback advance
        hanzi = [e for e in self.hz.entries if e[0] >= 0xB0A1]
        self.assertEqual(len(hanzi), 6763)
        self.assertTrue(all(e[1] > 0 for e in hanzi))

    def test_glyphs_are_upright(self):
        # "上": the long bottom stroke lies below the top of the vertical stroke; "下" the other way round.
        for code, top_is_long in ((0xC9CF, False), (0xCFC2, True)):
            paths = drawn_points(self.hz.stream(code), CJK_K)
            longest = max(paths, key=lambda p: abs(p[-1][0] - p[0][0]))
            highest = max(y for p in paths for _, y in p)
            self.assertEqual(max(y for _, y in longest) >= highest - 4, top_is_long, hex(code))
        # "A": apex at cap height, feet on the baseline; "g" reaches below the baseline.
        ys = [y for p in drawn_points(self.en.stream(0x41), LATIN_K) for _, y in p]
        self.assertEqual((min(ys), max(ys)), (0, 21))
        self.assertLess(min(y for p in drawn_points(self.en.stream(0x67), LATIN_K) for _, y in p), 0)

    def test_hanzi_stay_in_the_cell(self):
        for code, length, _, offset in self.hz.entries:
            if code >= 0xB0A1:
                for path in drawn_points(self.hz.data[offset:offset + length], CJK_K):
                    for x, y in path:
                        self.assertTrue(-1 <= x <= 65 and -1 <= y <= 65, hex(code))


@unittest.skipUnless(HANZI_DIR and os.path.exists(os.path.join(HERSHEY_DIR, "rowmans.jhf")),
                     "set FONTGEN_HANZI_DIR to the unpacked hanzi-writer-data package")
class RegenerateTest(unittest.TestCase):
    def test_regeneration_is_byte_identical_to_the_committed_fonts(self):
        import tempfile
        with tempfile.TemporaryDirectory() as out:
            import contextlib
            import io
            with contextlib.redirect_stdout(io.StringIO()):
                self.assertEqual(fontgen.main(["build", "--hanzi", HANZI_DIR, "--out", out]), 0)
            for name, committed in (("fon_en.bin", EN_PATH), ("fon_hz.bin", HZ_PATH)):
                with open(os.path.join(out, name), "rb") as a, open(committed, "rb") as b:
                    self.assertTrue(a.read() == b.read(), name)


if __name__ == "__main__":
    unittest.main()
