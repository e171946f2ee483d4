#include "raster/line_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace vexa {
namespace {
__extension__ typedef __int128 Int128;

constexpr int MAX_PEN = 255;

int64_t FloorDiv(int64_t num, int64_t den)  // den > 0
{
    const int64_t q = num / den;
    return (num % den != 0 && num < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t num, int64_t den)  // den > 0
{
    return -FloorDiv(-num, den);
}

// A one-dot line. After i steps along the major axis the minor axis has moved
// q(i) = floor((2ib + a - 1 + bias) / 2a) steps; walking from the first
// visible step with the error term the full walk would have there keeps
// every dot where the unclipped line puts it.
void ThinLine(const SwathCanvas& c, int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    const int64_t dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0)
        return;
    const bool xMajor = std::llabs(dx) > std::llabs(dy);
    const int64_t a = xMajor ? std::llabs(dx) : std::llabs(dy);
    const int64_t b = xMajor ? std::llabs(dy) : std::llabs(dx);
    const int64_t sMaj = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int64_t sMin = (xMajor ? dy : dx) >= 0 ? 1 : -1;
    const int64_t bias = ((xMajor && dy < 0) || (!xMajor && dx < 0)) ? 1 : 0;
    const int64_t m0 = xMajor ? x0 : y0;
    const int64_t n0 = xMajor ? y0 : x0;
    const int64_t majHi = xMajor ? SwathCanvas::WIDTH : c.rows;
    const int64_t minHi = xMajor ? c.rows : SwathCanvas::WIDTH;

    // Steps whose major coordinate lies in the canvas.
    int64_t iStart, iEnd;
    if (sMaj > 0) {
        iStart = std::max<int64_t>(0, -m0);
        iEnd = std::min<int64_t>(a, majHi - m0);
    } else {
        iStart = std::max<int64_t>(0, m0 - majHi + 1);
        iEnd = std::min<int64_t>(a, m0 + 1);
    }
    if (iStart >= iEnd)
        return;
    auto q = [&](int64_t i) {
        return static_cast<int64_t>((Int128{2} * i * b + a - 1 + bias) / (Int128{2} * a));
    };
    // Narrow to the steps whose minor coordinate lies in the canvas too;
    // q is nondecreasing, so two binary searches find them.
    if (iEnd - iStart > 64 && b != 0) {
        const int64_t qLo = sMin > 0 ? -n0 : n0 - minHi + 1;   // q >= qLo
        const int64_t qHi = sMin > 0 ? minHi - 1 - n0 : n0;    // q <= qHi
        int64_t lo = iStart, hi = iEnd;  // first i with q(i) >= qLo
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (q(mid) >= qLo)
                hi = mid;
            else
                lo = mid + 1;
        }
        iStart = lo;
        lo = iStart;
        hi = iEnd;  // first i with q(i) > qHi
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (q(mid) > qHi)
                hi = mid;
            else
                lo = mid + 1;
        }
        iEnd = lo;
        if (iStart >= iEnd)
            return;
    }
    int64_t qi = q(iStart);
    int64_t e = static_cast<int64_t>(Int128{2} * b - a + Int128{2} * b * iStart - Int128{2} * a * qi);
    int64_t maj = m0 + sMaj * iStart;
    int64_t mnr = n0 + sMin * qi;
    const int64_t stepUp = 2 * b - 2 * a, stepFlat = 2 * b;
    for (int64_t i = iStart; i < iEnd; ++i) {
        if (mnr >= 0 && mnr < minHi) {
            if (xMajor)
                c.Plot(static_cast<int>(maj), static_cast<int>(mnr));
            else
                c.Plot(static_cast<int>(mnr), static_cast<int>(maj));
        }
        if (e + bias > 0) {
            mnr += sMin;
            e += stepUp;
        } else {
            e += stepFlat;
        }
        maj += sMaj;
    }
}

// Dots x0 .. x1 - 1 of row y, clipped.
void ClippedSpan(const SwathCanvas& c, int64_t x0, int64_t x1, int64_t y)
{
    if (y < 0 || y >= c.rows)
        return;
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, SwathCanvas::WIDTH);
    if (x0 < x1)
        c.Span(static_cast<int>(x0), static_cast<int>(x1), static_cast<int>(y));
}

// The round end of a pen of width w: per row of the w x w box from
// -floor(w/2) to ceil(w/2) - 1, the dots between the row's outermost points
// of an integer ellipse stepper with both diameters w - 1. The stepper walks
// one quadrant from the full-width middle row outward and mirrors it (about
// row 0 for odd w, about row -1/2 for even w). It steps inward only when
// 2 * err >= dx; the textbook form of this stepper also steps inward when the
// updated 2 * err > dy, which would round off widths 9 and 16 differently.
struct Cap {
    int top = 0;                    // first row offset
    std::vector<int> left, right;   // per row: dots left .. right - 1 (offsets)
};

Cap StepCap(int w)
{
    Cap cap;
    const int lo = -(w / 2), hi = (w + 1) / 2 - 1;
    cap.top = lo;
    cap.left.assign(static_cast<size_t>(w), hi + 1);
    cap.right.assign(static_cast<size_t>(w), lo);
    const int64_t a = w - 1, b = w - 1, bOdd = b % 2;  // 1 for even widths
    int64_t dx = 4 * b * b * (1 - a), dy = 4 * a * a * (1 + bOdd);
    int64_t err = dx + dy + a * a * bOdd;
    int x0 = lo, x1 = hi;
    int yDown = 0, yUp = bOdd != 0 ? -1 : 0;
    auto widen = [&](int y) {
        const size_t r = static_cast<size_t>(y - lo);
        cap.left[r] = std::min(cap.left[r], x0);
        cap.right[r] = std::max(cap.right[r], x1 + 1);
    };
    // The quadrant ends on the box's outermost rows; the row bounds only
    // keep the walk inside the box.
    while (x0 <= x1 && yUp >= lo && yDown <= hi) {
        widen(yDown);
        widen(yUp);
        const int64_t e2 = 2 * err;
        if (e2 <= dy) {
            ++yDown;
            --yUp;
            dy += 8 * a * a;
            err += dy;
        }
        if (e2 >= dx) {
            ++x0;
            --x1;
            dx += 8 * b * b;
            err += dx;
        }
    }
    return cap;
}

const Cap& CapOf(int w)
{
    static const std::vector<Cap> caps = [] {
        std::vector<Cap> all(MAX_PEN + 1);
        for (int pen = 2; pen <= MAX_PEN; ++pen)
            all[static_cast<size_t>(pen)] = StepCap(pen);
        return all;
    }();
    return caps[static_cast<size_t>(w)];
}

void DrawCap(const SwathCanvas& c, int64_t x, int64_t y, int w)
{
    const Cap& cap = CapOf(w);
    for (size_t r = 0; r < cap.left.size(); ++r)
        if (cap.left[r] < cap.right[r])
            ClippedSpan(c, x + cap.left[r], x + cap.right[r], y + cap.top + static_cast<int64_t>(r));
}

int64_t HalfAway(double v)
{
    return static_cast<int64_t>(v < 0 ? std::trunc(v - 0.5) : std::trunc(v + 0.5));
}

// The body of a sloped wide stroke: a quadrilateral filled row by row, an
// edge counting from its smaller y up to but not including its larger y, and
// each row filled from ceil(left) up to but not including ceil(right).
void SlopedBody(const SwathCanvas& c, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int w)
{
    const double dx = static_cast<double>(x1 - x0), dy = static_cast<double>(y1 - y0);
    const double len = std::sqrt(dx * dx + dy * dy);
    const double wx = w * std::fabs(dy) / len;
    const double wy = w * std::fabs(dx) / len;
    int64_t nx = HalfAway(wx / 2), ny = HalfAway(wy / 2);
    int64_t wdx = HalfAway((wx + 1) / 2), wdy = HalfAway((wy + 1) / 2);
    if (dx < 0) {
        ny = -ny;
        wdy = -wdy;
    }
    if (dy < 0) {
        std::swap(nx, wdx);
        std::swap(ny, wdy);
        nx = -nx;
        wdx = -wdx;
    }
    const int64_t px[4] = {x0 - nx, x0 + wdx, x1 + wdx, x1 - nx};
    const int64_t py[4] = {y0 + ny, y0 - wdy, y1 - wdy, y1 + ny};

    int64_t yLo = *std::min_element(py, py + 4), yHi = *std::max_element(py, py + 4);
    // Only rows near the part of the segment over the canvas can reach it.
    if (x0 != x1) {
        const int64_t margin = w + 2;
        const double xa = std::max<double>(std::min(x0, x1), -margin);
        const double xb = std::min<double>(std::max(x0, x1), SwathCanvas::WIDTH + margin);
        if (xa > xb)
            return;
        const double ya = y0 + (xa - x0) * dy / dx, yb = y0 + (xb - x0) * dy / dx;
        yLo = std::max<int64_t>(yLo, static_cast<int64_t>(std::floor(std::min(ya, yb))) - margin);
        yHi = std::min<int64_t>(yHi, static_cast<int64_t>(std::ceil(std::max(ya, yb))) + margin);
    }
    yLo = std::max<int64_t>(yLo, 0);
    yHi = std::min<int64_t>(yHi, c.rows - 1);
    for (int64_t y = yLo; y <= yHi; ++y) {
        int64_t xs[4];
        int n = 0;
        for (int k = 0; k < 4; ++k) {
            const int64_t ax = px[k], ay = py[k], bx = px[(k + 1) % 4], by = py[(k + 1) % 4];
            if (ay == by || y < std::min(ay, by) || y >= std::max(ay, by))
                continue;
            // ceil(ax + (y - ay) * (bx - ax) / (by - ay))
            int64_t num = (y - ay) * (bx - ax), den = by - ay;
            if (den < 0) {
                num = -num;
                den = -den;
            }
            xs[n++] = ax + CeilDiv(num, den);
        }
        for (int i = 1; i < n; ++i)  // at most four crossings
            for (int j = i; j > 0 && xs[j - 1] > xs[j]; --j)
                std::swap(xs[j - 1], xs[j]);
        for (int k = 0; k + 1 < n; k += 2)
            ClippedSpan(c, xs[k], xs[k + 1], y);
    }
}

void WideLine(const SwathCanvas& c, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int w)
{
    const int64_t half = w / 2;
    if (y0 == y1 && x0 != x1) {
        const int64_t lo = std::min(x0, x1), hi = std::max(x0, x1);
        for (int64_t r = 0; r < w; ++r)
            ClippedSpan(c, lo, hi, y0 - half + r);
    } else if (x0 == x1 && y0 != y1) {
        const int64_t lo = std::min(y0, y1), hi = std::max(y0, y1);
        const int64_t top = std::max<int64_t>(lo, 0), bottom = std::min<int64_t>(hi, c.rows);
        for (int64_t y = top; y < bottom; ++y)
            ClippedSpan(c, x0 - half, x0 - half + w, y);
    } else if (x0 != x1) {
        SlopedBody(c, x0, y0, x1, y1, w);
    }
    DrawCap(c, x0, y0, w);
    DrawCap(c, x1, y1, w);
}
}  // namespace

void SwathCanvas::Span(int x0, int x1, int y) const
{
    uint8_t* row = bits + static_cast<size_t>(y) * STRIDE;
    for (int x = x0; x < x1; ++x)
        row[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
    if (rowInk)
        rowInk[y] = 1;
}

void DrawSegment(const SwathCanvas& canvas, int x0, int y0, int x1, int y1, int penWidth)
{
    if (penWidth <= 1) {
        const int64_t X0 = x0, Y0 = y0, X1 = x1, Y1 = y1;
        if (Y0 == Y1) {
            // Along a row: x0 .. x1 - 1 going right, x1 + 1 .. x0 going left.
            if (X1 > X0)
                ClippedSpan(canvas, X0, X1, Y0);
            else if (X1 < X0)
                ClippedSpan(canvas, X1 + 1, X0 + 1, Y0);
            return;
        }
        if (X0 == X1) {
            if (X0 < 0 || X0 >= SwathCanvas::WIDTH)
                return;
            const int64_t lo = Y1 > Y0 ? Y0 : Y1 + 1, hi = Y1 > Y0 ? Y1 : Y0 + 1;
            for (int64_t y = std::max<int64_t>(lo, 0); y < std::min<int64_t>(hi, canvas.rows); ++y)
                canvas.Plot(x0, static_cast<int>(y));
            return;
        }
        ThinLine(canvas, X0, Y0, X1, Y1);
        return;
    }
    WideLine(canvas, x0, y0, x1, y1, std::min(penWidth, MAX_PEN));
}
}  // namespace vexa
