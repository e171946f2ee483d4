#include "plt_writer.h"

#include "outline.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace genmarker {

namespace {

constexpr double kUnitsPerMm = 40;
constexpr std::size_t kPairsPerInstruction = 24;
constexpr double kNotchDepthMm = 5;
constexpr double kNotchHalfWidthMm = 1.5;
constexpr char kEtx = '\x03';

struct Point {
    std::int64_t x = 0;
    std::int64_t y = 0;
    bool operator==(const Point&) const = default;
};

Point toUnits(Vec2 mm)
{
    return {static_cast<std::int64_t>(std::floor(mm.x * kUnitsPerMm + 0.5)),
            static_cast<std::int64_t>(std::floor(mm.y * kUnitsPerMm + 0.5))};
}

class PltText {
public:
    explicit PltText(PlotStats& stats) : m_stats(stats) {}

    std::string& text() { return m_text; }

    void put(std::string_view s) { m_text.append(s); }

    void number(std::int64_t v)
    {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        m_text.append(buf, r.ptr);
    }

    // A value with two decimals (character sizes in cm), from hundredths.
    void hundredths(int v)
    {
        number(v / 100);
        m_text.push_back('.');
        m_text.push_back(static_cast<char>('0' + v / 10 % 10));
        m_text.push_back(static_cast<char>('0' + v % 10));
    }

    void penUp(Point p)
    {
        put("PU");
        pair(p);
        put(";");
    }

    // A polyline: one pen-up move, then pen-down instructions with many pairs each, as pattern
    // CAD writes them. Points equal after rounding are written once. Returns the points written.
    std::size_t polyline(const std::vector<Vec2>& mm)
    {
        std::vector<Point> pts;
        pts.reserve(mm.size());
        for (Vec2 v : mm) {
            const Point p = toUnits(v);
            if (pts.empty() || !(pts.back() == p))
                pts.push_back(p);
        }
        if (pts.size() < 2)
            return 0;
        penUp(pts[0]);
        put("\n");
        for (std::size_t i = 1; i < pts.size(); i += kPairsPerInstruction) {
            put("PD");
            const std::size_t end = std::min(pts.size(), i + kPairsPerInstruction);
            for (std::size_t j = i; j < end; ++j) {
                if (j > i)
                    put(",");
                pair(pts[j]);
            }
            put(";\n");
        }
        m_stats.allPoints += pts.size();
        return pts.size();
    }

private:
    void pair(Point p)
    {
        number(p.x);
        put(",");
        number(p.y);
    }

    std::string m_text;
    PlotStats& m_stats;
};

struct Box {
    Vec2 lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    Vec2 hi{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    void add(Vec2 p)
    {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    Vec2 size() const { return hi - lo; }
};

// Label direction and the instruction that sets it. The import knows only 0 and 90 degrees for
// a direction along an axis (DI-1,0 reads as 0), so a turned piece keeps its text unturned.
struct Direction {
    Vec2 up;             // where the text's "up" points, as a unit vector
    const char* command; // DI run, rise
};

const Direction kAlongX{{0, 1}, "DI1,0;"};
const Direction kAlongY{{-1, 0}, "DI0,1;"};

void writeLabel(PltText& out, const Garment& g, const PatternPiece& pattern, Vec2 centre,
                const Direction& dir, double heightMm)
{
    // Character width 3/4 of the height, as the usual plotter fonts are proportioned.
    const int heightHundredthsCm = static_cast<int>(std::lround(heightMm * 10));
    out.put("SI");
    out.hundredths(heightHundredthsCm * 3 / 4);
    out.put(",");
    out.hundredths(heightHundredthsCm);
    out.put(";");
    out.put(dir.command);
    const double step = 0.8 * heightMm;
    out.penUp(toUnits(centre + dir.up * step));
    out.put("LB");
    out.put(g.style);
    out.put(" ");
    out.put(pattern.code);
    out.put(" ");
    out.put(g.size);
    out.text().push_back(kEtx);
    out.put("\n");
    out.penUp(toUnits(centre - dir.up * step));
    out.put("LB");
    out.put(pattern.nameGbk);
    out.put(" ");
    out.put(g.size);
    out.text().push_back(kEtx);
    out.put("\n");
}

// Character height (mm) that keeps both label lines well inside the piece.
double labelHeight(const Garment& g, const PatternPiece& pattern, double across, double along)
{
    const std::size_t chars = g.style.size() + pattern.code.size() + g.size.size() + 2;
    double h = std::clamp(across / 7, 3.0, 9.0);
    h = std::min(h, 0.75 * along / (0.9 * static_cast<double>(chars)));
    return std::max(1.5, std::floor(h * 2) / 2);
}

void writePiece(PltText& out, const Marker& m, const Placement& at, Sampling sampling,
                PlotStats& st)
{
    const Garment& g = m.garments[at.garment];
    const PatternPiece& pattern = g.pieces[at.piece];

    const Path sew = flatten(pattern.sew, sampling);
    std::vector<Vec2> cut = withNotches(offsetOutward(sew, pattern.allowance), kNotchDepthMm,
                                        kNotchHalfWidthMm);
    std::vector<Vec2> seam = closedPoints(sew);
    Box box;
    for (Vec2& p : cut) {
        p = toMarker(at, p);
        box.add(p);
    }
    st.usedLengthMm = std::max(st.usedLengthMm, box.hi.x);
    for (Vec2& p : seam)
        p = toMarker(at, p);

    const std::size_t n = out.polyline(cut);
    st.cutPoints += n;
    st.minCutPoints = st.pieces == 0 ? n : std::min(st.minCutPoints, n);
    st.maxCutPoints = std::max(st.maxCutPoints, n);
    ++st.pieces;
    out.polyline(seam);

    const Vec2 size = box.size();
    const bool alongX = size.x >= size.y;
    const Direction& dir = alongX ? kAlongX : kAlongY;
    const double h = labelHeight(g, pattern, alongX ? size.y : size.x, alongX ? size.x : size.y);
    const Vec2 centre = toMarker(at, pattern.labelAt);

    // Grain line with an arrow head at both ends, under the label, on the larger pieces.
    if (alongX && size.x >= 150 && size.y >= 100) {
        const double half = 0.22 * size.x;
        const Vec2 a = centre - dir.up * (2.6 * h) - Vec2{half, 0};
        const Vec2 b = a + Vec2{2 * half, 0};
        out.polyline({a, b});
        out.polyline({b + Vec2{-8, 3}, b, b + Vec2{-8, -3}});
        out.polyline({a + Vec2{8, 3}, a, a + Vec2{8, -3}});
    }
    for (Vec2 d : pattern.drills) {
        const Vec2 c = toMarker(at, d);
        out.polyline({c + Vec2{-3, 0}, c + Vec2{3, 0}});
        out.polyline({c + Vec2{0, -3}, c + Vec2{0, 3}});
    }
    writeLabel(out, g, pattern, centre, dir, h);
    st.labels += 2;
}

} // namespace

std::string writeMarker(const Marker& marker, Sampling sampling, PlotStats* stats)
{
    PlotStats local;
    PlotStats& st = stats ? *stats : local;
    st = {};
    PltText out(st);
    out.text().reserve(8'000'000);
    // Initialise, pen 1, solid lines, labels centred on their reference point.
    out.put("IN;SP1;LT;LO5;\n");
    for (const Placement& at : marker.placements)
        writePiece(out, marker, at, sampling, st);
    out.put("PU;SP0;\n");
    return std::move(out.text());
}

} // namespace genmarker
