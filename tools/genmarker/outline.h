#pragma once

#include "geometry.h"

#include <vector>

namespace genmarker {

// One edge of a pattern piece: a straight line or a cubic Bezier curve. Notches are given by
// the curve parameter (for a line: the fraction of its length) where they sit.
struct Segment {
    bool curved = false;
    Vec2 p0, c1, c2, p1;
    std::vector<double> notches;
};

// A closed sew line, drawn edge by edge the way a pattern maker describes it.
class Outline {
public:
    explicit Outline(Vec2 start) : m_start(start), m_current(start) {}

    Outline& lineTo(Vec2 p, std::vector<double> notches = {});
    Outline& curveTo(Vec2 c1, Vec2 c2, Vec2 p, std::vector<double> notches = {});
    // Completes a half drawn from a point on the X axis to another point on it with its mirror
    // image (y -> -y): symmetric pieces and pieces cut on the fold are drawn as halves.
    Outline& mirrorAcrossXAxis();
    // Straight edge back to the start, if the outline is not closed yet.
    Outline& close(std::vector<double> notches = {});

    const std::vector<Segment>& segments() const { return m_segments; }

private:
    Vec2 m_start;
    Vec2 m_current;
    std::vector<Segment> m_segments;
};

struct PathNode {
    Vec2 p;
    bool notch = false;
};

// A closed polyline; the first node is not repeated at the end.
using Path = std::vector<PathNode>;

// Samples the outline counter-clockwise: a straight edge by its end points only, a curve every
// `spacing` mm of arc length, as pattern CAD flattens curves; every notch becomes a node.
Path flatten(const Outline& outline, double spacing);

// The cut line around a sew line: every node moved `distance` mm outward. Corners get a mitre,
// corners sharper than 60 degrees a bevel so that the allowance never grows into a spike.
Path offsetOutward(const Path& sew, double distance);

// Closed point list (first point repeated last) in which every notch node became a V notch
// cut `depth` mm into the piece, `halfWidth` mm to either side of the node.
std::vector<Vec2> withNotches(const Path& line, double depth, double halfWidth);

// Closed point list (first point repeated last) of the nodes as they are.
std::vector<Vec2> closedPoints(const Path& line);

// Shoelace area; positive for a counter-clockwise polygon.
double signedArea(const std::vector<Vec2>& polygon);

} // namespace genmarker
