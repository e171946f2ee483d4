#pragma once

#include "geometry.h"

#include <optional>
#include <vector>

namespace genmarker {

// How far a piece reaches along the marker (X) within each strip of the marker's width (Y).
// Strips without any part of the piece have lo > hi.
struct Profile {
    std::vector<double> lo;
    std::vector<double> hi;
};

// Profile of a closed polygon whose bounding box starts at (0, 0), `gap` mm added on every side
// so that neighbouring pieces never touch. Strip k covers y from (k - pad) * bin to
// (k - pad + 1) * bin, pad = ceil(gap / bin).
Profile makeProfile(const std::vector<Vec2>& polygon, double bin, double gap);
int profilePad(double bin, double gap);

// The marker's free front: for every strip across the width, how far along the length it is
// used. Pieces are pushed against the front from the far side, which nests a sleeve cap into the
// hollow of an armhole without any polygon clipping.
class Skyline {
public:
    Skyline(double widthMm, double lengthMm, double marginMm, double binMm);

    struct Spot {
        double x = 0; // where the profile's X origin goes
        int strip = 0; // first marker strip covered by profile strip 0
    };

    // Leftmost spot (then lowest strip) where the piece fits inside the marker, if any.
    std::optional<Spot> find(const Profile& p) const;
    void occupy(const Profile& p, Spot at);

    // Y of the lower edge of a marker strip.
    double stripY(int strip) const { return m_margin + strip * m_bin; }
    double bin() const { return m_bin; }

private:
    double m_length;
    double m_margin;
    double m_bin;
    std::vector<double> m_front;
};

} // namespace genmarker
