#include "model/one_page.h"

#include <algorithm>

#include "app/settings.h"

COnePage g_plotPage;

CCurve& COnePage::AddCurve(std::unique_ptr<CCurve> curve)
{
    m_curves.push_back(std::move(curve));
    return *m_curves.back();
}

void COnePage::RemoveAllCurves()
{
    m_curves.clear();
}

void COnePage::CopyFrom(const COnePage& src)
{
    m_fileName = src.m_fileName;
    m_maxX = src.m_maxX;
    m_minX = src.m_minX;
    m_maxY = src.m_maxY;
    m_minY = src.m_minY;
    m_startAt = src.m_startAt;
    m_curves.reserve(m_curves.size() + src.m_curves.size());
    for (const auto& c : src.m_curves) {
        auto copy = std::make_unique<CCurve>();
        copy->CopyFrom(*c);
        m_curves.push_back(std::move(copy));
    }
}

void COnePage::ComputeExtents()
{
    if (m_curves.empty())
        return;
    for (auto& c : m_curves)
        c->ComputeExtents();
    const CCurve& first = *m_curves.front();
    int minX = first.m_minX, maxX = first.m_maxX, minY = first.m_minY, maxY = first.m_maxY;
    for (const auto& c : m_curves) {
        minX = std::min(minX, c->m_minX);
        maxX = std::max(maxX, c->m_maxX);
        minY = std::min(minY, c->m_minY);
        maxY = std::max(maxY, c->m_maxY);
    }
    m_minX = minX;
    m_maxX = maxX;
    m_minY = minY;
    m_maxY = maxY;
}

void COnePage::ApplyScale(int xScale, int yScale)
{
    for (auto& c : m_curves)
        c->ApplyScale(xScale, yScale);
}

void COnePage::ApplyScale()
{
    ApplyScale(g_settings.m_xScale.load(), g_settings.m_yScale.load());
}

void COnePage::Normalize()
{
    for (auto& c : m_curves) {
        c->RemoveDuplicatePoints();
        c->RemoveCollinearPoints();
    }
    std::erase_if(m_curves, [](const std::unique_ptr<CCurve>& c) { return c->m_points.size() < 2; });
}

void COnePage::SplitIntoSegments()
{
    // Each curve of n points becomes n - 1 two-point curves in drawing order;
    // the pieces keep the curve's pen, selection and (stale) extents.
    size_t total = 0;
    for (const auto& c : m_curves)
        if (c->m_points.size() >= 2)
            total += c->m_points.size() - 1;
    std::vector<std::unique_ptr<CCurve>> out;
    out.reserve(total);
    for (auto& c : m_curves) {
        const size_t n = c->m_points.size();
        if (n < 2)
            continue;
        for (size_t i = 0; i + 2 < n; ++i) {
            auto seg = std::make_unique<CCurve>();
            seg->m_selected = c->m_selected;
            seg->m_pen = c->m_pen;
            seg->m_minX = c->m_minX;
            seg->m_maxX = c->m_maxX;
            seg->m_minY = c->m_minY;
            seg->m_maxY = c->m_maxY;
            seg->m_points = {c->m_points[i], c->m_points[i + 1]};
            out.push_back(std::move(seg));
        }
        if (n > 2)
            c->m_points.erase(c->m_points.begin(), c->m_points.end() - 2);
        out.push_back(std::move(c));
    }
    m_curves = std::move(out);
}

void COnePage::JoinCurves()
{
    // A curve absorbs each following curve of the same pen that starts where
    // it ends; the meeting point is kept twice.
    std::vector<std::unique_ptr<CCurve>> out;
    out.reserve(m_curves.size());
    for (auto& c : m_curves) {
        if (!out.empty()) {
            CCurve& k = *out.back();
            if (k.m_pen == c->m_pen && !k.m_points.empty() && !c->m_points.empty()
                && k.m_points.back() == c->m_points.front()) {
                k.m_points.insert(k.m_points.end(), c->m_points.begin(), c->m_points.end());
                continue;
            }
        }
        out.push_back(std::move(c));
    }
    m_curves = std::move(out);
}

void COnePage::DeleteSelectedCurves()
{
    std::erase_if(m_curves, [](const std::unique_ptr<CCurve>& c) { return c->m_selected != 0; });
}

void COnePage::ClearSelection()
{
    for (auto& c : m_curves)
        c->m_selected = 0;
}

size_t COnePage::PointCount() const
{
    size_t n = 0;
    for (const auto& c : m_curves)
        n += c->m_points.size();
    return n;
}
