#include "outline.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace genmarker {

Outline& Outline::lineTo(Vec2 p, std::vector<double> notches)
{
    m_segments.push_back({false, m_current, m_current, p, p, std::move(notches)});
    m_current = p;
    return *this;
}

Outline& Outline::curveTo(Vec2 c1, Vec2 c2, Vec2 p, std::vector<double> notches)
{
    m_segments.push_back({true, m_current, c1, c2, p, std::move(notches)});
    m_current = p;
    return *this;
}

Outline& Outline::bowTo(Vec2 p, double bow, std::vector<double> notches)
{
    const Vec2 chord = p - m_current;
    const Vec2 left = rightNormal(normalized(chord)) * -1.0;
    // Handles at a third and two thirds, pushed out by 4/3 bow: the curve's middle then stands
    // exactly `bow` off the chord.
    const Vec2 push = left * (bow * 4.0 / 3.0);
    return curveTo(m_current + chord * (1.0 / 3.0) + push, m_current + chord * (2.0 / 3.0) + push,
                   p, std::move(notches));
}

Outline& Outline::mirrorAcrossXAxis()
{
    auto flip = [](Vec2 v) { return Vec2{v.x, -v.y}; };
    const std::size_t half = m_segments.size();
    for (std::size_t i = half; i-- > 0;) {
        const Segment s = m_segments[i];
        Segment m{s.curved, flip(s.p1), flip(s.c2), flip(s.c1), flip(s.p0), {}};
        for (double t : s.notches)
            m.notches.push_back(1 - t);
        m_segments.push_back(std::move(m));
    }
    m_current = m_segments.back().p1;
    return *this;
}

Outline& Outline::close(std::vector<double> notches)
{
    if (m_current.x != m_start.x || m_current.y != m_start.y || m_segments.empty())
        lineTo(m_start, std::move(notches));
    return *this;
}

namespace {

constexpr int kTableSteps = 128;

// Appends the samples of one curve, its end point excluded (the next edge starts there).
// A point spacing that keeps the chord within the tolerance of an arc of radius R is
// sqrt(8 R tolerance); the curve is split into steps of equal "need" (length / spacing).
void sampleCurve(const Segment& s, Sampling sampling, Path& out)
{
    Vec2 pts[kTableSteps + 1];
    for (int i = 0; i <= kTableSteps; ++i)
        pts[i] = cubicPoint(s.p0, s.c1, s.c2, s.p1, static_cast<double>(i) / kTableSteps);

    // Sine of the turn at every table point; the ends count as straight.
    double turn[kTableSteps + 1] = {};
    for (int i = 1; i < kTableSteps; ++i) {
        const Vec2 a = pts[i] - pts[i - 1];
        const Vec2 b = pts[i + 1] - pts[i];
        const double la = length(a), lb = length(b);
        if (la > 0 && lb > 0)
            turn[i] = std::fabs(cross(a, b)) / (la * lb);
    }
    double need[kTableSteps + 1];
    need[0] = 0;
    for (int i = 1; i <= kTableSteps; ++i) {
        const double dl = length(pts[i] - pts[i - 1]);
        const double bend = (turn[i - 1] + turn[i]) / 2;
        double step = sampling.maxStep;
        if (bend > 0)
            step = std::min(step, std::sqrt(8 * sampling.tolerance * dl / bend));
        need[i] = need[i - 1] + (step > 0 ? dl / step : 0);
    }
    const double total = need[kTableSteps];
    const int n = std::max(2, static_cast<int>(std::ceil(total)));

    // Parameters of the samples, then the notches merged in by parameter.
    std::vector<std::pair<double, bool>> params;
    int j = 0;
    for (int k = 0; k < n; ++k) {
        const double target = total * k / n;
        while (j < kTableSteps - 1 && need[j + 1] < target)
            ++j;
        const double span = need[j + 1] - need[j];
        const double f = span > 0 ? (target - need[j]) / span : 0;
        params.emplace_back((j + f) / kTableSteps, false);
    }
    for (double t : s.notches)
        params.emplace_back(t, true);
    std::stable_sort(params.begin(), params.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [t, notch] : params)
        out.push_back({cubicPoint(s.p0, s.c1, s.c2, s.p1, t), notch});
}

bool samePoint(Vec2 a, Vec2 b)
{
    return std::fabs(a.x - b.x) < 1e-9 && std::fabs(a.y - b.y) < 1e-9;
}

double pathArea(const Path& path)
{
    double twice = 0;
    for (std::size_t i = 0; i < path.size(); ++i)
        twice += cross(path[i].p, path[(i + 1) % path.size()].p);
    return twice / 2;
}

} // namespace

Path flatten(const Outline& outline, Sampling sampling)
{
    Path out;
    for (const Segment& s : outline.segments()) {
        if (s.curved) {
            sampleCurve(s, sampling, out);
            continue;
        }
        out.push_back({s.p0, false});
        std::vector<double> notches = s.notches;
        std::sort(notches.begin(), notches.end());
        for (double t : notches)
            out.push_back({s.p0 + (s.p1 - s.p0) * t, true});
    }
    // Drop repeated points (a notch on a sample, a degenerate edge), the closing one included.
    Path clean;
    for (const PathNode& n : out) {
        if (!clean.empty() && samePoint(clean.back().p, n.p)) {
            clean.back().notch = clean.back().notch || n.notch;
            continue;
        }
        clean.push_back(n);
    }
    while (clean.size() > 1 && samePoint(clean.front().p, clean.back().p)) {
        clean.front().notch = clean.front().notch || clean.back().notch;
        clean.pop_back();
    }
    if (pathArea(clean) < 0)
        std::reverse(clean.begin(), clean.end());
    return clean;
}

Path offsetOutward(const Path& sew, double distance)
{
    Path out;
    const std::size_t n = sew.size();
    out.reserve(n + 8);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec2 p = sew[i].p;
        const Vec2 e1 = normalized(p - sew[(i + n - 1) % n].p);
        const Vec2 e2 = normalized(sew[(i + 1) % n].p - p);
        const Vec2 n1 = rightNormal(e1);
        const Vec2 n2 = rightNormal(e2);
        const Vec2 bisector = normalized(n1 + n2);
        const double cosHalf = dot(bisector, n1);
        const bool convex = cross(e1, e2) > 0;
        if (convex && cosHalf < 0.5) {
            out.push_back({p + n1 * distance, sew[i].notch});
            out.push_back({p + n2 * distance, false});
            continue;
        }
        out.push_back({p + bisector * (distance / std::max(cosHalf, 0.5)), sew[i].notch});
    }
    return out;
}

std::vector<Vec2> withNotches(const Path& line, double depth, double halfWidth)
{
    const std::size_t n = line.size();
    std::vector<bool> drop(n, false);
    std::vector<Vec2> tangent(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!line[i].notch)
            continue;
        const Vec2 c = line[i].p;
        // Direction from the first node behind to the first node ahead outside the notch.
        std::size_t back = (i + n - 1) % n;
        std::size_t ahead = (i + 1) % n;
        for (std::size_t k = 0; k < 8 && length(line[back].p - c) <= halfWidth; ++k) {
            if (!line[back].notch)
                drop[back] = true;
            back = (back + n - 1) % n;
        }
        for (std::size_t k = 0; k < 8 && length(line[ahead].p - c) <= halfWidth; ++k) {
            if (!line[ahead].notch)
                drop[ahead] = true;
            ahead = (ahead + 1) % n;
        }
        tangent[i] = normalized(line[ahead].p - line[back].p);
    }
    std::vector<Vec2> out;
    out.reserve(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (drop[i])
            continue;
        if (!line[i].notch) {
            out.push_back(line[i].p);
            continue;
        }
        const Vec2 t = tangent[i];
        const Vec2 inward{-t.y, t.x};
        out.push_back(line[i].p - t * halfWidth);
        out.push_back(line[i].p + inward * depth);
        out.push_back(line[i].p + t * halfWidth);
    }
    if (!out.empty())
        out.push_back(out.front());
    return out;
}

std::vector<Vec2> closedPoints(const Path& line)
{
    std::vector<Vec2> out;
    out.reserve(line.size() + 1);
    for (const PathNode& n : line)
        out.push_back(n.p);
    if (!out.empty())
        out.push_back(out.front());
    return out;
}

double signedArea(const std::vector<Vec2>& polygon)
{
    double twice = 0;
    for (std::size_t i = 0; i + 1 < polygon.size(); ++i)
        twice += cross(polygon[i], polygon[i + 1]);
    if (!polygon.empty())
        twice += cross(polygon.back(), polygon.front());
    return twice / 2;
}

} // namespace genmarker
