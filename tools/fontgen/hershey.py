"""Reader for Hershey fonts in the James Hurt ".jhf" text format.

Each glyph record is: a 5-column glyph number, a 3-column count of coordinate pairs, then that many pairs of
characters.  A coordinate is the character's code minus ord('R').  The first pair holds the glyph's left and
right bounds (the advance box), the rest are stroke points; the pair " R" lifts the pen.  x is measured from
the glyph centre and y grows downward.  A record may be wrapped over several lines.
"""

from dataclasses import dataclass, field

PEN_UP = " R"


@dataclass
class HersheyGlyph:
    number: int
    left: int
    right: int
    strokes: list = field(default_factory=list)  # list of lists of (x, y), y down

    @property
    def width(self):
        return self.right - self.left


def _coord(ch):
    return ord(ch) - ord("R")


def parse_record(record):
    """Parses one unwrapped record (without line breaks)."""
    if len(record) < 8:
        raise ValueError("short Hershey record: %r" % record)
    number_text = record[0:5].strip()
    number = int(number_text) if number_text else 0
    count = int(record[5:8])
    pairs_text = record[8:]
    if count < 1 or len(pairs_text) < 2 * count:
        raise ValueError("Hershey record %s: %d pairs announced, %d characters present"
                         % (number_text, count, len(pairs_text)))
    pairs = [pairs_text[2 * i:2 * i + 2] for i in range(count)]
    left, right = _coord(pairs[0][0]), _coord(pairs[0][1])
    strokes, current = [], []
    for pair in pairs[1:]:
        if pair == PEN_UP:
            if current:
                strokes.append(current)
            current = []
        else:
            current.append((_coord(pair[0]), _coord(pair[1])))
    if current:
        strokes.append(current)
    return HersheyGlyph(number, left, right, strokes)


def parse_jhf(text):
    """Parses a whole .jhf file into a list of glyphs in file order."""
    glyphs = []
    lines = text.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.strip():
            continue
        count = int(line[5:8])
        record = line
        # Continuation lines carry the rest of a wrapped record.
        while len(record) - 8 < 2 * count and i < len(lines):
            record += lines[i]
            i += 1
        glyphs.append(parse_record(record[:8 + 2 * count]))
    return glyphs


def load_jhf(path):
    with open(path, "r", encoding="latin-1") as f:
        return parse_jhf(f.read())
