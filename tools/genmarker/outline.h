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
    // A gently shaped seam: a curve to `p` that stands `bow` mm off the straight line, to the
    // left of the direction of travel for a positive `bow` (a waist suppression, a hip curve).
    Outline& bowTo(Vec2 p, double bow, std::vector<double> notches = {});
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

// How finely curves are turned into points: the chord between two points may stray at most
// `tolerance` mm from the curve, and no two points are further apart than `maxStep` mm.
struct Sampling {
    double tolerance = 0.05;
    double maxStep = 5;
};

// Samples the outline counter-clockwise, as pattern CAD flattens its curves: a straight edge by
// its end points only, a curve densely where it bends and sparsely where it is nearly straight.
// Every notch becomes a node.
Path flatten(const Outline& outline, Sampling sampling);

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
