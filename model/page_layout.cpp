#include "model/page_layout.h"

#include <cstdint>

#include "app/helpers.h"
#include "app/settings.h"
#include "model/one_page.h"

using vexa::WrapAdd;
using vexa::WrapSub;

const char* const MSG_START_BEYOND_LENGTH = "输入的起始点超过图形长度！";
const char* const MSG_SPLIT_TOO_LONG = "由于输入的段长超过图形长度，分割失败！";
const char* const MSG_SPLIT_TOO_SHORT = "由于输入的段长太短（小于100mm），分割失败！";
const char* const MSG_BAND_TOO_WIDE = "由于输入的分页长度超过图形宽度，分页失败！";

namespace {
// The point where a segment crosses a line, with a 64-bit product and a
// division truncating toward zero; it lies between the ends, so it fits.
int Cross(int a0, int b0, int a1, int b1, int at)
{
    return static_cast<int>(a0 + (int64_t{at} - b0) * (int64_t{a1} - a0) / (int64_t{b1} - b0));
}

std::unique_ptr<CCurve> Segment(const CCurve& like, CPoint p0, CPoint p1)
{
    auto c = std::make_unique<CCurve>();
    c->m_pen = like.m_pen;
    c->m_selected = like.m_selected;
    c->m_points = {p0, p1};
    return c;
}
}  // namespace

void COnePage::MoveToLowerLeft()
{
    if (m_curves.empty())
        return;
    ComputeExtents();
    for (auto& c : m_curves)
        c->MoveOrigin(m_minX, m_minY);
    m_maxX = WrapSub(m_maxX, m_minX);
    m_maxY = WrapSub(m_maxY, m_minY);
    m_minX = 0;
    m_minY = 0;
}

void COnePage::AlignOrigin()
{
    if (m_curves.empty())
        return;
    ComputeExtents();
    if (m_minX != 0) {
        for (auto& c : m_curves)
            c->MoveOrigin(m_minX, 0);
        m_maxX = WrapSub(m_maxX, m_minX);
        m_minX = 0;
    }
    // A page lying above the X axis stays where it is.
    if (m_minY < 0) {
        for (auto& c : m_curves)
            c->MoveOrigin(0, m_minY);
        m_maxY = WrapSub(m_maxY, m_minY);
        m_minY = 0;
    }
}

void COnePage::Rotate90()
{
    if (m_curves.empty())
        return;
    const int maxY = m_maxY;
    for (auto& c : m_curves)
        for (CPoint& p : c->m_points)
            p = {WrapSub(maxY, p.y), p.x};
    ComputeExtents();
}

void COnePage::ApplyStartPosition()
{
    if (m_curves.empty())
        return;
    // Wraps like the 32-bit product it stands for; the job list accepts any start.
    const int shift = static_cast<int>(static_cast<unsigned>(m_startAt) * unsigned{PLOTTER_UNITS_PER_MM});
    for (auto& c : m_curves)
        c->MoveOrigin(shift, 0);
    m_maxX = WrapSub(m_maxX, shift);
}

void COnePage::AddPurgePattern()
{
    for (auto& c : m_curves)
        c->MoveOrigin(-PURGE_SHIFT, 0);
    // 40 solid bands of 35 lines, 5 mm apart, in front of the job.
    m_curves.reserve(m_curves.size() + 40 * 35);
    for (int o = 0; o < 8000; o += 200) {
        for (int i = 0; i < 35; ++i) {
            auto c = std::make_unique<CCurve>();
            c->m_points = {{0, o + i}, {PURGE_SHIFT, o + i}};
            m_curves.push_back(std::move(c));
        }
    }
}

void COnePage::SplitAtX(COnePage& rest, int x0)
{
    if (m_curves.empty())
        return;
    SplitIntoSegments();
    std::vector<std::unique_ptr<CCurve>> kept;
    kept.reserve(m_curves.size());
    for (auto& seg : m_curves) {
        CPoint& a = seg->m_points[0];
        CPoint& b = seg->m_points[1];
        if (a.x <= x0 && b.x <= x0) {
            kept.push_back(std::move(seg));
        } else if (a.x < x0 && x0 < b.x) {
            const int yc = Cross(a.y, a.x, b.y, b.x, x0);
            rest.AddCurve(Segment(*seg, {0, yc}, {b.x - x0, b.y}));
            b = {x0, yc};
            kept.push_back(std::move(seg));
        } else if (a.x > x0 && x0 > b.x) {
            const int yc = Cross(a.y, a.x, b.y, b.x, x0);
            rest.AddCurve(Segment(*seg, {a.x - x0, a.y}, {0, yc}));
            a = {x0, yc};
            kept.push_back(std::move(seg));
        } else {
            rest.AddCurve(Segment(*seg, {WrapSub(a.x, x0), a.y}, {WrapSub(b.x, x0), b.y}));
        }
    }
    m_curves = std::move(kept);
    JoinCurves();
    ComputeExtents();
    rest.ComputeExtents();
}

void COnePage::PaginateY(int band)
{
    if (m_curves.empty() || band <= 0)
        return;
    ComputeExtents();
    if (m_maxY <= band)
        return;
    const int shift = WrapAdd(m_maxX, PAGINATION_GAP);
    SplitIntoSegments();
    const int passes = m_maxY / band;

    // Each pass walks the segments in list order. A piece cut off above the
    // band is appended and visited later in the same pass; a segment lying
    // wholly above is moved to the end and waits for the next pass. Moved
    // segments leave a hole that is closed after the pass, so a pass costs
    // time linear in the number of segments.
    std::vector<uint8_t> visit;
    for (int pass = 0; pass < passes; ++pass) {
        visit.assign(m_curves.size(), 1);
        size_t holes = 0;
        for (size_t i = 0; i < m_curves.size(); ++i) {
            if (!visit[i] || !m_curves[i])
                continue;
            CCurve& seg = *m_curves[i];
            CPoint& a = seg.m_points[0];
            CPoint& b = seg.m_points[1];
            if (a.y <= band && b.y <= band)
                continue;
            if (a.y < band && band < b.y) {
                const int xc = Cross(a.x, a.y, b.x, b.y, band);
                auto piece = Segment(seg, {WrapAdd(xc, shift), 0}, {WrapAdd(b.x, shift), b.y - band});
                b = {xc, band};
                m_curves.push_back(std::move(piece));
                visit.push_back(1);
            } else if (a.y > band && band > b.y) {
                const int xc = Cross(a.x, a.y, b.x, b.y, band);
                auto piece = Segment(seg, {WrapAdd(a.x, shift), a.y - band}, {WrapAdd(xc, shift), 0});
                a = {xc, band};
                m_curves.push_back(std::move(piece));
                visit.push_back(1);
            } else {
                auto raised = Segment(seg, {WrapAdd(a.x, shift), WrapSub(a.y, band)},
                                      {WrapAdd(b.x, shift), WrapSub(b.y, band)});
                m_curves[i].reset();
                ++holes;
                m_curves.push_back(std::move(raised));
                visit.push_back(0);
            }
        }
        if (holes != 0)
            std::erase(m_curves, nullptr);
    }
    JoinCurves();
    ComputeExtents();
}

void PrepareImportedPage(COnePage& page, int pageWidthMm, bool wideMode, bool autoStart)
{
    page.Normalize();
    page.ComputeExtents();
    page.AlignOrigin();
    const int64_t width = int64_t{pageWidthMm} * PLOTTER_UNITS_PER_MM;
    if (width < page.m_maxY && wideMode)
        page.Rotate90();
    // A paper width of 0 or less cannot be a band: such a setting paginates nothing.
    if (width < page.m_maxY && width > 0)
        page.PaginateY(static_cast<int>(width));
    page.m_startAt = 0;
    page.m_autoState = autoStart ? AUTO_STATE_YES : AUTO_STATE_NO;
}

void PrepareImportedPage(COnePage& page)
{
    PrepareImportedPage(page, g_settings.m_pageWidth, g_settings.m_wideMode != 0, g_settings.m_autoStart != 0);
}

void PreparePlotPage(COnePage& plotPage, const COnePage& job, int xScale, int yScale, bool autoClean)
{
    plotPage.RemoveAllCurves();
    plotPage.CopyFrom(job);
    plotPage.ApplyScale(xScale, yScale);
    if (autoClean)
        plotPage.AddPurgePattern();
    plotPage.ComputeExtents();
    plotPage.ApplyStartPosition();
}

void PreparePlotPage(COnePage& plotPage, const COnePage& job)
{
    PreparePlotPage(plotPage, job, g_settings.m_xScale, g_settings.m_yScale, g_settings.m_autoClean != 0);
}

std::string AcceptStartPosition(COnePage& page, int mm)
{
    if (int64_t{mm} * PLOTTER_UNITS_PER_MM > int64_t{page.m_maxX} - 40) {
        page.m_startAt = 0;
        return MSG_START_BEYOND_LENGTH;
    }
    page.m_startAt = mm;
    return {};
}

std::string CheckSplitLength(const COnePage& page, int mm)
{
    const int64_t length = int64_t{mm} * PLOTTER_UNITS_PER_MM;
    if (length > int64_t{page.m_maxX} - 40)
        return MSG_SPLIT_TOO_LONG;
    if (length < int64_t{MIN_SPLIT_LENGTH_MM} * PLOTTER_UNITS_PER_MM)
        return MSG_SPLIT_TOO_SHORT;
    return {};
}

std::string CheckPaginationBand(const COnePage& page, int mm)
{
    const int64_t band = int64_t{mm} * PLOTTER_UNITS_PER_MM;
    // A band of nothing cannot paginate; it is refused like one too wide.
    if (band <= 0 || band > page.m_maxY)
        return MSG_BAND_TOO_WIDE;
    return {};
}
