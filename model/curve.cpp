#include "model/curve.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "app/helpers.h"
#include "app/settings.h"

void CCurve::CopyFrom(const CCurve& src)
{
    m_selected = src.m_selected;
    m_pen = src.m_pen;
    m_minX = src.m_minX;
    m_maxX = src.m_maxX;
    m_minY = src.m_minY;
    m_maxY = src.m_maxY;
    m_points = src.m_points;
}

void CCurve::ComputeExtents()
{
    if (m_points.empty())
        throw std::invalid_argument("curve without points");
    int minX = m_points[0].x, maxX = minX, minY = m_points[0].y, maxY = minY;
    for (const CPoint& p : m_points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    m_minX = minX;
    m_maxX = maxX;
    m_minY = minY;
    m_maxY = maxY;
}

void CCurve::MoveOrigin(int x0, int y0)
{
    const auto sub = vexa::WrapSub;
    for (CPoint& p : m_points) {
        p.x = sub(p.x, x0);
        p.y = sub(p.y, y0);
    }
    m_minX = sub(m_minX, x0);
    m_maxX = sub(m_maxX, x0);
    m_minY = sub(m_minY, y0);
    m_maxY = sub(m_maxY, y0);
}

void CCurve::ApplyScale(int xScale, int yScale)
{
    for (CPoint& p : m_points) {
        p.x = vexa::TruncateToInt((p.x * 10000.0) / xScale);
        p.y = vexa::TruncateToInt((p.y * 10000.0) / yScale);
    }
}

void CCurve::ApplyScale()
{
    ApplyScale(g_settings.m_xScale.load(), g_settings.m_yScale.load());
}

void CCurve::RemoveDuplicatePoints()
{
    m_points.erase(std::unique(m_points.begin(), m_points.end()), m_points.end());
}

void CCurve::RemoveCollinearPoints()
{
    const size_t n = m_points.size();
    if (n < 3)
        return;
    // A point is dropped when the direction from the last kept point to it
    // equals the direction from it to the next original point; kept points
    // are compacted in place, so the walk stays linear.
    size_t out = 1;
    for (size_t k = 1; k + 1 < n; ++k) {
        const CPoint a = m_points[out - 1];
        const CPoint p = m_points[k];
        const CPoint b = m_points[k + 1];
        const double ahead = std::atan2(static_cast<double>(b.y) - p.y, static_cast<double>(b.x) - p.x);
        const double behind = std::atan2(static_cast<double>(p.y) - a.y, static_cast<double>(p.x) - a.x);
        if (ahead != behind)
            m_points[out++] = p;
    }
    m_points[out++] = m_points[n - 1];
    m_points.resize(out);
}
