#include "raster/swath_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/helpers.h"
#include "app/settings.h"
#include "model/one_page.h"
#include "model/page_layout.h"
#include "raster/swath_build.h"

std::atomic<int> g_swathRows{0};
const char* const MSG_BEYOND_MACHINE_WIDTH = "超出机器幅宽！请重新设置右边据和纸张宽度！";

namespace {
// Dot coordinates of a plotter point, without the line-width margin.
int GridX(int x)
{
    return vexa::TruncateToInt((x / 40.0) * 12.0);
}

int GridY(int y, int dpi)
{
    return vexa::TruncateToInt((y / 40.0) * dpi / 25.4);
}

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Segments per chunk: long curves are indexed in pieces, so a curve that
// crosses many swaths is drawn in each only where it is near.
constexpr size_t CHUNK_SEGMENTS = 16;

// The plot thread's index, rebuilt when its job changes.
vexa::SwathIndex g_index;

// Draws the segments of points first .. first + count - 1, skipping those
// wholly left or right of the canvas.
void DrawPoints(const vexa::SwathCanvas& canvas, const int32_t* gx, const int32_t* gy, size_t count, int lw,
                int offset, int pen)
{
    const int64_t reach = pen / 2 + 2;
    for (size_t i = 0; i + 1 < count; ++i) {
        const int64_t x0 = int64_t{lw} - offset + gx[i], x1 = int64_t{lw} - offset + gx[i + 1];
        if ((x0 < -reach && x1 < -reach) || (x0 >= SWATH_BITMAP_WIDTH + reach && x1 >= SWATH_BITMAP_WIDTH + reach))
            continue;
        vexa::DrawSegment(canvas, vexa::WrapAdd(lw - offset, gx[i]), vexa::WrapAdd(lw, gy[i]),
                          vexa::WrapAdd(lw - offset, gx[i + 1]), vexa::WrapAdd(lw, gy[i + 1]), pen);
    }
}

std::string Format(const char* format, auto... values)
{
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

double RowsToMm(double rows, double dpi)
{
    return rows * 25.4 / dpi;
}
}  // namespace

namespace vexa {
SwathSettings SwathSettings::Current()
{
    SwathSettings s;
    s.headMode = g_settings.m_headMode;
    s.headOverlap = g_settings.m_headOverlap;
    s.head2Position = g_settings.m_head2Position;
    s.lineWidth = g_settings.m_lineWidth;
    s.resolution = g_settings.m_resolution;
    s.cartridge1OnRight = g_settings.m_cartridge1OnRight;
    s.xScale = g_settings.m_xScale;
    s.yScale = g_settings.m_yScale;
    s.autoClean = g_settings.m_autoClean;
    s.machineLength = g_settings.m_machineLength;
    s.idleDistance = g_settings.m_idleDistance;
    s.startOffset = g_settings.m_startOffset;
    s.language = g_settings.m_language;
    return s;
}

int SwathSettings::Overlap() const
{
    return std::clamp(headOverlap, 0, 149);
}

bool SwathIndex::Matches(const COnePage& p, int lw, int d, int w) const
{
    return m_page == &p && m_curveData == p.m_curves.data() && m_curves == p.m_curves.size() && m_maxX == p.m_maxX
           && m_maxY == p.m_maxY && m_lineWidth == lw && m_dpi == d && m_width == w;
}

void SwathIndex::Build(const COnePage& p, int lw, int d, int w)
{
    m_page = &p;
    m_curveData = p.m_curves.data();
    m_curves = p.m_curves.size();
    m_maxX = p.m_maxX;
    m_maxY = p.m_maxY;
    const size_t points = p.PointCount();
    m_lineWidth = lw;
    m_dpi = d;
    m_width = w;
    m_gx.clear();
    m_gy.clear();
    m_chunks.clear();
    m_gx.reserve(points);
    m_gy.reserve(points);
    for (const auto& c : p.m_curves) {
        const auto& pts = c->m_points;
        if (pts.size() < 2)
            continue;
        const auto base = static_cast<uint32_t>(m_gx.size());
        for (const CPoint& pt : pts) {
            m_gx.push_back(GridX(pt.x));
            m_gy.push_back(GridY(pt.y, d));
        }
        for (size_t s = 0; s + 1 < pts.size(); s += CHUNK_SEGMENTS) {
            const size_t n = std::min(CHUNK_SEGMENTS, pts.size() - 1 - s) + 1;
            m_chunks.push_back({base + static_cast<uint32_t>(s), static_cast<uint32_t>(n)});
        }
    }
    // The swaths a chunk reaches: bitmap x = lw - n * w + gx must come
    // within the pen's reach of 0 .. 319.
    const int64_t reach = std::max(lw, 1) / 2 + 2;
    std::vector<std::pair<int64_t, int64_t>> span(m_chunks.size());
    int64_t last = -1;
    for (size_t k = 0; k < m_chunks.size(); ++k) {
        const auto [lo, hi] = std::minmax_element(m_gx.begin() + m_chunks[k].first,
                                                  m_gx.begin() + m_chunks[k].first + m_chunks[k].count);
        const int64_t first = std::max<int64_t>(0, FloorDiv(*lo - reach + lw - SWATH_BITMAP_WIDTH, w) + 1);
        const int64_t end = FloorDiv(*hi + reach + lw, w);
        span[k] = {first, end};
        if (first <= end)
            last = std::max(last, end);
    }
    // A page of long segments over an absurd length would need more entries
    // than it is worth: then each swath looks at every chunk instead.
    int64_t entries = 0;
    for (const auto& [first, end] : span)
        entries += std::max<int64_t>(0, end - first + 1);
    m_all = entries > (int64_t{1} << 26);
    if (m_all) {
        m_start.clear();
        m_order.clear();
        return;
    }
    const size_t buckets = static_cast<size_t>(last + 1);
    m_start.assign(buckets + 1, 0);
    for (const auto& [first, end] : span)
        for (int64_t n = first; n <= end; ++n)
            ++m_start[static_cast<size_t>(n) + 1];
    for (size_t n = 0; n < buckets; ++n)
        m_start[n + 1] += m_start[n];
    m_order.assign(m_start[buckets], 0);
    std::vector<uint32_t> fill(m_start.begin(), m_start.end() - 1);
    for (size_t k = 0; k < m_chunks.size(); ++k)
        for (int64_t n = span[k].first; n <= span[k].second; ++n)
            m_order[fill[static_cast<size_t>(n)]++] = static_cast<uint32_t>(k);
}

void SwathIndex::DrawSwath(const SwathCanvas& canvas, int n) const
{
    const int lw = m_lineWidth;
    const int offset = n * m_width;
    if (m_all) {
        for (const Chunk& ch : m_chunks)
            DrawPoints(canvas, m_gx.data() + ch.first, m_gy.data() + ch.first, ch.count, lw, offset, lw);
        return;
    }
    if (n < 0 || static_cast<size_t>(n) + 1 >= m_start.size())
        return;  // no curve comes near this swath
    for (uint32_t k = m_start[static_cast<size_t>(n)]; k < m_start[static_cast<size_t>(n) + 1]; ++k) {
        const Chunk& ch = m_chunks[m_order[k]];
        DrawPoints(canvas, m_gx.data() + ch.first, m_gy.data() + ch.first, ch.count, lw, offset, lw);
    }
}

SwathShape ComputeSwathShape(const COnePage& page, const SwathSettings& settings)
{
    const int xmax = page.m_maxX, ymax = page.m_maxY;
    if (xmax == 0 && ymax == 0)
        return {0, 0, true};
    const int lw = settings.lineWidth;
    const int dpi = settings.Dpi();
    const int w = settings.SwathWidth();
    const int b = RoundHalfUp((xmax / 40.0) * 300.0 / 25.0 + 2 * lw);
    const int c = RoundHalfUp((ymax / 40.0) * dpi / 25.4 + 2 * lw);
    return {WrapAdd(WrapAdd(settings.head2Position, c), 32), b / w + (b % w != 0 ? 1 : 0), false};
}

bool SwathFitsBuffers(int rows, int head2Position)
{
    const int64_t n = rows;
    const int64_t h = head2Position;
    return n >= 0 && n <= SWATH_CAPACITY_ROWS && h >= 0 && n + h + LEADING_BLANK_RECORDS <= SWATH_CAPACITY_RECORDS;
}

std::string CheckSwathWidth(const SwathSettings& settings, int rows)
{
    const double dpi = settings.Dpi();
    const bool chinese = settings.language == 0;
    // A job the swath buffers cannot hold is refused whatever the machine's
    // length claims, and for another reason: it says so.
    if (!SwathFitsBuffers(rows, settings.head2Position)) {
        const int head2 = settings.head2Position;
        const int64_t records = int64_t{rows} + head2 + LEADING_BLANK_RECORDS;
        return chinese ? Format("作业太宽，超出喷绘数据缓冲区：需要 %lld 个列记录（作业 %d 行 %.1f mm，加喷头2位置 %d 和 %d "
                                "个前导记录），最多 %d 个。请减小纸张宽度（分页长度）。",
                                static_cast<long long>(records), rows, RowsToMm(rows, dpi), head2,
                                LEADING_BLANK_RECORDS, SWATH_CAPACITY_RECORDS)
                       : Format("The job is too wide for the swath buffers: it needs %lld column records (%d rows, "
                                "%.1f mm, plus the head 2 position %d and %d leading records); they hold %d. "
                                "Reduce the paper width.",
                                static_cast<long long>(records), rows, RowsToMm(rows, dpi), head2,
                                LEADING_BLANK_RECORDS, SWATH_CAPACITY_RECORDS);
    }
    const double startOffset = std::trunc(settings.startOffset * dpi / 25.4);
    const double needed = std::trunc(2 * settings.idleDistance * dpi / 25.4 + (rows + 10 + startOffset));
    const double available = std::trunc(settings.machineLength * dpi / 25.4);
    if (needed <= available)
        return {};
    // The designed words first, then the numbers and what to change.
    const std::string details =
        chinese ? Format("作业需要 %.0f 行（%.1f mm：作业 %d 行，加两端空走距离和起始偏移），机器允许 %.0f 行（机器长度 "
                         "%d mm）。请减小纸张宽度（分页长度）、空走距离或起始偏移，或检查机器长度。",
                         needed, RowsToMm(needed, dpi), rows, available, settings.machineLength)
                : Format("The job needs %.0f rows (%.1f mm: %d rows of the job plus the idle travel at both ends "
                         "and the start offset); the machine allows %.0f rows (machine length %d mm). Reduce the "
                         "paper width, the idle distance or the start offset, or check the machine length.",
                         needed, RowsToMm(needed, dpi), rows, available, settings.machineLength);
    return std::string(MSG_BEYOND_MACHINE_WIDTH) + "\n" + details;
}
}  // namespace vexa

int HeadOverlap()
{
    return std::clamp(g_settings.m_headOverlap.load(), 0, 149);
}

int SwathWidth()
{
    return g_settings.m_headMode == 0 ? 300 - HeadOverlap() : 150;
}

int ResolutionDpi()
{
    return g_settings.m_resolution == 0 ? 180 : 150;
}

int ComputeSwathCount()
{
    const vexa::SwathSettings settings = vexa::SwathSettings::Current();
    const vexa::SwathShape shape = vexa::ComputeSwathShape(g_plotPage, settings);
    if (shape.blank)
        return 0;  // the rows stay the previous job's
    g_swathRows = shape.rows;
    g_index.Build(g_plotPage, settings.lineWidth, settings.Dpi(), settings.SwathWidth());
    return shape.swaths;
}

bool SwathFitsBuffers()
{
    return vexa::SwathFitsBuffers(g_swathRows, g_settings.m_head2Position);
}

std::string CheckSwathWidth()
{
    return vexa::CheckSwathWidth(vexa::SwathSettings::Current(), g_swathRows);
}

int PreparePlotJob(const COnePage& job, std::string& message)
{
    PreparePlotPage(g_plotPage, job);
    const int swaths = ComputeSwathCount();
    message = CheckSwathWidth();
    return message.empty() ? swaths : -1;
}

void DrawSwathCurves(const vexa::SwathCanvas& canvas, int offset)
{
    const int lw = g_settings.m_lineWidth;
    const int dpi = ResolutionDpi();
    for (const auto& c : g_plotPage.m_curves) {
        const auto& pts = c->m_points;
        if (pts.size() < 2)
            continue;
        for (size_t i = 0; i + 1 < pts.size(); ++i)
            vexa::DrawSegment(canvas, vexa::WrapAdd(lw - offset, GridX(pts[i].x)), vexa::WrapAdd(lw, GridY(pts[i].y, dpi)),
                              vexa::WrapAdd(lw - offset, GridX(pts[i + 1].x)),
                              vexa::WrapAdd(lw, GridY(pts[i + 1].y, dpi)), lw);
    }
}

void RasteriseSwath(int n)
{
    if (!SwathFitsBuffers())
        return;  // never drawn beyond the buffers; the job start refuses such a job
    const vexa::SwathSettings settings = vexa::SwathSettings::Current();
    const int lw = settings.lineWidth, dpi = settings.Dpi(), w = settings.SwathWidth();
    if (!g_index.Matches(g_plotPage, lw, dpi, w))
        g_index.Build(g_plotPage, lw, dpi, w);
    g_index.DrawSwath(SwathBitmapCanvas(), n);
}
