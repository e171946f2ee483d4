#include "ui/page_draw.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>

#include "model/one_page.h"
#include "raster/printed_dots.h"
#include "raster/swath_geometry.h"
#include "ui/disp_set.h"

using vexa::TruncateToInt;

namespace {
// Coordinates handed to the painter stay within this: its fixed-point
// arithmetic must not overflow, and nothing that far out can show.
constexpr int kFar = 1 << 22;
// A selected curve's squares reach 3 pixels from their centre.
constexpr int kSquareReach = 3;
// A curve covering more grid cells than this is kept out of the grid.
constexpr int64_t kLargeCells = 256;
constexpr int kMaxCellsPerSide = 1024;

int Saturate(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

bool IsFar(QPoint p)
{
    return p.x() < -kFar || p.x() > kFar || p.y() < -kFar || p.y() > kFar;
}

// Which sides of r the point lies beyond.
unsigned Outcode(QPoint p, const QRect& r)
{
    return (p.x() < r.left() ? 1u : 0u) | (p.x() > r.right() ? 2u : 0u) | (p.y() < r.top() ? 4u : 0u) |
           (p.y() > r.bottom() ? 8u : 0u);
}

// Liang-Barsky: the part of the segment a-b inside the square of half side
// `half` around c, as parameters t0 <= t1 along it; false when none.
bool ClipParams(double ax, double ay, double bx, double by, double cx, double cy, double half, double& t0, double& t1)
{
    t0 = 0.0;
    t1 = 1.0;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - (cx - half), (cx + half) - ax, ay - (cy - half), (cy + half) - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1)
            return false;
    }
    return true;
}

// The screen box of a plotter box: the transform is monotone along each
// axis, so the corners give the extremes of every point inside.
QRect ScreenBox(const CDispSet& ds, const CPageIndex::Box& b)
{
    const QPoint p = ds.PlotterToScreen(b.minX, b.minY);
    const QPoint q = ds.PlotterToScreen(b.maxX, b.maxY);
    return QRect(QPoint(std::min(p.x(), q.x()), std::min(p.y(), q.y())),
                 QPoint(std::max(p.x(), q.x()), std::max(p.y(), q.y())));
}

bool Meets(const QRect& a, const QRect& b)
{
    return a.left() <= b.right() && a.right() >= b.left() && a.top() <= b.bottom() && a.bottom() >= b.top();
}

// A plotter rectangle holding every point that lands in the screen
// rectangle r (inclusive), with some slack; false when the scale gives no
// usable inverse (then everything is a candidate).
bool PlotterRange(const CDispSet& ds, const QRect& r, int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1)
{
    const double s = ds.m_scale;
    if (!(s > 0.0) || !std::isfinite(s))
        return false;
    auto toInt = [](double v) { return static_cast<int64_t>(std::clamp(v, -1e12, 1e12)); };
    const double sx = ds.m_scrollX, sy = ds.m_scrollY, h = ds.m_viewHeight;
    x0 = toInt(std::floor((r.left() - 52.0 + sx) / s)) - 1;
    x1 = toInt(std::ceil((r.right() - 48.0 + sx) / s)) + 1;
    y0 = toInt(std::floor((h - 32.0 - sy - r.bottom()) / s)) - 1;
    y1 = toInt(std::ceil((h - 28.0 - sy - r.top()) / s)) + 1;
    return true;
}

// Calls f(k) for the k in [first, last] whose pixel pos(k) lies in [lo, hi],
// the first k of each pixel only. pos must be monotone in k and close to
// base + k * step, which lets the walk jump over runs of one pixel.
template <class Pos, class F>
void ForEachVisible(long long first, long long last, double base, double step, long long lo, long long hi, Pos pos,
                    F f)
{
    if (first > last)
        return;
    if (!(std::fabs(step) > 0.0) || !std::isfinite(step) || !std::isfinite(base)) {
        const long long p = pos(first);
        if (p >= lo && p <= hi)
            f(first);
        return;
    }
    // Walk in the direction of growing pixels: u = dir * pixel.
    const double dir = step > 0 ? 1.0 : -1.0;
    const double ulo = step > 0 ? static_cast<double>(lo) : -static_cast<double>(hi);
    const double uhi = step > 0 ? static_cast<double>(hi) : -static_cast<double>(lo);
    const double ub = dir * base, us = std::fabs(step);
    auto kAt = [&](double u) {
        return static_cast<long long>(std::clamp(std::floor((u - ub) / us), -9e15, 9e15));
    };
    long long k = std::clamp(kAt(ulo - 2.0) - 1, first, last);
    bool any = false;
    long long previous = 0;
    while (k <= last) {
        const long long p = pos(k);
        const double u = dir * static_cast<double>(p);
        if (u > uhi)
            break;
        if (u >= ulo && (!any || p != previous)) {
            f(k);
            any = true;
            previous = p;
        }
        // The next pixel starts near here; the model is only approximately
        // the transform, so land a step short.
        k = std::max(k + 1, std::min(last + 1, kAt(u + 1.0) - 1));
    }
}

// Pixel of a ruler position, as the transform gives it.
int ScreenX(const CDispSet& ds, long long x)
{
    return ds.PlotterToScreen(Saturate(x), 0).x();
}
int ScreenY(const CDispSet& ds, long long y)
{
    return ds.PlotterToScreen(0, Saturate(y)).y();
}

void DrawHLine(QPainter& painter, long long x0, long long x1, long long y, const QRect& clip)
{
    if (y < clip.top() || y > clip.bottom())
        return;
    const long long l = std::max<long long>(std::min(x0, x1), clip.left() - 1);
    const long long r = std::min<long long>(std::max(x0, x1), clip.right() + 1);
    if (l <= r)
        painter.drawLine(static_cast<int>(l), static_cast<int>(y), static_cast<int>(r), static_cast<int>(y));
}

void DrawVLine(QPainter& painter, long long x, long long y0, long long y1, const QRect& clip)
{
    if (x < clip.left() || x > clip.right())
        return;
    const long long t = std::max<long long>(std::min(y0, y1), clip.top() - 1);
    const long long b = std::min<long long>(std::max(y0, y1), clip.bottom() + 1);
    if (t <= b)
        painter.drawLine(static_cast<int>(x), static_cast<int>(t), static_cast<int>(x), static_cast<int>(b));
}

QRect PainterClip(QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    return QRect(0, 0, device ? device->width() : 0, device ? device->height() : 0);
}
}  // namespace

// --- One curve ------------------------------------------------------------

bool IsInsideRect(const CCurve& curve, const QRect& rc, const CDispSet& ds)
{
    for (const CPoint& p : curve.m_points)
        if (!rc.contains(ds.PlotterToScreen(p.x, p.y)))
            return false;
    return true;
}

namespace {
// Whether the point lies in the polygon with the even-odd rule, sampled at
// the integer point with left and top edges inside and right and bottom edges
// outside: what the window system's polygon region gives, without building
// one (a long segment's region takes a row for every pixel of its height).
bool InPolygon(const QPoint* corners, int n, long long px, long long py)
{
    bool inside = false;
    for (int i = 0; i < n; ++i) {
        QPoint a = corners[i], b = corners[(i + 1) % n];
        if (a.y() == b.y())
            continue;
        if (a.y() > b.y())
            std::swap(a, b);
        if (py < a.y() || py >= b.y())
            continue;
        // The edge crosses the row at or left of the point.
        if ((px - a.x()) * (static_cast<long long>(b.y()) - a.y()) >=
            (py - a.y()) * (static_cast<long long>(b.x()) - a.x()))
            inside = !inside;
    }
    return inside;
}

// The segment widened by 4 pixels to each side and lengthened by 4 at each
// end, as a quadrilateral with truncated corners; hit when the point lies in
// it.
bool SegmentHit(QPoint s0, QPoint s1, int sx, int sy)
{
    // The quadrilateral reaches 4 * sqrt(2) pixels beyond the ends.
    const long long reach = 7;
    if (sx < std::min<long long>(s0.x(), s1.x()) - reach || sx > std::max<long long>(s0.x(), s1.x()) + reach ||
        sy < std::min<long long>(s0.y(), s1.y()) - reach || sy > std::max<long long>(s0.y(), s1.y()) + reach)
        return false;
    double x0 = s0.x(), y0 = s0.y(), x1 = s1.x(), y1 = s1.y();
    const double theta = std::atan2(y1 - y0, x1 - x0);
    const double c = 4 * std::cos(theta);
    const double s = 4 * std::sin(theta);
    if (IsFar(s0) || IsFar(s1)) {
        // Only the part near the point matters, and the products of the
        // test must stay within 64 bits: keep that part alone.
        double t0, t1;
        if (!ClipParams(x0, y0, x1, y1, sx, sy, 1024.0, t0, t1))
            return false;
        const double dx = x1 - x0, dy = y1 - y0;
        const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
        x1 = x0 + t1 * dx;
        y1 = y0 + t1 * dy;
        x0 = ax;
        y0 = ay;
    }
    const QPoint quad[4] = {QPoint(TruncateToInt(x0 - c - s), TruncateToInt(y0 - s + c)),
                            QPoint(TruncateToInt(x0 - c + s), TruncateToInt(y0 - s - c)),
                            QPoint(TruncateToInt(x1 + c + s), TruncateToInt(y1 + s - c)),
                            QPoint(TruncateToInt(x1 + c - s), TruncateToInt(y1 + s + c))};
    return InPolygon(quad, 4, sx, sy);
}
}  // namespace

bool HitTest(const CCurve& curve, int sx, int sy, const CDispSet& ds)
{
    const std::vector<CPoint>& pts = curve.m_points;
    if (pts.size() < 2)
        return false;
    QPoint s0 = ds.PlotterToScreen(pts[0].x, pts[0].y);
    for (size_t i = 1; i < pts.size(); ++i) {
        const QPoint s1 = ds.PlotterToScreen(pts[i].x, pts[i].y);
        if (SegmentHit(s0, s1, sx, sy))
            return true;
        s0 = s1;
    }
    return false;
}

// --- Paper, ruler and grid ------------------------------------------------

std::vector<RulerLabel> RulerLabels(const CDispSet& ds, int maxX, int pageWidthMm, const QRect& clip)
{
    std::vector<RulerLabel> labels;
    const int e = RulerStep(ds.m_scale);
    const int nX = TruncateToInt(maxX / (e * 40.0));
    const int nY = pageWidthMm / e;
    const double stepPx = e * 40.0 * ds.m_scale;
    // A label's text reaches about 40 pixels right of its corner and 20 down.
    const bool all = clip.isNull();
    const long long left = all ? LLONG_MIN / 4 : clip.left() - 48LL;
    const long long right = all ? LLONG_MAX / 4 : clip.right() + 2LL;
    const long long top = all ? LLONG_MIN / 4 : clip.top() - 24LL;
    const long long bottom = all ? LLONG_MAX / 4 : clip.bottom() + 2LL;

    const int acrossX = ds.PlotterToScreen(0, 0).x() - 36;
    if (acrossX >= left && acrossX <= right) {
        ForEachVisible(
            0, nY, ds.m_viewHeight - 30.0 - ds.m_scrollY - 8.0, -stepPx, top, bottom,
            [&](long long k) { return ScreenY(ds, k * e * 40LL) - 8LL; },
            [&](long long k) {
                labels.push_back({QPoint(acrossX, ScreenY(ds, k * e * 40LL) - 8),
                                  QString::asprintf("%03lld", k * e)});
            });
    }
    const int alongY = ds.PlotterToScreen(0, 0).y() + 6;
    if (nX / 2 >= 0 && alongY >= top && alongY <= bottom) {
        ForEachVisible(
            0, nX / 2, 50.0 - ds.m_scrollX - 12.0, 2 * stepPx, left, right,
            [&](long long j) { return ScreenX(ds, j * 2 * e * 40LL) - 12LL; },
            [&](long long j) {
                labels.push_back({QPoint(ScreenX(ds, j * 2 * e * 40LL) - 12, alongY),
                                  QString::asprintf("%03lld", j * 2 * e)});
            });
    }
    return labels;
}

void DrawOutline(QPainter& painter, int l, int t, int r, int b)
{
    // The painter's own rectangle covers one pixel more to the right and
    // below; four lines, each clamped near the image, cover just the edge.
    const long long x0 = std::min(l, r), x1 = std::max(l, r) - 1LL;
    const long long y0 = std::min(t, b), y1 = std::max(t, b) - 1LL;
    if (x1 < x0 || y1 < y0)
        return;
    const QRect clip = PainterClip(painter);
    DrawHLine(painter, x0, x1, y0, clip);
    DrawHLine(painter, x0, x1, y1, clip);
    DrawVLine(painter, x0, y0, y1, clip);
    DrawVLine(painter, x1, y0, y1, clip);
}

void DrawPaperAndRuler(QPainter& painter, const CDispSet& ds, int maxX, int pageWidthMm, const QRect& clip)
{
    const int paperY = TruncateToInt(pageWidthMm * 40.0);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ds.m_paperColor, 0));
    const QPoint a = ds.PlotterToScreen(0, 0);
    const QPoint b = ds.PlotterToScreen(maxX, paperY);
    DrawOutline(painter, Saturate(a.x() - 4LL), Saturate(a.y() + 4LL), Saturate(b.x() + 4LL), Saturate(b.y() - 4LL));

    // Labels first, the grid over them.
    painter.setPen(QColor(0, 255, 0));
    const int ascent = QFontMetrics(painter.font()).ascent();
    for (const RulerLabel& label : RulerLabels(ds, maxX, pageWidthMm, clip))
        painter.drawText(label.pos.x(), label.pos.y() + ascent, label.text);

    painter.setPen(QPen(QColor(20, 60, 60), 0));
    const int e = RulerStep(ds.m_scale);
    const int nX = TruncateToInt(maxX / (e * 40.0));
    const int nY = pageWidthMm / e;
    const double stepPx = e * 40.0 * ds.m_scale;
    const int xLeft = a.x(), xRight = ds.PlotterToScreen(maxX, 0).x();
    ForEachVisible(
        1, nY - 1LL, ds.m_viewHeight - 30.0 - ds.m_scrollY, -stepPx, clip.top(), clip.bottom(),
        [&](long long k) { return ScreenY(ds, k * e * 40LL); },
        [&](long long k) { DrawHLine(painter, xLeft, xRight, ScreenY(ds, k * e * 40LL), clip); });
    const int yBottom = a.y(), yTop = ds.PlotterToScreen(0, paperY).y();
    ForEachVisible(
        1, nX, 50.0 - ds.m_scrollX, stepPx, clip.left(), clip.right(),
        [&](long long j) { return ScreenX(ds, j * e * 40LL); },
        [&](long long j) { DrawVLine(painter, ScreenX(ds, j * e * 40LL), yBottom, yTop, clip); });
}

// --- Swath marker -----------------------------------------------------------

int SwathEndX(long long a)
{
    // Swaths of SwathWidth() dots of 1/12 mm: 12.5 mm with one cartridge.
    const double dots = static_cast<double>(SwathWidth() * (a + 1));
    return TruncateToInt(dots * 25.0 / 300.0 * 40.0);
}

SwathCorners SwathMarkerCorners(const CDispSet& ds, int progress, int startAtMm, int pageWidthMm)
{
    const long long t = startAtMm * 40LL;
    const int x0 = Saturate(t + SwathEndX(progress - 1LL));
    const int x1 = Saturate(t + SwathEndX(progress));
    return {ds.PlotterToScreen(x0, 0), ds.PlotterToScreen(x1, TruncateToInt(pageWidthMm * 40.0))};
}

// --- Index --------------------------------------------------------------------

CPageIndex::Key CPageIndex::KeyOf(const COnePage& page)
{
    Key key{&page, page.m_curves.size(), page.m_minX, page.m_maxX, page.m_minY, page.m_maxY, 0};
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint64_t v) {
        h ^= v;
        h *= 1099511628211ull;
    };
    const size_t n = page.m_curves.size();
    const size_t step = std::max<size_t>(1, n / 64);
    auto sample = [&](size_t i) {
        const CCurve& c = *page.m_curves[i];
        mix(reinterpret_cast<uintptr_t>(&c));
        mix(c.m_points.size());
        if (!c.m_points.empty()) {
            const CPoint f = c.m_points.front(), l = c.m_points.back();
            mix((static_cast<uint64_t>(static_cast<uint32_t>(f.x)) << 32) | static_cast<uint32_t>(f.y));
            mix((static_cast<uint64_t>(static_cast<uint32_t>(l.x)) << 32) | static_cast<uint32_t>(l.y));
        }
    };
    for (size_t i = 0; i < n; i += step)
        sample(i);
    if (n > 0)
        sample(n - 1);
    key.sample = h;
    return key;
}

bool CPageIndex::Sync(const COnePage& page)
{
    const Key key = KeyOf(page);
    if (m_valid && key == m_key)
        return false;
    Build(page);
    m_key = key;
    m_valid = true;
    ++m_rebuilds;
    return true;
}

int CPageIndex::CellX(int64_t x) const
{
    return static_cast<int>(std::clamp<int64_t>((x - m_gridX) / m_cellW, 0, m_nx - 1));
}

int CPageIndex::CellY(int64_t y) const
{
    return static_cast<int>(std::clamp<int64_t>((y - m_gridY) / m_cellH, 0, m_ny - 1));
}

void CPageIndex::Build(const COnePage& page)
{
    const size_t n = page.m_curves.size();
    m_boxes.assign(n, Box{1, 1, 0, 0});
    m_mark.assign(n, 0);
    m_markValue = 0;
    m_large.clear();
    m_entries.clear();
    m_start.clear();
    m_nx = m_ny = 0;
    int64_t minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
    for (size_t i = 0; i < n; ++i) {
        const std::vector<CPoint>& pts = page.m_curves[i]->m_points;
        if (pts.empty())
            continue;
        Box b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
        for (const CPoint& p : pts) {
            b.minX = std::min(b.minX, p.x);
            b.maxX = std::max(b.maxX, p.x);
            b.minY = std::min(b.minY, p.y);
            b.maxY = std::max(b.maxY, p.y);
        }
        m_boxes[i] = b;
        minX = std::min<int64_t>(minX, b.minX);
        minY = std::min<int64_t>(minY, b.minY);
        maxX = std::max<int64_t>(maxX, b.maxX);
        maxY = std::max<int64_t>(maxY, b.maxY);
    }
    if (minX > maxX)
        return;
    // About one cell for every four curves, square in plotter units.
    const int64_t w = maxX - minX + 1, h = maxY - minY + 1;
    const double cell = std::max(1.0, std::sqrt(static_cast<double>(w) * static_cast<double>(h) /
                                                 std::max(1.0, static_cast<double>(n) / 4.0)));
    m_nx = static_cast<int>(std::clamp(std::ceil(static_cast<double>(w) / cell), 1.0, double{kMaxCellsPerSide}));
    m_ny = static_cast<int>(std::clamp(std::ceil(static_cast<double>(h) / cell), 1.0, double{kMaxCellsPerSide}));
    m_gridX = minX;
    m_gridY = minY;
    m_cellW = (w + m_nx - 1) / m_nx;
    m_cellH = (h + m_ny - 1) / m_ny;

    const size_t cells = static_cast<size_t>(m_nx) * static_cast<size_t>(m_ny);
    std::vector<uint32_t> count(cells + 1, 0);
    std::vector<uint8_t> large(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const Box& b = m_boxes[i];
        if (b.minX > b.maxX)
            continue;
        const int cx0 = CellX(b.minX), cx1 = CellX(b.maxX), cy0 = CellY(b.minY), cy1 = CellY(b.maxY);
        if (int64_t{cx1 - cx0 + 1} * (cy1 - cy0 + 1) > kLargeCells) {
            large[i] = 1;
            m_large.push_back(static_cast<int>(i));
            continue;
        }
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx)
                ++count[static_cast<size_t>(cy) * static_cast<size_t>(m_nx) + static_cast<size_t>(cx)];
    }
    m_start.assign(cells + 1, 0);
    for (size_t c = 0; c < cells; ++c)
        m_start[c + 1] = m_start[c] + count[c];
    m_entries.resize(m_start[cells]);
    std::vector<uint32_t> fill(m_start.begin(), m_start.end() - 1);
    for (size_t i = 0; i < n; ++i) {
        const Box& b = m_boxes[i];
        if (b.minX > b.maxX || large[i])
            continue;
        const int cx0 = CellX(b.minX), cx1 = CellX(b.maxX), cy0 = CellY(b.minY), cy1 = CellY(b.maxY);
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx)
                m_entries[fill[static_cast<size_t>(cy) * static_cast<size_t>(m_nx) + static_cast<size_t>(cx)]++] =
                    static_cast<int>(i);
    }
}

void CPageIndex::Query(int64_t x0, int64_t y0, int64_t x1, int64_t y1, std::vector<int>& out)
{
    const size_t before = out.size();
    if (x0 > x1 || y0 > y1 || m_nx == 0)
        return;
    if (++m_markValue == 0) {
        std::fill(m_mark.begin(), m_mark.end(), 0);
        m_markValue = 1;
    }
    const uint32_t mark = m_markValue;
    auto meets = [&](const Box& b) { return b.minX <= x1 && b.maxX >= x0 && b.minY <= y1 && b.maxY >= y0; };
    for (int i : m_large) {
        m_mark[static_cast<size_t>(i)] = mark;
        if (meets(m_boxes[static_cast<size_t>(i)]))
            out.push_back(i);
    }
    const int64_t gridRight = m_gridX + m_cellW * m_nx - 1, gridTop = m_gridY + m_cellH * m_ny - 1;
    if (x1 >= m_gridX && x0 <= gridRight && y1 >= m_gridY && y0 <= gridTop) {
        const int cx0 = CellX(x0), cx1 = CellX(x1), cy0 = CellY(y0), cy1 = CellY(y1);
        for (int cy = cy0; cy <= cy1; ++cy) {
            const size_t row = static_cast<size_t>(cy) * static_cast<size_t>(m_nx);
            for (size_t e = m_start[row + static_cast<size_t>(cx0)]; e < m_start[row + static_cast<size_t>(cx1) + 1];
                 ++e) {
                const int i = m_entries[e];
                if (m_mark[static_cast<size_t>(i)] == mark)
                    continue;
                m_mark[static_cast<size_t>(i)] = mark;
                if (meets(m_boxes[static_cast<size_t>(i)]))
                    out.push_back(i);
            }
        }
    }
    // In list order: sorted when few, else collected again by a pass over all.
    const size_t found = out.size() - before;
    if (found > m_boxes.size() / 16) {
        out.resize(before);
        for (size_t i = 0; i < m_boxes.size(); ++i)
            if (m_mark[i] == mark && meets(m_boxes[i]))
                out.push_back(static_cast<int>(i));
    } else {
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(before), out.end());
    }
}

// --- Painter ------------------------------------------------------------------

namespace {
// Candidates of the index for a screen rectangle: the curves whose screen box
// meets it, in list order.
void CurvesMeeting(CPageIndex& index, const CDispSet& ds, const QRect& r, std::vector<int>& out)
{
    out.clear();
    int64_t x0, y0, x1, y1;
    if (!PlotterRange(ds, r, x0, y0, x1, y1)) {
        x0 = y0 = INT64_MIN / 4;
        x1 = y1 = INT64_MAX / 4;
    }
    index.Query(x0, y0, x1, y1, out);
    out.erase(std::remove_if(out.begin(), out.end(),
                             [&](int i) { return !Meets(ScreenBox(ds, index.BoxOf(i)), r); }),
              out.end());
}
}  // namespace

void CPagePainter::Draw(QPainter& painter, const COnePage& page, const CDispSet& ds, const QRect& clip)
{
    m_index.Sync(page);
    // A line beyond this cannot reach the clip rectangle.
    m_guard = clip.adjusted(-2, -2, 2, 2);
    // Centres of squares that can reach it: a square covers -3 .. +2.
    m_squareArea = QRect(QPoint(clip.left() - 2, clip.top() - 2), QPoint(clip.right() + kSquareReach,
                                                                           clip.bottom() + kSquareReach));
    m_squareSeenClear = false;
    CurvesMeeting(m_index, ds, clip.adjusted(-kSquareReach - 1, -kSquareReach - 1, kSquareReach + 1, kSquareReach + 1),
                  m_found);
    painter.setPen(QPen(ds.m_curveColor, 0));
    painter.setBrush(Qt::NoBrush);
    for (int i : m_found)
        DrawCurve(painter, *page.m_curves[static_cast<size_t>(i)], ds);
    FlushSquares(painter);
}

void CPagePainter::AddSquare(QPoint p)
{
    if (!m_squareArea.contains(p))
        return;
    const size_t width = static_cast<size_t>(m_squareArea.width());
    if (!m_squareSeenClear) {
        m_squareSeen.assign(width * static_cast<size_t>(m_squareArea.height()), 0);
        m_squareSeenClear = true;
    }
    uint8_t& seen = m_squareSeen[static_cast<size_t>(p.y() - m_squareArea.top()) * width +
                                 static_cast<size_t>(p.x() - m_squareArea.left())];
    if (seen)
        return;
    seen = 1;
    // The painter's rectangle of width 5 covers 6 pixels: -3 .. +2.
    m_squares.emplace_back(p.x() - kSquareReach, p.y() - kSquareReach, 2 * kSquareReach - 1, 2 * kSquareReach - 1);
}

void CPagePainter::FlushSquares(QPainter& painter)
{
    if (!m_squares.empty())
        painter.drawRects(m_squares.data(), static_cast<int>(m_squares.size()));
    m_squares.clear();
}

void CPagePainter::FlushRun(QPainter& painter)
{
    if (m_run.size() >= 2)
        painter.drawPolyline(m_run.data(), static_cast<int>(m_run.size()));
    m_run.clear();
}

void CPagePainter::DrawCurve(QPainter& painter, const CCurve& curve, const CDispSet& ds)
{
    const std::vector<CPoint>& pts = curve.m_points;
    if (pts.empty())
        return;
    const bool selected = curve.m_selected != 0;
    m_path.clear();
    bool far = false;
    unsigned codeA = 0, codeB = 0;  // of the last two points of the path
    for (size_t i = 0; i < pts.size(); ++i) {
        const QPoint q = ds.PlotterToScreen(pts[i].x, pts[i].y);
        if (selected) {
            AddSquare(q);
            if (i > 0) {
                const int mx = static_cast<int>((int64_t{pts[i - 1].x} + pts[i].x) / 2);
                const int my = static_cast<int>((int64_t{pts[i - 1].y} + pts[i].y) / 2);
                AddSquare(ds.PlotterToScreen(mx, my));
                if (m_squares.size() >= 4096)
                    FlushSquares(painter);
            }
        }
        if (!m_path.empty() && q == m_path.back())
            continue;
        const unsigned code = Outcode(q, m_guard);
        far = far || IsFar(q);
        if (m_path.size() >= 2 && (codeA & codeB & code) != 0) {
            // The last three points lie beyond the same side: the middle one
            // adds nothing that shows.
            m_path.back() = q;
            codeB = code;
            continue;
        }
        m_path.push_back(q);
        codeA = codeB;
        codeB = code;
    }
    // A curve within one pixel draws nothing, as its segments would.
    if (m_path.size() < 2)
        return;
    if (!far) {
        painter.drawPolyline(m_path.data(), static_cast<int>(m_path.size()));
        return;
    }
    // Segments reaching far out are cut at kFar, breaking the polyline there.
    m_run.clear();
    for (size_t i = 1; i < m_path.size(); ++i) {
        const QPoint a = m_path[i - 1], b = m_path[i];
        if (!IsFar(a) && !IsFar(b)) {
            if (m_run.empty())
                m_run.push_back(a);
            m_run.push_back(b);
            continue;
        }
        double t0, t1;
        if (!ClipParams(a.x(), a.y(), b.x(), b.y(), 0.0, 0.0, kFar, t0, t1)) {
            FlushRun(painter);
            continue;
        }
        const double dx = static_cast<double>(b.x()) - a.x(), dy = static_cast<double>(b.y()) - a.y();
        const QPoint ca(static_cast<int>(std::lround(a.x() + t0 * dx)), static_cast<int>(std::lround(a.y() + t0 * dy)));
        const QPoint cb(static_cast<int>(std::lround(a.x() + t1 * dx)), static_cast<int>(std::lround(a.y() + t1 * dy)));
        if (m_run.empty() || m_run.back() != ca) {
            FlushRun(painter);
            m_run.push_back(ca);
        }
        m_run.push_back(cb);
        if (IsFar(b))
            FlushRun(painter);
    }
    FlushRun(painter);
}

int CPagePainter::HitCurve(const COnePage& page, int sx, int sy, const CDispSet& ds)
{
    m_index.Sync(page);
    CurvesMeeting(m_index, ds, QRect(sx - 8, sy - 8, 17, 17), m_found);
    for (int i : m_found)
        if (HitTest(*page.m_curves[static_cast<size_t>(i)], sx, sy, ds))
            return i;
    return -1;
}

std::vector<int> CPagePainter::CurvesInside(const COnePage& page, const QRect& rc, const CDispSet& ds)
{
    std::vector<int> inside;
    if (rc.isEmpty())
        return inside;
    m_index.Sync(page);
    CurvesMeeting(m_index, ds, rc, m_found);
    for (int i : m_found)
        if (IsInsideRect(*page.m_curves[static_cast<size_t>(i)], rc, ds))
            inside.push_back(i);
    return inside;
}

// --- Printed dots ---------------------------------------------------------------

CDotsPlacement::CDotsPlacement(const vexa::CSwathJob& job, const CDispSet& ds)
    : m_ds(ds),
      m_lineWidth(job.Settings().lineWidth),
      m_swathWidth(job.SwathWidth()),
      m_swaths(job.SwathCount()),
      m_unitsPerRow(40.0 * 25.4 / job.Settings().Dpi())
{
}

double CDotsPlacement::ScreenX(double dotX) const
{
    return ((dotX - m_lineWidth) * 40.0 / 12.0) * m_ds.m_scale + 50.0 - m_ds.m_scrollX;
}

double CDotsPlacement::ScreenY(double row) const
{
    return m_ds.m_viewHeight - ((row - m_lineWidth) * m_unitsPerRow) * m_ds.m_scale - 30.0 - m_ds.m_scrollY;
}

double CDotsPlacement::DotX(double sx) const
{
    return (sx - 50.0 + m_ds.m_scrollX) / m_ds.m_scale * 12.0 / 40.0 + m_lineWidth;
}

double CDotsPlacement::Row(double sy) const
{
    return (m_ds.m_viewHeight - 30.0 - m_ds.m_scrollY - sy) / m_ds.m_scale / m_unitsPerRow + m_lineWidth;
}

void CDotsPlacement::VisibleSwaths(int width, int& first, int& last) const
{
    const double lo = std::floor(DotX(0) / m_swathWidth), hi = std::floor(DotX(width) / m_swathWidth);
    first = static_cast<int>(std::clamp(lo, 0.0, static_cast<double>(m_swaths)));
    last = static_cast<int>(std::clamp(hi, -1.0, static_cast<double>(m_swaths) - 1));
}

int CDotsPlacement::Level() const
{
    const double pixelsPerDot = 40.0 / 12.0 * m_ds.m_scale;
    int level = 0;
    while (level < 24 && pixelsPerDot * (1 << level) < 1.0)
        ++level;
    return level;
}

int DrawPrintedDots(QImage& image, const vexa::CPrintedDots& dots, const vexa::CSwathJob& job, const CDispSet& ds,
                    uint32_t colour)
{
    const CDotsPlacement place(job, ds);
    const int level = place.Level();
    const int64_t block = int64_t{1} << level;
    const int w = image.width(), h = image.height();
    const int swathWidth = job.SwathWidth();
    int first = 0, last = -1;
    place.VisibleSwaths(w, first, last);
    // The rows and dots in view, as block indices, one more each side.
    const double rowLo = place.Row(h), rowHi = place.Row(0);
    const double dotLo = place.DotX(0), dotHi = place.DotX(w);
    auto clampedFloor = [](double v, double lo, double hi) { return static_cast<int64_t>(std::clamp(std::floor(v), lo, hi)); };
    // A span of view pixels [floor(a), floor(b)), at least one pixel, clipped.
    auto span = [](double a, double b, int size, int& from, int& to) {
        const double fa = std::floor(a), fb = std::max(std::floor(b), fa + 1);
        from = static_cast<int>(std::clamp(fa, 0.0, static_cast<double>(size)));
        to = static_cast<int>(std::clamp(fb, 0.0, static_cast<double>(size)));
        return from < to;
    };
    int missing = 0;
    for (int n = first; n <= last; ++n) {
        const std::shared_ptr<const vexa::DotTile> tile = dots.Tile(n, level);
        if (!tile) {
            ++missing;
            continue;
        }
        if (tile->width == 0 || tile->height == 0)
            continue;
        const int64_t x0 = int64_t{n} * swathWidth;
        const int64_t pyFirst = clampedFloor(rowLo / block - 1, 0, tile->height - 1);
        const int64_t pyLast = clampedFloor(rowHi / block + 1, 0, tile->height - 1);
        const int64_t pxFirst = clampedFloor((dotLo - x0) / block - 1, 0, tile->width - 1);
        const int64_t pxLast = clampedFloor((dotHi - x0) / block + 1, 0, tile->width - 1);
        const size_t rowWords = tile->RowWords();
        for (int64_t py = pyFirst; py <= pyLast; ++py) {
            int top = 0, bottom = 0;
            if (!span(place.ScreenY(static_cast<double>(std::min((py + 1) * block, int64_t{job.Rows()}))),
                      place.ScreenY(static_cast<double>(py * block)), h, top, bottom))
                continue;
            const uint64_t* words = tile->bits.data() + static_cast<size_t>(py) * rowWords;
            for (size_t wi = static_cast<size_t>(pxFirst) / 64; wi <= static_cast<size_t>(pxLast) / 64; ++wi) {
                for (uint64_t bits = words[wi]; bits != 0; bits &= bits - 1) {
                    const int64_t px = static_cast<int64_t>(wi * 64) + std::countr_zero(bits);
                    if (px < pxFirst || px > pxLast)
                        continue;
                    const int64_t dx = x0 + px * block;
                    const int64_t dxEnd = std::min(dx + block, x0 + swathWidth);
                    int left = 0, right = 0;
                    if (!span(place.ScreenX(static_cast<double>(dx)), place.ScreenX(static_cast<double>(dxEnd)), w,
                              left, right))
                        continue;
                    for (int y = top; y < bottom; ++y) {
                        auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
                        std::fill(line + left, line + right, colour);
                    }
                }
            }
        }
    }
    return missing;
}
