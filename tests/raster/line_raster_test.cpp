#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

#include "raster/line_raster.h"

namespace {
using Dot = std::pair<int, int>;
using Dots = std::set<Dot>;

// A canvas with the drawing origin at (ox, oy), so that negative example
// coordinates land inside.
struct TestCanvas {
    int rows;
    std::vector<uint8_t> bits;
    std::vector<uint8_t> ink;
    vexa::SwathCanvas canvas;

    explicit TestCanvas(int n) : rows(n), bits(static_cast<size_t>(n) * 40), ink(static_cast<size_t>(n))
    {
        canvas.bits = bits.data();
        canvas.rows = n;
        canvas.rowInk = ink.data();
    }
    Dots Get(int ox = 0, int oy = 0) const
    {
        Dots d;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < 320; ++x)
                if (bits[static_cast<size_t>(y) * 40 + static_cast<size_t>(x / 8)] & (0x80 >> (x % 8)))
                    d.insert({x - ox, y - oy});
        return d;
    }
};

Dots Draw(int x0, int y0, int x1, int y1, int pen = 1)
{
    TestCanvas t(64);
    vexa::DrawSegment(t.canvas, x0 + 100, y0 + 30, x1 + 100, y1 + 30, pen);
    return t.Get(100, 30);
}

// The one-dot walk with no clipping at all.
Dots ReferenceThin(int x0, int y0, int x1, int y1)
{
    Dots d;
    const int dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0)
        return d;
    const bool xMajor = std::abs(dx) > std::abs(dy);
    const int a = xMajor ? std::abs(dx) : std::abs(dy), b = xMajor ? std::abs(dy) : std::abs(dx);
    const int bias = ((xMajor && dy < 0) || (!xMajor && dx < 0)) ? 1 : 0;
    int x = x0, y = y0, e = 2 * b - a;
    for (int i = 0; i < a; ++i) {
        d.insert({x, y});
        if (e + bias > 0) {
            if (xMajor)
                y += dy > 0 ? 1 : -1;
            else
                x += dx > 0 ? 1 : -1;
            e += 2 * b - 2 * a;
        } else {
            e += 2 * b;
        }
        if (xMajor)
            x += dx > 0 ? 1 : -1;
        else
            y += dy > 0 ? 1 : -1;
    }
    return d;
}
}  // namespace

TEST(LineRaster, OneDotWorkedExamples)
{
    EXPECT_EQ(Draw(0, 0, 4, 2), (Dots{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(Draw(0, 0, 2, 4), (Dots{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(Draw(0, 0, -4, 2), (Dots{{0, 0}, {-1, 0}, {-2, 1}, {-3, 1}}));
    EXPECT_EQ(Draw(0, 0, 4, -2), (Dots{{0, 0}, {1, -1}, {2, -1}, {3, -2}}));
    EXPECT_EQ(Draw(0, 0, 5, 0), (Dots{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}));
    EXPECT_EQ(Draw(0, 0, 0, -3), (Dots{{0, 0}, {0, -1}, {0, -2}}));
    EXPECT_EQ(Draw(0, 0, 3, 3), (Dots{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(Draw(0, 0, 4, 1), (Dots{{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
    EXPECT_EQ(Draw(0, 0, -4, -1), (Dots{{0, 0}, {-1, 0}, {-2, -1}, {-3, -1}}));
    EXPECT_EQ(Draw(0, 0, 1, 4), (Dots{{0, 0}, {0, 1}, {0, 2}, {1, 3}}));
    EXPECT_EQ(Draw(0, 0, -1, 4), (Dots{{0, 0}, {0, 1}, {-1, 2}, {-1, 3}}));
    EXPECT_EQ(Draw(0, 0, 0, 0), Dots{});
    EXPECT_EQ(Draw(0, 0, 5, 0, 0), Draw(0, 0, 5, 0, 1)) << "width 0 draws as width 1";
}

TEST(LineRaster, ClippingNeverMovesADot)
{
    std::mt19937 rng(17);
    for (int round = 0; round < 4000; ++round) {
        // Lines up to a few canvases long, placed anywhere around the canvas.
        const int span = round % 4 == 0 ? 3000 : 200;
        auto coord = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo)); };
        const int x0 = coord(-span, 320 + span), y0 = coord(-span, 100 + span);
        const int x1 = coord(-span, 320 + span), y1 = coord(-span, 100 + span);
        TestCanvas t(100);
        vexa::DrawSegment(t.canvas, x0, y0, x1, y1, 1);
        Dots expected;
        for (const Dot& d : ReferenceThin(x0, y0, x1, y1))
            if (d.first >= 0 && d.first < 320 && d.second >= 0 && d.second < 100)
                expected.insert(d);
        ASSERT_EQ(t.Get(), expected) << x0 << "," << y0 << " -> " << x1 << "," << y1;
        for (int y = 0; y < 100; ++y) {
            bool any = false;
            for (const Dot& d : expected)
                any = any || d.second == y;
            ASSERT_EQ(t.ink[static_cast<size_t>(y)] != 0, any) << "row ink flags";
        }
    }
    // Far beyond any canvas, in 32 bits.
    TestCanvas t(10);
    vexa::DrawSegment(t.canvas, -2000000000, 5, 2000000000, 5, 1);
    EXPECT_EQ(t.Get().size(), 320u);
    TestCanvas u(10);
    vexa::DrawSegment(u.canvas, -2000000000, -2000000000, 2000000000, 2000000000, 1);
    EXPECT_EQ(u.Get().size(), 10u);
}

TEST(LineRaster, RoundCaps)
{
    EXPECT_EQ(Draw(0, 0, 0, 0, 2), (Dots{{-1, -1}, {0, -1}, {-1, 0}, {0, 0}}));
    EXPECT_EQ(Draw(0, 0, 0, 0, 3), (Dots{{0, -1}, {-1, 0}, {0, 0}, {1, 0}, {0, 1}}));
    auto rows = [](const Dots& d) {
        std::map<int, std::pair<int, int>> r;
        for (const Dot& p : d) {
            auto it = r.find(p.second);
            if (it == r.end())
                r[p.second] = {p.first, p.first};
            else
                it->second = {std::min(it->second.first, p.first), std::max(it->second.second, p.first)};
        }
        return r;
    };
    using Rows = std::map<int, std::pair<int, int>>;
    EXPECT_EQ(rows(Draw(0, 0, 0, 0, 4)), (Rows{{-2, {-1, 0}}, {-1, {-2, 1}}, {0, {-2, 1}}, {1, {-1, 0}}}));
    EXPECT_EQ(rows(Draw(0, 0, 0, 0, 5)),
              (Rows{{-2, {-1, 1}}, {-1, {-2, 2}}, {0, {-2, 2}}, {1, {-2, 2}}, {2, {-1, 1}}}));
    EXPECT_EQ(rows(Draw(0, 0, 0, 0, 7)), (Rows{{-3, {-1, 1}},
                                               {-2, {-2, 2}},
                                               {-1, {-3, 3}},
                                               {0, {-3, 3}},
                                               {1, {-3, 3}},
                                               {2, {-2, 2}},
                                               {3, {-1, 1}}}));
    EXPECT_EQ(Draw(0, 0, 0, 0, 5).size(), 21u) << "rows are solid";
}

// A zero-length stroke is one cap: its rows as (first dot, last dot).
using Rows = std::map<int, std::pair<int, int>>;
Rows CapRows(int pen, int rows = 64)
{
    TestCanvas t(rows);
    const int oy = rows / 2;
    vexa::DrawSegment(t.canvas, 160, oy, 160, oy, pen);
    Rows r;
    for (const Dot& p : t.Get(160, oy)) {
        auto it = r.find(p.second);
        if (it == r.end())
            r[p.second] = {p.first, p.first};
        else
            it->second = {std::min(it->second.first, p.first), std::max(it->second.second, p.first)};
    }
    return r;
}

// The cap of width w from the dots trimmed off both ends of each row of the
// w x w box, outermost row first, mirrored about row 0 (odd w) or row -1/2.
Rows CapFromTrims(int w, const std::vector<int>& trims)
{
    const int lo = -(w / 2), hi = (w + 1) / 2 - 1;
    Rows r;
    for (int y = lo; y <= hi; ++y) {
        const int fromEdge = std::min(y - lo, hi - y);
        const int trim = fromEdge < static_cast<int>(trims.size()) ? trims[static_cast<size_t>(fromEdge)] : 0;
        r[y] = {lo + trim, hi - trim};
    }
    return r;
}

TEST(LineRaster, RoundCapsOfEveryOperatorWidth)
{
    const std::map<int, std::vector<int>> table = {
        {2, {0}},          {3, {1}},          {4, {1}},          {5, {1}},
        {6, {2, 1}},       {7, {2, 1}},       {8, {2, 1}},       {9, {3, 1, 1}},
        {10, {3, 2, 1}},   {11, {3, 2, 1}},   {12, {4, 2, 1, 1}}, {13, {4, 3, 2, 1}},
        {14, {5, 3, 2, 1, 1}},       {15, {5, 3, 2, 1, 1}},       {16, {5, 4, 2, 2, 1}},
        {17, {6, 4, 3, 2, 1, 1}},    {18, {6, 4, 3, 2, 1, 1}},    {19, {7, 5, 3, 2, 2, 1, 1}},
        {20, {7, 5, 4, 3, 2, 1, 1}}};
    for (const auto& [w, trims] : table)
        EXPECT_EQ(CapRows(w), CapFromTrims(w, trims)) << "width " << w;

    // Width 9 spelt out: the stepper keeps the second and third rows at the
    // same width, where a circle would round them off.
    const Rows nine = {{-4, {-1, 1}}, {-3, {-3, 3}}, {-2, {-3, 3}}, {-1, {-4, 4}}, {0, {-4, 4}},
                       {1, {-4, 4}},  {2, {-3, 3}},  {3, {-3, 3}},  {4, {-1, 1}}};
    EXPECT_EQ(CapRows(9), nine);

    // Every wider pen still fills its whole box: outermost rows at the box's
    // edges and the middle row full width.
    for (int w = 21; w <= 255; ++w) {
        const Rows r = CapRows(w, 300);
        const int lo = -(w / 2), hi = (w + 1) / 2 - 1;
        ASSERT_EQ(static_cast<int>(r.size()), w) << "width " << w;
        ASSERT_EQ(r.begin()->first, lo);
        ASSERT_EQ(r.rbegin()->first, hi);
        ASSERT_EQ(r.at(0), std::make_pair(lo, hi)) << "width " << w;
    }
    EXPECT_EQ(CapRows(300, 300), CapRows(255, 300)) << "wider pens draw as the widest";
}

TEST(LineRaster, WideStrokes)
{
    Dots expected;
    for (int x = 0; x <= 4; ++x)
        expected.insert({x, -1});
    for (int x = -1; x <= 5; ++x)
        expected.insert({x, 0});
    for (int x = 0; x <= 4; ++x)
        expected.insert({x, 1});
    EXPECT_EQ(Draw(0, 0, 4, 0, 3), expected);
    // The same stroke drawn the other way, and vertically.
    EXPECT_EQ(Draw(4, 0, 0, 0, 3), expected);
    Dots vertical;
    for (const Dot& d : expected)
        vertical.insert({d.second, d.first});
    EXPECT_EQ(Draw(0, 0, 0, 4, 3), vertical);
    // Even widths put the extra row toward smaller y.
    const Dots two = Draw(0, 0, 3, 0, 2);
    EXPECT_TRUE(two.count({1, -1}) && two.count({1, 0}) && !two.count({1, 1}));
}

TEST(LineRaster, WideClippingNeverMovesADot)
{
    std::mt19937 rng(23);
    for (int round = 0; round < 1500; ++round) {
        const int pen = 2 + static_cast<int>(rng() % 9);
        auto coord = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        const int x0 = coord(300), y0 = coord(300), x1 = coord(300), y1 = coord(300);
        // The stroke on a canvas that holds all of it...
        TestCanvas whole(340);
        vexa::DrawSegment(whole.canvas, x0 + 10, y0 + 20, x1 + 10, y1 + 20, pen);
        const Dots all = whole.Get(10, 20);
        // ... and shifted so that the canvas edges cut it.
        const int sx = coord(400) - 200, sy = coord(300) - 150;
        TestCanvas part(120);
        vexa::DrawSegment(part.canvas, x0 + sx, y0 + sy, x1 + sx, y1 + sy, pen);
        Dots expected;
        for (const Dot& d : all) {
            const int x = d.first + sx, y = d.second + sy;
            if (x >= 0 && x < 320 && y >= 0 && y < 120)
                expected.insert({x, y});
        }
        ASSERT_EQ(part.Get(), expected) << "pen " << pen << " " << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}
