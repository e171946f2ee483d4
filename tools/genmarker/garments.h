#pragma once

#include "geometry.h"
#include "outline.h"
#include "rng.h"

#include <string>
#include <vector>

namespace genmarker {

// One pattern piece of a garment in one size. Pattern space: millimetres, X along the grain
// (the garment's length, which runs along the marker), Y across it.
struct PatternPiece {
    std::string code;      // ASCII name printed on the piece, e.g. "FRONT"
    std::string nameGbk;   // Chinese name as GBK bytes
    Outline sew;           // the sew line; the cut line lies `allowance` mm outside it
    double allowance = 10;
    int count = 1;         // pieces to cut
    bool mirrorPairs = false; // cut as left/right pairs: every second copy is mirrored
    Vec2 labelAt;          // a point well inside the piece where the text is centred
    std::vector<Vec2> drills; // drill holes (pocket and dart positions)
};

struct Garment {
    std::string style;     // style number, e.g. "2026-001"
    std::string size;      // size label, e.g. "M" or "110"
    std::vector<PatternPiece> pieces;
};

// Number of garment styles in the catalogue.
int styleCount();

// A garment of the given style in a size drawn from `rng`.
Garment makeGarment(int style, Rng& rng);

// A style drawn with the mix of a typical cutting order (shirts and children's wear mostly).
int drawStyle(Rng& rng);

} // namespace genmarker
