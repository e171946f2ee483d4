#!/usr/bin/env python3
"""Tests of plt_check.py: the import's tokenising rules, one case per rule that a checker (or an
import) most easily gets wrong, and the committed sample files."""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import plt_check  # noqa: E402

EXAMPLES = os.path.join(os.path.dirname(HERE), "examples")


def run(data, strict=False, **limits):
    return plt_check.check(data, strict, limits.get("max_x"), limits.get("max_y"))


class FileSize(unittest.TestCase):
    def test_nine_bytes_refused_ten_accepted(self):
        self.assertEqual(len(run(b"PU0,0;PU;").errors), 1)
        self.assertEqual(run(b"PU0,0;PU;;").errors, [])

    def test_upper_limit_is_inclusive(self):
        data = b"IN;" + b" " * (plt_check.MAX_FILE_SIZE - 3)
        self.assertEqual(run(data).errors, [])
        self.assertEqual(len(run(data + b" ").errors), 1)


class PenMoves(unittest.TestCase):
    def test_paths_join_across_pd_instructions(self):
        s = run(b"IN;PU0,0;PD400,0;PD400,400,0,400,0,0;PU;")
        self.assertEqual(s.paths, [[(0, 0), (400, 0), (400, 400), (0, 400), (0, 0)]])
        self.assertEqual(len(s.closed_paths()), 1)

    def test_odd_pd_is_refused_and_stops_reading(self):
        s = run(b"IN;PD10,20,30;PU0,0;PD5,5;")
        self.assertEqual(len(s.errors), 1)
        self.assertIn("odd", s.errors[0])
        self.assertEqual(s.paths, [])

    def test_odd_pu_moves_to_the_last_pair(self):
        s = run(b"IN;PU10,20,30;PD40,50;")
        self.assertEqual(s.errors, [])
        self.assertEqual(s.paths, [[(20, 30), (40, 50)]])

    def test_pa_moves_with_pen_up_and_draws_with_pen_down(self):
        s = run(b"IN;PA100,100;PD;PA100,200,300,200;")
        self.assertEqual(s.paths, [[(100, 100), (100, 200), (300, 200)]])
        self.assertEqual(len(run(b"IN;PD;PA1,2,3;").errors), 1)
        self.assertEqual(run(b"IN;PU;PA1,2,3;").errors, [])

    def test_coordinates_round_half_up(self):
        s = run(b"IN;PU2.5,-2.5;PD0.49,-0.5;")
        self.assertEqual(s.paths, [[(3, -2), (0, 0)]])

    def test_end_of_file_completes_the_instruction(self):
        self.assertEqual(run(b"IN;PU0,0;PD10,20").paths, [[(0, 0), (10, 20)]])


class Tokeniser(unittest.TestCase):
    def test_letters_and_spaces_separate_instructions(self):
        s = run(b"in pu 0 0 pd 10 0\r\n10 10 pu")
        self.assertEqual(s.paths, [[(0, 0), (10, 0), (10, 10)]])
        self.assertEqual(s.instructions, {"IN": 1, "PU": 2, "PD": 1})

    def test_a_byte_between_the_two_letters_drops_the_first(self):
        # "P\nD10,20,30;" is not a PD: P is discarded, D then 1 is discarded too.
        s = run(b"IN;PU0,0;P\nD10,20,30;")
        self.assertEqual(s.errors, [])
        self.assertEqual(s.paths, [])

    def test_escape_skips_four_bytes_whatever_they_are(self):
        s = run(b"IN;\x1bPD1;PU0,0;PD4,0;")
        self.assertEqual(s.errors, [])
        self.assertEqual(s.paths, [[(0, 0), (4, 0)]])
        # Inside a parameter list ESC ends the instruction first.
        s = run(b"IN;PU0,0;PD4,0\x1b;;;;PD4,4;")
        self.assertEqual(s.paths, [[(0, 0), (4, 0), (4, 4)]])

    def test_partly_readable_numbers_only_fail_strict(self):
        s = run(b"IN;PU5-3,1;PD0,0;")
        self.assertEqual(s.errors, [])
        self.assertEqual(s.paths, [[(5, 1), (0, 0)]])
        self.assertEqual(len(run(b"IN;PU5-3,1;PD0,0;", strict=True).errors), 1)
        # A lone sign is zero.
        self.assertEqual(run(b"IN;PU-,+;PD1,1;").paths, [[(0, 0), (1, 1)]])

    def test_df_followed_by_a_number_is_refused(self):
        self.assertEqual(len(run(b"IN;DF5;PU0,0;").errors), 1)
        self.assertEqual(run(b"IN;DF;PU0,0;DF PU1,1;").errors, [])

    def test_unknown_mnemonics_only_fail_strict(self):
        self.assertEqual(run(b"IN;CI100;PU0,0;").errors, [])
        self.assertEqual(len(run(b"IN;CI100;PU0,0;", strict=True).errors), 1)


class Labels(unittest.TestCase):
    def texts(self, data, strict=False):
        return [t for _, _, t in run(data, strict).labels]

    def test_terminator_followed_by_lb_continues_the_label(self):
        self.assertEqual(self.texts(b"IN;LBAB\x03LBCD\x03PU;"), [b"ABCD"])
        # Lower-case "lb" does not continue it.
        self.assertEqual(self.texts(b"IN;LBAB\x03lbCD\x03PU;"), [b"AB", b"CD"])

    def test_dt_sets_terminator_and_whether_it_is_printed(self):
        self.assertEqual(self.texts(b"IN;DT*,0;LBAB*PU;"), [b"AB*"])
        self.assertEqual(self.texts(b"IN;DT*;LBAB*PU;"), [b"AB"])
        self.assertEqual(self.texts(b"IN;DT*;DT;LBA*B\x03PU;"), [b"A*B"])
        # DT~ followed by a space: terminator ~, not printed, the space read as a separator.
        self.assertEqual(self.texts(b"in dt~ lbX~ pu;;"), [b"X"])

    def test_label_text_keeps_semicolons_letters_and_gbk(self):
        text = "前片;PD1,2,3".encode("gbk")
        s = run(b"IN;LB" + text + b"\x03PU;", strict=True)
        self.assertEqual([t for _, _, t in s.labels], [text])
        self.assertEqual(s.errors, [])

    def test_label_at_end_of_file_is_drawn_once(self):
        self.assertEqual(self.texts(b"IN;PU1,1;LBX\x03"), [b"X"])
        self.assertEqual(self.texts(b"IN;PU1,1;LBXYZ"), [b"XYZ"])

    def test_in_and_df_restore_the_terminator(self):
        self.assertEqual(self.texts(b"DT*;IN;LBA*B\x03PU;"), [b"A*B"])
        self.assertEqual(self.texts(b"DT*;DF;LBA*B\x03PU;"), [b"A*B"])

    def test_strict_wants_gb2312_pairs(self):
        self.assertEqual(len(run(b"IN;LBAB\xb0\x03PU;", strict=True).errors), 1)  # lone lead byte
        # GBK beyond GB2312: the lead byte has no glyph, its trail byte reads as "@".
        self.assertEqual(len(run(b"IN;LB\x81\x40\x03PU;", strict=True).errors), 1)
        self.assertEqual(run(b"IN;LB\xb0\xa1\r\n\xb0\xa1\x03PU;", strict=True).errors, [])
        self.assertEqual(len(run(b"IN;LB" + b"A" * 513 + b"\x03PU;", strict=True).errors), 1)


class Pages(unittest.TestCase):
    def test_pg_and_fr_advance(self):
        self.assertEqual(run(b"IN;PU0,0;PD1,1;PG;PU0,0;PD1,1;FR;").pages, 3)

    def test_bounds_are_per_frame(self):
        s = run(b"IN;PU0,0;PD100,50;PG;PU0,0;PD100,50;", max_x=100, max_y=50)
        self.assertEqual(s.errors, [])
        s = run(b"IN;PU0,0;PD101,50;", max_x=100, max_y=50)
        self.assertEqual(len(s.errors), 1)


class SampleFiles(unittest.TestCase):
    EXPECTED = {  # file: (pages, closed outlines, labels)
        "small_labels.plt": (1, 4, 10),
        "cad_quirks.plt": (2, 5, 6),
        "two_frames.plt": (2, 5, 10),
    }

    def test_examples_are_in_the_subset(self):
        for name, (pages, closed, labels) in self.EXPECTED.items():
            with self.subTest(name):
                with open(os.path.join(EXAMPLES, name), "rb") as f:
                    s = run(f.read(), strict=True, max_x=2000 * 40, max_y=1000 * 40)
                self.assertEqual(s.errors, [])
                self.assertEqual(s.pages, pages)
                self.assertEqual(len(s.closed_paths()), closed)
                self.assertEqual(len(s.labels), labels)

    def test_command_line_exit_status(self):
        with tempfile.TemporaryDirectory() as d:
            bad = os.path.join(d, "bad.plt")
            with open(bad, "wb") as f:
                f.write(b"IN;PU0,0;PD10,20,30;")
            good = os.path.join(EXAMPLES, "two_frames.plt")
            script = os.path.join(HERE, "plt_check.py")
            call = lambda *a: subprocess.run([sys.executable, script, *a],
                                             capture_output=True).returncode
            self.assertEqual(call(good, "--strict", "--expect-pages", "2"), 0)
            self.assertEqual(call(good, "--expect-pages", "1"), 1)
            self.assertEqual(call(bad), 1)


if __name__ == "__main__":
    unittest.main()
