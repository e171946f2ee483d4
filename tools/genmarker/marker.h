#pragma once

#include "garments.h"
#include "geometry.h"

#include <cstdint>
#include <vector>

namespace genmarker {

struct MarkerOptions {
    double lengthMm = 20000;
    double widthMm = 2000;
    std::uint64_t seed = 2026;
};

// One cut piece on the marker: a pattern piece, possibly mirrored (the other half of a
// left/right pair) and turned by 180 degrees (which keeps the grain along the length).
struct Placement {
    int garment = 0;
    int piece = 0;
    bool mirrored = false;
    bool turned = false;
    Vec2 offset; // where the pattern origin lands after mirroring and turning, in mm
};

inline Vec2 toMarker(const Placement& at, Vec2 local)
{
    Vec2 q = local;
    if (at.mirrored)
        q.y = -q.y;
    if (at.turned)
        q = {-q.x, -q.y};
    return q + at.offset;
}

struct Marker {
    MarkerOptions options;
    std::vector<Garment> garments;
    std::vector<Placement> placements; // in plotting order: along the length
};

// Fills the marker with whole garments, drawn from the seeded generator, until no further
// garment fits into its length.
Marker layOutMarker(const MarkerOptions& options);

// Drops the garment laid out last (for a file that would grow beyond its size budget).
void dropLastGarment(Marker& marker);

} // namespace genmarker
