#!/usr/bin/env python3
"""Checks that an HP-GL file stays inside the subset VexaGrid reads, and summarises it.

An independent model of the import tokeniser: the same two states ("name" and "parameters"),
the same escape, label, terminator and end-of-file rules. It does not draw labels; it counts
what a file holds and refuses what the import would refuse:

  * a size outside 10 .. 8,000,000 bytes,
  * PD (or PA with the pen down) with an odd number of parameters,
  * DF followed by a number.

With --strict it also refuses what is legal but not intended in our sample data: mnemonics
outside the subset, number tokens the C library would only read in part (such as 5-3), label
bytes that are not printable ASCII or GB2312 pairs, labels longer than the 512 bytes drawn, and
(with --max-x-mm/--max-y-mm) coordinates outside the paper.

    plt_check.py FILE [--strict] [--max-x-mm N] [--max-y-mm N] [--expect-pages N]
                      [--min-closed N] [--min-bytes N] [--max-bytes N]

Exit status 0 when the file passes, 1 when it does not, 2 for wrong usage.
"""

import argparse
import math
import re
import sys

MIN_FILE_SIZE = 10
MAX_FILE_SIZE = 8_000_000
LABEL_LINE_MAX = 512
UNITS_PER_MM = 40
SUBSET = {"PU", "PD", "PA", "PG", "FR", "LT", "SP", "LO", "SI", "DI", "DR", "LB", "DT", "DF", "IN"}

ESC, ETX, SEMI = 0x1B, 0x03, ord(";")
NUMBER_CHARS = frozenset(b"0123456789.-+")
NUMBER_RUN = re.compile(rb"[0-9.+\-]+")
STRTOD_PREFIX = re.compile(rb"[+-]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)")


def is_letter(b):
    return 0x41 <= b <= 0x5A or 0x61 <= b <= 0x7A


def strtod(token):
    """What the C library's text-to-double conversion makes of a run of number characters."""
    m = STRTOD_PREFIX.match(token)
    return float(m.group(0)) if m else 0.0


def round_half_up(v):
    if abs(v) > 5e75:
        return 1
    return math.floor(v + 0.5)


class CheckError(Exception):
    pass


class Summary:
    def __init__(self):
        self.instructions = {}
        self.pages = 1
        self.paths = []          # pen-down paths, joined where the import joins them
        self.labels = []         # (x, y, text bytes) in frame coordinates
        self.errors = []
        self.warnings = []

    def closed_paths(self):
        return [p for p in self.paths if len(p) >= 4 and p[0] == p[-1]]


class Reader:
    def __init__(self, data, strict=False, max_x=None, max_y=None):
        self.data = data
        self.strict = strict
        self.max_x = max_x
        self.max_y = max_y
        self.s = Summary()
        self.pen = (0, 0)
        self.pen_down = False
        self.terminator = ETX
        self.terminator_mode = 1
        self.path = None

    # ------------------------------------------------------------------ reporting

    def error(self, offset, text):
        self.s.errors.append("byte %d: %s" % (offset, text))

    def refuse(self, offset, text):
        """A fault the import itself would stop at."""
        self.error(offset, text)
        raise CheckError(text)

    # ------------------------------------------------------------------ tokeniser

    def run(self):
        data, n = self.data, len(self.data)
        if not MIN_FILE_SIZE <= n <= MAX_FILE_SIZE:
            self.error(0, "file size %d outside %d..%d bytes" % (n, MIN_FILE_SIZE, MAX_FILE_SIZE))
            return self.s
        try:
            self._tokenise(data, n)
        except CheckError:
            pass
        self._end_path()
        return self.s

    def _tokenise(self, data, n):
        pending = None      # first letter of a mnemonic
        mnemonic = None     # instruction being read (parameters state), None in the name state
        executed = True
        params = []
        label = bytearray()
        dt_state = 0        # 0 first byte, 1 terminator read, 2 comma read
        start = 0
        i = 0
        while i < n:
            b = data[i]
            if mnemonic is None:
                if is_letter(b):
                    if pending is None:
                        pending, start = chr(b).upper(), i
                    else:
                        mnemonic, executed, params = pending + chr(b).upper(), False, []
                        pending, dt_state = None, 0
                        label = bytearray()
                        self.s.instructions[mnemonic] = self.s.instructions.get(mnemonic, 0) + 1
                        if self.strict and mnemonic not in SUBSET:
                            self.error(start, "instruction %s is not in the subset" % mnemonic)
                    i += 1
                elif pending is not None:
                    pending = None
                    i += 1
                elif b == ESC:
                    i += 5
                else:
                    i += 1
                continue

            if mnemonic == "DF":
                if b == SEMI or is_letter(b):
                    self._execute(mnemonic, params, label, start)
                    mnemonic, executed = None, True
                    if b == SEMI:
                        i += 1
                elif b in NUMBER_CHARS:
                    self.refuse(i, "a number after DF")
                else:
                    i += 1
                continue

            if mnemonic == "LB":
                if b == self.terminator:
                    if data[i + 1:i + 3] == b"LB":
                        i += 3
                        continue
                    if self.terminator_mode == 0:
                        label.append(b)
                    self._execute(mnemonic, params, label, start)
                    mnemonic, executed = None, True
                else:
                    label.append(b)
                i += 1
                continue

            if mnemonic == "DT":
                if dt_state == 0:
                    if b == SEMI:
                        self.terminator, self.terminator_mode = ETX, 1
                        mnemonic, executed = None, True
                    elif b in (0x00, 0x05, ESC):
                        mnemonic, executed = None, True
                    else:
                        self.terminator, dt_state = b, 1
                    i += 1
                elif dt_state == 1 and b == ord(","):
                    dt_state = 2
                    i += 1
                elif dt_state == 2 and b in b"01":
                    self.terminator_mode = b - 0x30
                    mnemonic, executed = None, True
                    i += 1
                else:
                    self.terminator_mode = 1
                    mnemonic, executed = None, True    # the byte is read again in the name state
                continue

            # Numbers.
            if b in NUMBER_CHARS:
                m = NUMBER_RUN.match(data, i)
                token = m.group(0)
                if self.strict and STRTOD_PREFIX.fullmatch(token) is None:
                    self.error(i, "number %r would be read only in part" % token.decode())
                params.append(strtod(token))
                i = m.end()
                continue
            if b == SEMI or is_letter(b) or b == ESC:
                self._execute(mnemonic, params, label, start)
                mnemonic, executed = None, True
                if b == SEMI:
                    i += 1
                elif b == ESC:
                    i += 5
                continue
            i += 1

        if mnemonic is not None and not executed:
            self._execute(mnemonic, params, label, start)

    # ------------------------------------------------------------------ execution

    def _check_point(self, offset, p):
        if self.max_x is None and self.max_y is None:
            return
        x_ok = self.max_x is None or 0 <= p[0] <= self.max_x
        y_ok = self.max_y is None or 0 <= p[1] <= self.max_y
        if not (x_ok and y_ok):
            self.error(offset, "point (%d, %d) outside the paper" % p)

    def _end_path(self):
        if self.path:
            self.s.paths.append(self.path)
        self.path = None

    def _draw(self, offset, params, mnemonic):
        if len(params) % 2:
            self.refuse(offset, "%s with an odd number of parameters (%d)"
                        % (mnemonic, len(params)))
        pts = [(round_half_up(params[k]), round_half_up(params[k + 1]))
               for k in range(0, len(params), 2)]
        if self.path is None or self.path[-1] != self.pen:
            self._end_path()
            self.path = [self.pen]
        self.path.extend(pts)
        for p in pts:
            self._check_point(offset, p)
        self.pen = pts[-1]

    def _move(self, offset, params):
        self.pen = (round_half_up(params[-2]), round_half_up(params[-1]))
        self._check_point(offset, self.pen)

    def _execute(self, mnemonic, params, label, offset):
        if mnemonic == "PU":
            self.pen_down = False
            if len(params) >= 2:
                self._move(offset, params)
        elif mnemonic == "PD":
            self.pen_down = True
            if params:
                self._draw(offset, params, "PD")
        elif mnemonic == "PA":
            if len(params) >= 2:
                if self.pen_down:
                    self._draw(offset, params, "PA with the pen down")
                else:
                    self._move(offset, params)
        elif mnemonic in ("PG", "FR"):
            self._end_path()
            self.s.pages += 1
        elif mnemonic == "LB":
            self._end_path()
            self._check_label(offset, bytes(label))
            self.s.labels.append((self.pen[0], self.pen[1], bytes(label)))
        elif mnemonic in ("DF", "IN"):
            self.terminator, self.terminator_mode = ETX, 1
            if mnemonic == "IN":
                self.pen, self.pen_down = (0, 0), False

    def _check_label(self, offset, text):
        if not self.strict:
            return
        if len(text) > LABEL_LINE_MAX:
            self.error(offset, "label of %d bytes; only %d are drawn" % (len(text), LABEL_LINE_MAX))
        for line in re.split(rb"[\r\n]", text[:LABEL_LINE_MAX]):
            k = 0
            while k < len(line):
                b = line[k]
                if b < 0x80:
                    if b < 0x20 or b == 0x7F:
                        self.error(offset, "control byte 0x%02X in a label" % b)
                    k += 1
                    continue
                if (k + 1 < len(line) and 0xA1 <= b <= 0xF7 and 0xA1 <= line[k + 1] <= 0xFE):
                    k += 2
                    continue
                self.error(offset, "label byte 0x%02X is not part of a GB2312 pair" % b)
                k += 1


def check(data, strict=False, max_x=None, max_y=None):
    return Reader(data, strict, max_x, max_y).run()


def main(argv=None):
    ap = argparse.ArgumentParser(description="Check an HP-GL file against the subset we read.")
    ap.add_argument("file")
    ap.add_argument("--strict", action="store_true")
    ap.add_argument("--max-x-mm", type=float)
    ap.add_argument("--max-y-mm", type=float)
    ap.add_argument("--expect-pages", type=int)
    ap.add_argument("--min-closed", type=int)
    ap.add_argument("--min-bytes", type=int)
    ap.add_argument("--max-bytes", type=int)
    args = ap.parse_args(argv)

    with open(args.file, "rb") as f:
        data = f.read()
    to_units = lambda mm: None if mm is None else round(mm * UNITS_PER_MM)
    s = check(data, args.strict, to_units(args.max_x_mm), to_units(args.max_y_mm))

    problems = list(s.errors)
    closed = s.closed_paths()
    if args.expect_pages is not None and s.pages != args.expect_pages:
        problems.append("%d pages, expected %d" % (s.pages, args.expect_pages))
    if args.min_closed is not None and len(closed) < args.min_closed:
        problems.append("%d closed outlines, expected at least %d" % (len(closed), args.min_closed))
    if args.min_bytes is not None and len(data) < args.min_bytes:
        problems.append("%d bytes, expected at least %d" % (len(data), args.min_bytes))
    if args.max_bytes is not None and len(data) > args.max_bytes:
        problems.append("%d bytes, expected at most %d" % (len(data), args.max_bytes))

    sizes = sorted(len(p) for p in closed)
    print("%s: %d bytes, %d page(s), %d paths, %d closed outlines, %d labels"
          % (args.file, len(data), s.pages, len(s.paths), len(closed), len(s.labels)))
    if sizes:
        print("closed outline points: min %d, median %d, max %d, total %d"
              % (sizes[0], sizes[len(sizes) // 2], sizes[-1], sum(sizes)))
    print("instructions: " + " ".join("%s %d" % kv for kv in sorted(s.instructions.items())))
    for p in problems[:50]:
        print("FAIL " + p)
    if len(problems) > 50:
        print("FAIL ... and %d more" % (len(problems) - 50))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
