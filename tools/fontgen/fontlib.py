"""Stroke font files of VexaGrid: stream encoding, file layout, a reference interpreter and a checker.

Glyph coordinates are integer glyph units, x to the right and y up, with (0, 0) at the baseline-left of the
character cell.  The renderer multiplies glyph units by k (the Latin font's k is the CJK cell size, the CJK
font's k is the Latin cell height), so both kinds of cell are the same size in common units.

Stream commands:
    0            nothing
    1            pen down
    2            pen up
    3, 4  b      one operand byte, skipped
    8     dx dy  move by (dx * k, dy * k), dx and dy signed bytes
    9     pairs  moves (dx * k, dy * k) until the pair (0, 0)
    14           skip the next command 8, 9 or vector
    15-255       vector: length L = (byte >> 4) * k, direction byte & 15 (see DIRECTIONS)
Every glyph starts at (0, 0) with the pen DOWN, so a stream starts with a pen up before its first move.

The generator only writes 0, 1, 2, 8 and vectors (ALLOWED_COMMANDS); the interpreter understands them all.
"""

import math
import struct

# Latin file header values: the cell is EN_BELOW + EN_ABOVE glyph units high; EN_THIRD is stored, not used.
EN_BELOW = 4
EN_ABOVE = 22
EN_THIRD = 7
EN_CELL = EN_BELOW + EN_ABOVE  # 26
# CJK file header values: a square cell of HZ_GRID glyph units.
HZ_GRID = 64

CMD_NOP, CMD_PEN_DOWN, CMD_PEN_UP, CMD_MOVE = 0, 1, 2, 8
CMD_SKIP_OPERAND_3, CMD_SKIP_OPERAND_4, CMD_MOVES, CMD_SKIP_NEXT = 3, 4, 9, 14
ALLOWED_COMMANDS = frozenset((CMD_NOP, CMD_PEN_DOWN, CMD_PEN_UP, CMD_MOVE))
MAX_VECTOR = 15
MAX_MOVE = 127

# Direction -> (x of L, x of half, y of L, y of half): step = (fx_l*L + fx_h*half, fy_l*L + fy_h*half).
DIRECTIONS = {
    0: (1, 0, 0, 0), 1: (1, 0, 0, 1), 2: (1, 0, 1, 0), 3: (0, 1, 1, 0),
    4: (0, 0, 1, 0), 5: (0, -1, 1, 0), 6: (-1, 0, 1, 0), 7: (-1, 0, 0, 1),
    8: (-1, 0, 0, 0), 9: (-1, 0, 0, -1), 10: (-1, 0, -1, 0), 11: (0, -1, -1, 0),
    12: (0, 0, -1, 0), 13: (0, 1, -1, 0), 14: (1, 0, -1, 0), 15: (1, 0, 0, -1),
}
HALF_DIRECTIONS = frozenset(d for d in DIRECTIONS if d % 2 == 1)


def vector_step(direction, length):
    """The step of a vector of the given length (common units), as the renderer computes it."""
    half = length >> 1
    fxl, fxh, fyl, fyh = DIRECTIONS[direction]
    return fxl * length + fxh * half, fyl * length + fyh * half


# ---------------------------------------------------------------------------------------------- encoding

def _signed_byte(v):
    if not -128 <= v <= 127:
        raise ValueError("move operand out of range: %d" % v)
    return v & 0xFF


def vector_byte(dx, dy):
    """The vector byte drawing exactly (dx, dy) glyph units, or None.

    Half directions are used only with an even n, so that half is a whole number of glyph units whatever k.
    """
    n = max(abs(dx), abs(dy))
    if not 1 <= n <= MAX_VECTOR:
        return None
    for direction in range(16):
        if direction in HALF_DIRECTIONS and n % 2:
            continue
        if vector_step(direction, n) == (dx, dy):
            return (n << 4) | direction
    return None


def move_bytes(dx, dy):
    """Command 8 moves for (dx, dy) glyph units, split into pieces within +-127 along the straight line."""
    pieces = max(1, math.ceil(max(abs(dx), abs(dy)) / MAX_MOVE))
    out = bytearray()
    done_x = done_y = 0
    for i in range(1, pieces + 1):
        # Intermediate points are rounded onto the line; the last one lands exactly on (dx, dy).
        tx = dx * i // pieces if i < pieces else dx
        ty = dy * i // pieces if i < pieces else dy
        out += bytes((CMD_MOVE, _signed_byte(tx - done_x), _signed_byte(ty - done_y)))
        done_x, done_y = tx, ty
    return bytes(out)


def segment_bytes(dx, dy):
    """One pen-down segment: a vector byte where one fits, else a move."""
    if dx == 0 and dy == 0:
        return b""
    v = vector_byte(dx, dy)
    if v is not None:
        return bytes((v,))
    return move_bytes(dx, dy)


def clean_stroke(points):
    """Drops repeated points (zero-length segments)."""
    out = []
    for p in points:
        if p[0] != int(p[0]) or p[1] != int(p[1]):
            raise ValueError("stroke point %r is not on the grid" % (p,))
        p = (int(p[0]), int(p[1]))
        if not out or out[-1] != p:
            out.append(p)
    return out


def encode_glyph(strokes):
    """Encodes strokes (lists of integer (x, y) points, glyph units) as a stroke stream.

    Per stroke: pen up, a move from the current point to its first point, pen down, then one vector or move
    per segment.  Strokes without a segment are left out.  The current point starts at (0, 0).
    """
    out = bytearray()
    cx = cy = 0
    for stroke in strokes:
        pts = clean_stroke(stroke)
        if len(pts) < 2:
            continue
        out.append(CMD_PEN_UP)
        out += move_bytes(pts[0][0] - cx, pts[0][1] - cy) if pts[0] != (cx, cy) else b""
        out.append(CMD_PEN_DOWN)
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            out += segment_bytes(x1 - x0, y1 - y0)
        cx, cy = pts[-1]
    return bytes(out)


# ---------------------------------------------------------------------------------------------- file layout

class Entry:
    """One index entry: code, stroke stream and (Latin only) advance width in glyph units."""

    def __init__(self, code, stream, width=0):
        self.code = code
        self.stream = bytes(stream)
        self.width = width

    def __repr__(self):
        return "Entry(0x%04X, %d bytes, width %d)" % (self.code, len(self.stream), self.width)


def _check_entries(entries):
    codes = [e.code for e in entries]
    if len(set(codes)) != len(codes):
        raise ValueError("duplicate codes")
    for e in entries:
        if not 0 <= e.code <= 0xFFFF or len(e.stream) > 0xFFFF:
            raise ValueError("entry out of range: %r" % e)


def build_latin(entries, below=EN_BELOW, above=EN_ABOVE, third=EN_THIRD):
    """The Latin file: header (2+2+2+4 bytes), 10-byte entries sorted by code, then the streams."""
    _check_entries(entries)
    entries = sorted(entries, key=lambda e: e.code)
    header = struct.pack("<HHHI", below, above, third, len(entries))
    offset = len(header) + 10 * len(entries)
    index, streams = bytearray(), bytearray()
    for e in entries:
        index += struct.pack("<HHHI", e.code, len(e.stream), e.width, offset + len(streams))
        streams += e.stream
    return header + bytes(index) + bytes(streams)


def build_cjk(entries, grid=HZ_GRID):
    """The CJK file: header (2+2+4 bytes), 8-byte entries sorted by code, then the streams."""
    _check_entries(entries)
    entries = sorted(entries, key=lambda e: e.code)
    header = struct.pack("<HHI", grid, grid, len(entries))
    offset = len(header) + 8 * len(entries)
    index, streams = bytearray(), bytearray()
    for e in entries:
        index += struct.pack("<HHI", e.code, len(e.stream), offset + len(streams))
        streams += e.stream
    return header + bytes(index) + bytes(streams)


class FontFile:
    """A parsed font file: kind ('en' or 'hz'), header values and entries as (code, length, width, offset)."""

    def __init__(self, kind, data):
        self.kind = kind
        self.data = data
        if kind == "en":
            if len(data) < 10:
                raise ValueError("Latin font shorter than its header")
            self.header = struct.unpack_from("<HHH", data, 0)
            count = struct.unpack_from("<I", data, 6)[0]
            if 10 + 10 * count > len(data):
                raise ValueError("Latin index of %d entries runs past the end of the file" % count)
            self.entries = [struct.unpack_from("<HHHI", data, 10 + 10 * i) for i in range(count)]
        elif kind == "hz":
            if len(data) < 8:
                raise ValueError("CJK font shorter than its header")
            self.header = struct.unpack_from("<HH", data, 0)
            count = struct.unpack_from("<I", data, 4)[0]
            if 8 + 8 * count > len(data):
                raise ValueError("CJK index of %d entries runs past the end of the file" % count)
            self.entries = []
            for i in range(count):
                code, length, offset = struct.unpack_from("<HHI", data, 8 + 8 * i)
                self.entries.append((code, length, 0, offset))
        else:
            raise ValueError("unknown font kind %r" % kind)
        self._by_code = {e[0]: e for e in self.entries}

    @property
    def index_end(self):
        return (10 + 10 * len(self.entries)) if self.kind == "en" else (8 + 8 * len(self.entries))

    def lookup(self, code):
        return self._by_code.get(code)

    def stream(self, code):
        e = self._by_code.get(code)
        if e is None:
            return None
        return self.data[e[3]:e[3] + e[1]]


def load_font(path, kind):
    with open(path, "rb") as f:
        return FontFile(kind, f.read())


# ---------------------------------------------------------------------------------------------- checking

def parse_commands(stream):
    """Splits a stream into (offset, command byte, operand bytes); raises ValueError on a cut command."""
    out, i = [], 0
    while i < len(stream):
        b = stream[i]
        if b in (CMD_SKIP_OPERAND_3, CMD_SKIP_OPERAND_4):
            size = 2
        elif b == CMD_MOVE:
            size = 3
        elif b == CMD_MOVES:
            j = i + 1
            while True:
                if j + 2 > len(stream):
                    raise ValueError("command 9 at %d has no (0, 0) end" % i)
                pair = stream[j:j + 2]
                j += 2
                if pair == b"\0\0":
                    break
            size = j - i
        else:
            size = 1
        if i + size > len(stream):
            raise ValueError("command %d at %d is cut off by the end of the stream" % (b, i))
        out.append((i, b, stream[i + 1:i + size]))
        i += size
    return out


def stream_problems(stream):
    """What is wrong with a stream as this generator writes them (empty list: nothing)."""
    problems = []
    try:
        commands = parse_commands(stream)
    except ValueError as e:
        return [str(e)]
    if commands and commands[0][1] != CMD_PEN_UP:
        problems.append("does not start with a pen up")
    for offset, b, _ in commands:
        if b < 16 and b not in ALLOWED_COMMANDS:
            problems.append("byte %d at %d is not an allowed command" % (b, offset))
        elif b >= 16 and (b & 15) in HALF_DIRECTIONS and (b >> 4) % 2:
            problems.append("half-direction vector 0x%02X at %d has an odd length" % (b, offset))
    return problems


def check_font(font):
    """Checks a parsed font; returns a list of problems (empty: the font is fine)."""
    problems = []
    codes = [e[0] for e in font.entries]
    for a, b in zip(codes, codes[1:]):
        if b <= a:
            problems.append("codes not sorted and unique: 0x%04X then 0x%04X" % (a, b))
    if font.kind == "en" and font.entries and font.entries[0][2] == 0:
        problems.append("first Latin entry (the fallback advance) has width 0")
    for code, length, width, offset in font.entries:
        if offset < font.index_end or offset + length > len(font.data):
            problems.append("0x%04X: stream %d+%d outside the stream area (%d..%d)"
                            % (code, offset, length, font.index_end, len(font.data)))
            continue
        for p in stream_problems(font.data[offset:offset + length]):
            problems.append("0x%04X: %s" % (code, p))
    return problems


# ---------------------------------------------------------------------------------------------- interpreter

def interpret(stream, k, start=(0, 0)):
    """Runs a stream as the renderer does; returns the drawn paths as lists of points in common units.

    The glyph starts at `start` with the pen down.  A new path starts at every pen-down move that does not
    continue from the last drawn point.
    """
    paths = []
    x, y = start
    pen_down = True
    skip = False
    last = None  # end of the last drawn segment; None after a pen-up move

    def go(nx, ny):
        nonlocal x, y, last
        if pen_down:
            if last != (x, y):
                paths.append([(x, y)])
            paths[-1].append((nx, ny))
            last = (nx, ny)
        else:
            last = None
        x, y = nx, ny

    def sb(v):
        return v - 256 if v > 127 else v

    for _, b, ops in parse_commands(stream):
        if b == CMD_NOP:
            continue
        if b == CMD_PEN_DOWN:
            pen_down = True
        elif b == CMD_PEN_UP:
            pen_down = False
        elif b in (CMD_SKIP_OPERAND_3, CMD_SKIP_OPERAND_4):
            skip = False
        elif b == CMD_SKIP_NEXT:
            skip = True
        elif b in (5, 6, 7, 10, 11, 12, 13):
            continue  # not part of the format
        elif skip:
            skip = False  # the skipped move or vector
        elif b == CMD_MOVE:
            go(x + sb(ops[0]) * k, y + sb(ops[1]) * k)
        elif b == CMD_MOVES:
            for i in range(0, len(ops) - 2, 2):
                go(x + sb(ops[i]) * k, y + sb(ops[i + 1]) * k)
        else:
            length = ((b >> 4) * k) % 65536
            dx, dy = vector_step(b & 15, length)
            go(x + dx, y + dy)
    return paths


def round_half_away(v):
    return int(v - 0.5) if v < 0 else int(v + 0.5)


def to_plotter(paths, ref_x, ref_y, cell_units, char_height_cm, direction_deg=0.0):
    """Maps common-unit paths to plotter units with the cell top at the reference point."""
    s = cell_units / (char_height_cm * 400)
    t = direction_deg * 3.14159265359 / 180
    c, sn = math.cos(t), math.sin(t)
    out = []
    for path in paths:
        out.append([(ref_x + round_half_away((gx * c - (gy - cell_units) * sn) / s),
                     ref_y + round_half_away((gx * sn + (gy - cell_units) * c) / s)) for gx, gy in path])
    return out


def layout_line(en, hz, text):
    """Lays out GB2312-encoded bytes as one label line; returns [(stream or None, advance before, k)].

    Follows the renderer: bytes below 0x80 (and a last byte) are Latin, other bytes pair up as CJK codes;
    a missing or empty glyph advances by the first Latin entry's width (Latin) or one cell (CJK).
    """
    en_cell = en.header[0] + en.header[1]
    hz_k, en_k = en_cell, hz.header[1]
    out, advance, i = [], 0, 0
    while i < len(text):
        if text[i] < 0x80 or i == len(text) - 1:
            e = en.lookup(text[i])
            i += 1
            if e and e[1]:
                out.append((en.data[e[3]:e[3] + e[1]], advance, en_k))
                advance += e[2] * en_k
            else:
                advance += en.entries[0][2] * en_k
        else:
            e = hz.lookup(text[i] * 256 + text[i + 1])
            i += 2
            if e and e[1]:
                out.append((hz.data[e[3]:e[3] + e[1]], advance, hz_k))
            advance += en_cell * hz.header[0]
    return out, advance
