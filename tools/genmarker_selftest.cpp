// Sanity checks of the marker generator: outline geometry, nesting without overlaps, the HP-GL
// it writes, determinism and the size budget. Plain checks, no test framework: the generator is
// a tool and links nothing but the standard library.

#include "genmarker/budget.h"
#include "genmarker/garments.h"
#include "genmarker/marker.h"
#include "genmarker/outline.h"
#include "genmarker/plt_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace genmarker;

namespace {

int g_failures = 0;

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            ++g_failures;                                                                          \
        }                                                                                          \
    } while (0)

bool near(Vec2 a, Vec2 b, double eps = 1e-9) { return length(a - b) <= eps; }

double distanceToSegment(Vec2 p, Vec2 a, Vec2 b)
{
    const Vec2 ab = b - a;
    const double len2 = dot(ab, ab);
    const double t = len2 > 0 ? std::clamp(dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    return length(p - (a + ab * t));
}

double distanceToPolyline(Vec2 p, const std::vector<Vec2>& line)
{
    double best = 1e300;
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
        best = std::min(best, distanceToSegment(p, line[i], line[i + 1]));
    return best;
}

bool segmentsCross(Vec2 a, Vec2 b, Vec2 c, Vec2 d)
{
    const double d1 = cross(b - a, c - a), d2 = cross(b - a, d - a);
    const double d3 = cross(d - c, a - c), d4 = cross(d - c, b - c);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// A closed polyline (first point repeated last) that never crosses itself.
bool isSimple(const std::vector<Vec2>& poly)
{
    const std::size_t n = poly.size() - 1;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1)
                continue; // neighbours across the closing point
            if (segmentsCross(poly[i], poly[i + 1], poly[j], poly[j + 1]))
                return false;
        }
    }
    return true;
}

bool inside(Vec2 p, const std::vector<Vec2>& poly)
{
    bool in = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        if ((poly[i].y > p.y) != (poly[j].y > p.y) &&
            p.x < (poly[j].x - poly[i].x) * (p.y - poly[i].y) / (poly[j].y - poly[i].y) + poly[i].x)
            in = !in;
    }
    return in;
}

std::size_t notchCount(const Path& p)
{
    return static_cast<std::size_t>(
        std::count_if(p.begin(), p.end(), [](const PathNode& n) { return n.notch; }));
}

void flattenClosesCounterClockwise()
{
    Outline square({0, 0}); // drawn clockwise
    square.lineTo({0, 100}).lineTo({100, 100}).lineTo({100, 0}).close({0.5});
    const Path p = flatten(square, {});
    CHECK(p.size() == 5); // four corners and one notch, the start not repeated
    CHECK(notchCount(p) == 1);
    CHECK(signedArea(closedPoints(p)) > 0);
    CHECK(!near(p.front().p, p.back().p));
}

void curvesMeetToleranceAndStep()
{
    // A quarter circle of radius 100 about (100, 0), closed by two straight edges.
    Outline quarter({0, 0});
    quarter.curveTo({0, 55.23}, {44.77, 100}, {100, 100}).lineTo({100, 0}).close();
    std::size_t previous = 0;
    for (double step : {5.0, 2.0, 0.5}) {
        const std::vector<Vec2> pts = closedPoints(flatten(quarter, {0.02, step}));
        CHECK(pts.size() > previous);
        previous = pts.size();
        for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
            const Vec2 a = pts[i], b = pts[i + 1];
            const bool onArc = length(a - Vec2{100, 0}) > 99 && length(b - Vec2{100, 0}) > 99;
            if (!onArc)
                continue;
            CHECK(length(b - a) <= step * 1.02);
            // Sagitta: how far the chord's middle falls inside the arc (plus the Bezier's own
            // 0.03 mm deviation from the circle).
            CHECK(100 - length((a + b) * 0.5 - Vec2{100, 0}) <= 0.02 * 1.2 + 0.03);
        }
    }
}

void mirroredHalfIsSymmetric()
{
    Outline half({0, 0});
    half.lineTo({0, 50}, {0.5}).curveTo({60, 50}, {100, 30}, {100, 0}).mirrorAcrossXAxis();
    const Path p = flatten(half, {0.05, 2});
    CHECK(notchCount(p) == 2);
    for (const PathNode& n : p) {
        const Vec2 image{n.p.x, -n.p.y};
        CHECK(std::any_of(p.begin(), p.end(),
                          [&](const PathNode& m) { return near(m.p, image, 1e-6); }));
    }
}

void notchIsCutInward()
{
    // Counter-clockwise square with a notch at (50, 0); the nodes within its mouth go.
    const Path square{{{0, 0}},    {{49, 0}},   {{50, 0}, true}, {{51, 0}},
                      {{100, 0}}, {{100, 100}}, {{0, 100}}};
    const std::vector<Vec2> out = withNotches(square, 5, 1.5);
    const std::vector<Vec2> expected{{0, 0},    {48.5, 0},  {50, 5},  {51.5, 0},
                                     {100, 0}, {100, 100}, {0, 100}, {0, 0}};
    CHECK(out.size() == expected.size());
    for (std::size_t i = 0; i < std::min(out.size(), expected.size()); ++i)
        CHECK(near(out[i], expected[i], 1e-12));
}

// Every piece of every style and size: the allowance is kept all round (to 0.02 mm, below one
// plotter unit: vertex normals on unevenly spaced curve points are not exact), neither the sew
// line nor the notched cut line crosses itself, and the label sits inside the piece.
void everyPieceIsWellFormed()
{
    Rng rng(1);
    for (int style = 0; style < styleCount(); ++style) {
        for (int draw = 0; draw < 3; ++draw) {
            const Garment g = makeGarment(style, rng);
            for (const PatternPiece& pattern : g.pieces) {
                const Path sew = flatten(pattern.sew, {0.05, 3});
                const std::vector<Vec2> sewPts = closedPoints(sew);
                const Path cut = offsetOutward(sew, pattern.allowance);
                const std::vector<Vec2> cutPts = closedPoints(cut);
                const std::vector<Vec2> notched = withNotches(cut, 5, 1.5);
                bool allowanceKept = true;
                for (Vec2 p : cutPts)
                    allowanceKept = allowanceKept &&
                                    distanceToPolyline(p, sewPts) >= pattern.allowance - 0.02 &&
                                    distanceToPolyline(p, sewPts) <= 2 * pattern.allowance + 1e-6;
                if (!allowanceKept || !isSimple(sewPts) || !isSimple(notched) ||
                    !inside(pattern.labelAt, sewPts)) {
                    std::fprintf(stderr,
                                 "%s %s %s: allowance %d, simple sew line %d, simple cut line %d, "
                                 "label inside %d\n",
                                 g.style.c_str(), pattern.code.c_str(), g.size.c_str(),
                                 allowanceKept, isSimple(sewPts), isSimple(notched),
                                 inside(pattern.labelAt, sewPts));
                    ++g_failures;
                }
                CHECK(signedArea(cutPts) > signedArea(sewPts));
                for (Vec2 d : pattern.drills)
                    CHECK(inside(d, sewPts));
            }
        }
    }
}

std::vector<Vec2> placedCut(const Marker& m, const Placement& at)
{
    const PatternPiece& pattern = m.garments[at.garment].pieces[at.piece];
    const Path sew = flatten(pattern.sew, {0.05, 3});
    std::vector<Vec2> pts = withNotches(offsetOutward(sew, pattern.allowance), 5, 1.5);
    for (Vec2& p : pts)
        p = toMarker(at, p);
    return pts;
}

void layoutKeepsPiecesApartAndOnThePaper()
{
    const Marker m = layOutMarker({3000, 1500, 7});
    CHECK(m.garments.size() >= 3);

    std::size_t expectedPieces = 0;
    for (const Garment& g : m.garments)
        for (const PatternPiece& pattern : g.pieces)
            expectedPieces += static_cast<std::size_t>(pattern.count);
    CHECK(m.placements.size() == expectedPieces); // whole garments only

    struct Placed {
        std::vector<Vec2> pts;
        Vec2 lo, hi;
    };
    std::vector<Placed> placed;
    for (const Placement& at : m.placements) {
        Placed p{placedCut(m, at), {1e300, 1e300}, {-1e300, -1e300}};
        for (Vec2 v : p.pts) {
            p.lo = {std::min(p.lo.x, v.x), std::min(p.lo.y, v.y)};
            p.hi = {std::max(p.hi.x, v.x), std::max(p.hi.y, v.y)};
        }
        CHECK(p.lo.x >= 10 && p.lo.y >= 10 && p.hi.x <= 3000 - 10 && p.hi.y <= 1500 - 10);
        placed.push_back(std::move(p));
    }
    // Plotting order runs along the length.
    for (std::size_t i = 1; i < m.placements.size(); ++i)
        CHECK(placed[i].lo.x >= placed[i - 1].lo.x - 1000); // loosely: no jumps back by a metre

    for (std::size_t i = 0; i < placed.size(); ++i) {
        for (std::size_t j = i + 1; j < placed.size(); ++j) {
            const Placed& a = placed[i];
            const Placed& b = placed[j];
            if (a.hi.x < b.lo.x || b.hi.x < a.lo.x || a.hi.y < b.lo.y || b.hi.y < a.lo.y)
                continue;
            bool apart = !inside(a.pts[0], b.pts) && !inside(b.pts[0], a.pts);
            for (std::size_t s = 0; apart && s + 1 < a.pts.size(); ++s)
                for (std::size_t t = 0; apart && t + 1 < b.pts.size(); ++t)
                    apart = !segmentsCross(a.pts[s], a.pts[s + 1], b.pts[t], b.pts[t + 1]);
            if (!apart) {
                std::fprintf(stderr, "pieces %zu and %zu overlap\n", i, j);
                ++g_failures;
            }
        }
    }
}

// Walks the instructions of our own output (labels end with ETX; nothing else needs care).
void outputStaysInTheSubset()
{
    const Marker m = layOutMarker({2500, 1200, 11});
    const std::string text = writeMarker(m, {0.02, 1.5});
    CHECK(text.rfind("IN;SP1;", 0) == 0);
    CHECK(text.size() >= 8 && text.compare(text.size() - 8, 8, "PU;SP0;\n") == 0);

    std::size_t labels = 0, drawn = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '\n') {
            ++i;
            continue;
        }
        const std::string_view op(text.data() + i, 2);
        if (op == "LB") {
            const std::size_t end = text.find('\x03', i);
            CHECK(end != std::string::npos);
            CHECK(text.compare(end + 1, 2, "LB") != 0); // would continue the label
            ++labels;
            i = end + 1;
            continue;
        }
        const std::size_t end = text.find(';', i);
        CHECK(end != std::string::npos);
        if (end == std::string::npos)
            return;
        const std::string_view args(text.data() + i + 2, end - i - 2);
        CHECK(op == "IN" || op == "SP" || op == "LT" || op == "LO" || op == "PU" || op == "PD" ||
              op == "SI" || op == "DI");
        if (op == "PU" || op == "PD") {
            std::vector<long> values;
            std::size_t k = 0;
            while (k < args.size()) {
                const std::size_t comma = std::min(args.find(',', k), args.size());
                const std::string_view v = args.substr(k, comma - k);
                CHECK(!v.empty() && v.find_first_not_of("0123456789") == std::string_view::npos);
                values.push_back(std::strtol(std::string(v).c_str(), nullptr, 10));
                k = comma + 1;
            }
            CHECK(values.size() % 2 == 0);
            CHECK(op == "PU" || values.size() >= 2);
            for (std::size_t v = 0; v < values.size(); v += 2)
                CHECK(values[v] <= 2500 * 40 && values[v + 1] <= 1200 * 40);
            drawn += op == "PD" ? values.size() / 2 : 0;
        }
        i = end + 1;
    }
    CHECK(labels == 2 * m.placements.size());
    CHECK(drawn > 100 * m.placements.size());
}

void sameSeedSameBytes()
{
    const std::string a = writeMarker(layOutMarker({2000, 1000, 5}), {0.02, 1});
    const std::string b = writeMarker(layOutMarker({2000, 1000, 5}), {0.02, 1});
    const std::string c = writeMarker(layOutMarker({2000, 1000, 6}), {0.02, 1});
    CHECK(a == b);
    CHECK(a != c);
}

void budgetIsKept()
{
    Marker marker = layOutMarker({6000, 2000, 2026});
    const std::size_t garments = marker.garments.size();
    Sampling sampling;
    PlotStats stats;
    const std::string text = writeWithinBudget(marker, 2'000'000, sampling, stats);
    CHECK(text.size() <= 2'000'000);
    CHECK(text.size() >= 1'950'000); // the bisection gets close
    CHECK(marker.garments.size() == garments);
    CHECK(stats.pieces == marker.placements.size());
    CHECK(stats.cutPoints / stats.pieces >= 200 && stats.cutPoints / stats.pieces <= 1000);

    // A budget the whole marker cannot meet even coarsely: garments go, the rest fits.
    const std::string small = writeWithinBudget(marker, 300'000, sampling, stats);
    CHECK(small.size() <= 300'000);
    CHECK(marker.garments.size() < garments);
    CHECK(!marker.garments.empty());
    CHECK(stats.pieces == marker.placements.size());
}

} // namespace

int main()
{
    flattenClosesCounterClockwise();
    curvesMeetToleranceAndStep();
    mirroredHalfIsSymmetric();
    notchIsCutInward();
    everyPieceIsWellFormed();
    layoutKeepsPiecesApartAndOnThePaper();
    outputStaysInTheSubset();
    sameSeedSameBytes();
    budgetIsKept();
    if (g_failures != 0) {
        std::fprintf(stderr, "%d check(s) failed\n", g_failures);
        return 1;
    }
    std::puts("genmarker self-test passed");
    return 0;
}
