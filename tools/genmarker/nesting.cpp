#include "nesting.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace genmarker {

int profilePad(double bin, double gap) { return static_cast<int>(std::ceil(gap / bin)); }

Profile makeProfile(const std::vector<Vec2>& polygon, double bin, double gap)
{
    double maxY = 0;
    for (Vec2 p : polygon)
        maxY = std::max(maxY, p.y);
    const int strips = static_cast<int>(std::floor(maxY / bin)) + 1;
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> lo(strips, inf), hi(strips, -inf);

    auto extend = [&](int k, double x) {
        lo[k] = std::min(lo[k], x);
        hi[k] = std::max(hi[k], x);
    };
    // Every edge clipped to every strip it crosses: exact extents even for long straight edges.
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec2 a = polygon[i];
        const Vec2 b = polygon[(i + 1) % polygon.size()];
        const int k0 = std::min(strips - 1, static_cast<int>(std::floor(std::min(a.y, b.y) / bin)));
        const int k1 = std::min(strips - 1, static_cast<int>(std::floor(std::max(a.y, b.y) / bin)));
        for (int k = k0; k <= k1; ++k) {
            if (a.y == b.y) {
                extend(k, a.x);
                extend(k, b.x);
                continue;
            }
            const double y0 = std::max(k * bin, std::min(a.y, b.y));
            const double y1 = std::min((k + 1) * bin, std::max(a.y, b.y));
            extend(k, a.x + (b.x - a.x) * (y0 - a.y) / (b.y - a.y));
            extend(k, a.x + (b.x - a.x) * (y1 - a.y) / (b.y - a.y));
        }
    }

    const int pad = profilePad(bin, gap);
    Profile p;
    p.lo.assign(strips + 2 * pad, inf);
    p.hi.assign(strips + 2 * pad, -inf);
    for (int k = 0; k < strips; ++k) {
        if (lo[k] > hi[k])
            continue;
        for (int j = k; j <= k + 2 * pad; ++j) {
            p.lo[j] = std::min(p.lo[j], lo[k] - gap);
            p.hi[j] = std::max(p.hi[j], hi[k] + gap);
        }
    }
    return p;
}

Skyline::Skyline(double widthMm, double lengthMm, double marginMm, double binMm)
    : m_length(lengthMm), m_margin(marginMm), m_bin(binMm),
      m_front(static_cast<std::size_t>(std::max(0.0, std::floor((widthMm - 2 * marginMm) / binMm))),
              marginMm)
{
}

std::optional<Skyline::Spot> Skyline::find(const Profile& p) const
{
    const int strips = static_cast<int>(p.lo.size());
    const int total = static_cast<int>(m_front.size());
    double reach = -std::numeric_limits<double>::infinity();
    for (double h : p.hi)
        reach = std::max(reach, h);

    std::optional<Spot> best;
    for (int s = 0; s + strips <= total; ++s) {
        double x = -std::numeric_limits<double>::infinity();
        for (int k = 0; k < strips; ++k) {
            if (p.lo[k] <= p.hi[k])
                x = std::max(x, m_front[s + k] - p.lo[k]);
        }
        if (x + reach > m_length - m_margin)
            continue;
        if (!best || x < best->x)
            best = Spot{x, s};
    }
    return best;
}

void Skyline::occupy(const Profile& p, Spot at)
{
    for (std::size_t k = 0; k < p.lo.size(); ++k) {
        if (p.lo[k] <= p.hi[k])
            m_front[at.strip + k] = std::max(m_front[at.strip + k], at.x + p.hi[k]);
    }
}

} // namespace genmarker
