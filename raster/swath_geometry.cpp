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

// The plot page in dot coordinates, cut into chunks, and for every swath the
// chunks near it (compressed rows: bucket n is chunks[start[n] .. start[n+1])).
// Built once per job; the drawing it gives is the drawing of every curve.
struct SwathIndex {
    // What the index was built from; any change rebuilds it.
    const COnePage* page = nullptr;
    const void* curveData = nullptr;
    size_t curves = 0;
    int maxX = 0, maxY = 0;
    int lineWidth = -1, dpi = 0, width = 0;

    std::vector<int32_t> gx, gy;  // every point of every curve of 2+ points
    struct Chunk {
        uint32_t first;  // index of the first point
        uint32_t count;  // points, at least 2
    };
    std::vector<Chunk> chunks;
    std::vector<uint32_t> start;   // per swath, into order
    std::vector<uint32_t> order;   // chunk numbers
    bool all = false;              // too many entries: every swath walks every chunk

    bool Matches(const COnePage& p, int lw, int d, int w) const
    {
        return page == &p && curveData == p.m_curves.data() && curves == p.m_curves.size() && maxX == p.m_maxX
               && maxY == p.m_maxY && lineWidth == lw && dpi == d && width == w;
    }
    void Build(const COnePage& p, int lw, int d, int w);
};

SwathIndex g_index;

void SwathIndex::Build(const COnePage& p, int lw, int d, int w)
{
    page = &p;
    curveData = p.m_curves.data();
    curves = p.m_curves.size();
    maxX = p.m_maxX;
    maxY = p.m_maxY;
    const size_t points = p.PointCount();
    lineWidth = lw;
    dpi = d;
    width = w;
    gx.clear();
    gy.clear();
    chunks.clear();
    gx.reserve(points);
    gy.reserve(points);
    for (const auto& c : p.m_curves) {
        const auto& pts = c->m_points;
        if (pts.size() < 2)
            continue;
        const auto base = static_cast<uint32_t>(gx.size());
        for (const CPoint& pt : pts) {
            gx.push_back(GridX(pt.x));
            gy.push_back(GridY(pt.y, d));
        }
        for (size_t s = 0; s + 1 < pts.size(); s += CHUNK_SEGMENTS) {
            const size_t n = std::min(CHUNK_SEGMENTS, pts.size() - 1 - s) + 1;
            chunks.push_back({base + static_cast<uint32_t>(s), static_cast<uint32_t>(n)});
        }
    }
    // The swaths a chunk reaches: bitmap x = lw - n * w + gx must come
    // within the pen's reach of 0 .. 319.
    const int64_t reach = std::max(lw, 1) / 2 + 2;
    std::vector<std::pair<int64_t, int64_t>> span(chunks.size());
    int64_t last = -1;
    for (size_t k = 0; k < chunks.size(); ++k) {
        const auto [lo, hi] = std::minmax_element(gx.begin() + chunks[k].first,
                                                  gx.begin() + chunks[k].first + chunks[k].count);
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
    all = entries > (int64_t{1} << 26);
    if (all) {
        start.clear();
        order.clear();
        return;
    }
    const size_t buckets = static_cast<size_t>(last + 1);
    start.assign(buckets + 1, 0);
    for (const auto& [first, end] : span)
        for (int64_t n = first; n <= end; ++n)
            ++start[static_cast<size_t>(n) + 1];
    for (size_t n = 0; n < buckets; ++n)
        start[n + 1] += start[n];
    order.assign(start[buckets], 0);
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t k = 0; k < chunks.size(); ++k)
        for (int64_t n = span[k].first; n <= span[k].second; ++n)
            order[fill[static_cast<size_t>(n)]++] = static_cast<uint32_t>(k);
}

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
}  // namespace

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
    const COnePage& page = g_plotPage;
    const int xmax = page.m_maxX, ymax = page.m_maxY;
    if (xmax == 0 && ymax == 0)
        return 0;
    const int lw = g_settings.m_lineWidth;
    const int dpi = ResolutionDpi();
    const int w = SwathWidth();
    const int b = RoundHalfUp((xmax / 40.0) * 300.0 / 25.0 + 2 * lw);
    const int c = RoundHalfUp((ymax / 40.0) * dpi / 25.4 + 2 * lw);
    g_swathRows = vexa::WrapAdd(vexa::WrapAdd(g_settings.m_head2Position, c), 32);
    g_index.Build(page, lw, dpi, w);
    return b / w + (b % w != 0 ? 1 : 0);
}

bool SwathFitsBuffers()
{
    const int64_t rows = g_swathRows;
    const int64_t h = g_settings.m_head2Position;
    return rows >= 0 && rows <= SWATH_CAPACITY_ROWS && h >= 0
           && rows + h + LEADING_BLANK_RECORDS <= SWATH_CAPACITY_RECORDS;
}

namespace {
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

std::string CheckSwathWidth()
{
    const double dpi = ResolutionDpi();
    const bool chinese = g_settings.m_language == 0;
    const int rows = g_swathRows;
    // A job the swath buffers cannot hold is refused whatever the machine's
    // length claims, and for another reason: it says so.
    if (!SwathFitsBuffers()) {
        const int head2 = g_settings.m_head2Position;
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
    const double startOffset = std::trunc(g_settings.m_startOffset * dpi / 25.4);
    const double needed =
        std::trunc(2 * g_settings.m_idleDistance * dpi / 25.4 + (g_swathRows + 10 + startOffset));
    const double available = std::trunc(g_settings.m_machineLength * dpi / 25.4);
    if (needed <= available)
        return {};
    // The designed words first, then the numbers and what to change.
    const std::string details =
        chinese ? Format("作业需要 %.0f 行（%.1f mm：作业 %d 行，加两端空走距离和起始偏移），机器允许 %.0f 行（机器长度 "
                         "%d mm）。请减小纸张宽度（分页长度）、空走距离或起始偏移，或检查机器长度。",
                         needed, RowsToMm(needed, dpi), rows, available, g_settings.m_machineLength.load())
                : Format("The job needs %.0f rows (%.1f mm: %d rows of the job plus the idle travel at both ends "
                         "and the start offset); the machine allows %.0f rows (machine length %d mm). Reduce the "
                         "paper width, the idle distance or the start offset, or check the machine length.",
                         needed, RowsToMm(needed, dpi), rows, available, g_settings.m_machineLength.load());
    return std::string(MSG_BEYOND_MACHINE_WIDTH) + "\n" + details;
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
    const vexa::SwathCanvas canvas = SwathBitmapCanvas();
    const int lw = g_settings.m_lineWidth;
    const int dpi = ResolutionDpi();
    const int w = SwathWidth();
    if (!g_index.Matches(g_plotPage, lw, dpi, w))
        g_index.Build(g_plotPage, lw, dpi, w);
    const int offset = n * w;
    if (g_index.all) {
        for (const SwathIndex::Chunk& ch : g_index.chunks)
            DrawPoints(canvas, g_index.gx.data() + ch.first, g_index.gy.data() + ch.first, ch.count, lw, offset, lw);
        return;
    }
    if (n < 0 || static_cast<size_t>(n) + 1 >= g_index.start.size())
        return;  // no curve comes near this swath
    for (uint32_t k = g_index.start[static_cast<size_t>(n)]; k < g_index.start[static_cast<size_t>(n) + 1]; ++k) {
        const SwathIndex::Chunk& ch = g_index.chunks[g_index.order[k]];
        DrawPoints(canvas, g_index.gx.data() + ch.first, g_index.gy.data() + ch.first, ch.count, lw, offset, lw);
    }
}
