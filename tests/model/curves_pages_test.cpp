#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "model/one_page.h"

namespace {
std::unique_ptr<CCurve> MakeCurve(std::vector<CPoint> pts, int pen = 1, int selected = 0)
{
    auto c = std::make_unique<CCurve>();
    c->m_points = std::move(pts);
    c->m_pen = pen;
    c->m_selected = selected;
    return c;
}

std::vector<std::vector<CPoint>> Points(const COnePage& page)
{
    std::vector<std::vector<CPoint>> out;
    for (const auto& c : page.m_curves)
        out.push_back(c->m_points);
    return out;
}

// The walks as the design words them, insert and remove in place: quadratic,
// but the reference the linear versions must match.
void ReferenceRemoveCollinear(std::vector<CPoint>& pts)
{
    if (pts.size() < 3)
        return;
    size_t k = 1;
    while (k < pts.size() - 1) {
        const CPoint a = pts[k - 1], p = pts[k], b = pts[k + 1];
        const double d1 = std::atan2(double(b.y) - p.y, double(b.x) - p.x);
        const double d2 = std::atan2(double(p.y) - a.y, double(p.x) - a.x);
        if (d1 == d2)
            pts.erase(pts.begin() + static_cast<long>(k));
        else
            ++k;
    }
}

void ReferenceJoin(std::vector<std::pair<int, std::vector<CPoint>>>& curves)
{
    size_t k = 0;
    while (k + 1 < curves.size()) {
        auto& a = curves[k];
        auto& b = curves[k + 1];
        if (a.first == b.first && a.second.back() == b.second.front()) {
            a.second.insert(a.second.end(), b.second.begin(), b.second.end());
            curves.erase(curves.begin() + static_cast<long>(k) + 1);
        } else {
            ++k;
        }
    }
}
}  // namespace

TEST(Curve, ComputeExtentsAndMoveOrigin)
{
    CCurve c;
    EXPECT_THROW(c.ComputeExtents(), std::invalid_argument);
    c.m_points = {{5, -3}, {-7, 9}, {2, 2}};
    c.ComputeExtents();
    EXPECT_EQ(c.m_minX, -7);
    EXPECT_EQ(c.m_maxX, 5);
    EXPECT_EQ(c.m_minY, -3);
    EXPECT_EQ(c.m_maxY, 9);
    c.MoveOrigin(-7, -3);
    EXPECT_EQ(c.m_points[1], (CPoint{0, 12}));
    EXPECT_EQ(c.m_minX, 0);
    EXPECT_EQ(c.m_maxY, 12);
}

TEST(Curve, ApplyScaleTruncatesTowardZero)
{
    CCurve c;
    c.m_points = {{4000, 4000}, {-4000, -4000}, {1, 0}};
    c.m_minX = 77;
    c.ApplyScale(10010, 9990);
    EXPECT_EQ(c.m_points[0], (CPoint{3996, 4004}));
    EXPECT_EQ(c.m_points[1], (CPoint{-3996, -4004}));
    EXPECT_EQ(c.m_points[2], (CPoint{0, 0}));
    EXPECT_EQ(c.m_minX, 77) << "extents are not touched";
    // A scale the controller reported as 0 must not be undefined behaviour.
    c.m_points = {{10, -10}};
    c.ApplyScale(0, 0);
    EXPECT_EQ(c.m_points[0].x, INT32_MAX);
    EXPECT_EQ(c.m_points[0].y, INT32_MIN);
}

TEST(Curve, RemoveCollinearPoints)
{
    CCurve c;
    c.m_points = {{0, 0}, {10, 0}, {20, 0}, {20, 10}};
    c.RemoveCollinearPoints();
    EXPECT_EQ(c.m_points, (std::vector<CPoint>{{0, 0}, {20, 0}, {20, 10}}));
    c.m_points = {{0, 0}, {10, 0}, {0, 0}};
    c.RemoveCollinearPoints();
    EXPECT_EQ(c.m_points.size(), 3u) << "a reversal stays";
    c.m_points = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    c.RemoveCollinearPoints();
    EXPECT_EQ(c.m_points, (std::vector<CPoint>{{0, 0}, {4, 4}}));
}

TEST(Curve, LinearWalksMatchTheInPlaceReference)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<CPoint> pts;
        const int n = static_cast<int>(rng() % 40);
        CPoint p{0, 0};
        for (int i = 0; i < n; ++i) {
            // Small steps on a coarse grid give many collinear runs and repeats.
            p.x += static_cast<int>(rng() % 3) - 1;
            p.y += static_cast<int>(rng() % 3) - 1;
            pts.push_back(p);
        }
        CCurve c;
        c.m_points = pts;
        c.RemoveCollinearPoints();
        ReferenceRemoveCollinear(pts);
        ASSERT_EQ(c.m_points, pts) << "round " << round;
    }
}

TEST(Page, ComputeExtentsOnEmptyPageKeepsValues)
{
    COnePage page;
    page.m_minX = 1;
    page.m_maxX = 2;
    page.m_minY = 3;
    page.m_maxY = 4;
    page.ComputeExtents();
    EXPECT_EQ(page.m_minX, 1);
    EXPECT_EQ(page.m_maxY, 4);
    page.AddCurve(MakeCurve({{10, 20}, {30, -40}}));
    page.AddCurve(MakeCurve({{-5, 0}}));
    page.ComputeExtents();
    EXPECT_EQ(page.m_minX, -5);
    EXPECT_EQ(page.m_maxX, 30);
    EXPECT_EQ(page.m_minY, -40);
    EXPECT_EQ(page.m_maxY, 20);
}

TEST(Page, NormalizeDropsRepeatsAndDegenerateCurves)
{
    COnePage page;
    page.AddCurve(MakeCurve({{5, 5}, {5, 5}, {5, 5}}));
    page.AddCurve(MakeCurve({{0, 0}, {400, 0}, {400, 0}, {400, 400}}));
    page.AddCurve(MakeCurve({{1, 1}}));
    page.Normalize();
    ASSERT_EQ(page.m_curves.size(), 1u);
    EXPECT_EQ(page.m_curves[0]->m_points, (std::vector<CPoint>{{0, 0}, {400, 0}, {400, 400}}));
}

TEST(Page, JoinCurves)
{
    COnePage page;
    page.AddCurve(MakeCurve({{0, 0}, {5, 5}}));
    page.AddCurve(MakeCurve({{5, 5}, {9, 0}}));
    page.AddCurve(MakeCurve({{9, 0}, {9, 9}}, 2));
    page.AddCurve(MakeCurve({{9, 9}, {0, 9}}, 2));
    page.AddCurve(MakeCurve({{1, 9}, {0, 9}}, 2));
    page.JoinCurves();
    EXPECT_EQ(Points(page), (std::vector<std::vector<CPoint>>{
                                {{0, 0}, {5, 5}, {5, 5}, {9, 0}},
                                {{9, 0}, {9, 9}, {9, 9}, {0, 9}},
                                {{1, 9}, {0, 9}},
                            }));
}

TEST(Page, JoinMatchesReferenceOnRandomChains)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        COnePage page;
        std::vector<std::pair<int, std::vector<CPoint>>> ref;
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            std::vector<CPoint> pts;
            const int m = 1 + static_cast<int>(rng() % 3);
            for (int j = 0; j < m; ++j)
                pts.push_back({static_cast<int>(rng() % 3), static_cast<int>(rng() % 2)});
            const int pen = 1 + static_cast<int>(rng() % 2);
            ref.emplace_back(pen, pts);
            page.AddCurve(MakeCurve(pts, pen));
        }
        page.JoinCurves();
        ReferenceJoin(ref);
        ASSERT_EQ(page.m_curves.size(), ref.size());
        for (size_t i = 0; i < ref.size(); ++i) {
            EXPECT_EQ(page.m_curves[i]->m_pen, ref[i].first);
            EXPECT_EQ(page.m_curves[i]->m_points, ref[i].second);
        }
    }
}

TEST(Page, SplitIntoSegmentsKeepsOrderPenAndSelection)
{
    COnePage page;
    page.AddCurve(MakeCurve({{0, 0}, {1, 0}, {2, 1}, {3, 3}}, 3, 1));
    page.AddCurve(MakeCurve({{7, 7}}));
    page.AddCurve(MakeCurve({{9, 9}, {8, 8}}));
    page.SplitIntoSegments();
    EXPECT_EQ(Points(page), (std::vector<std::vector<CPoint>>{
                                {{0, 0}, {1, 0}},
                                {{1, 0}, {2, 1}},
                                {{2, 1}, {3, 3}},
                                {{9, 9}, {8, 8}},
                            }));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(page.m_curves[static_cast<size_t>(i)]->m_pen, 3);
        EXPECT_EQ(page.m_curves[static_cast<size_t>(i)]->m_selected, 1);
    }
}

TEST(Page, CopyFromLeavesCopiesAndAutoState)
{
    COnePage src;
    src.m_fileName = "a.plt";
    src.m_copies = 5;
    src.m_autoState = AUTO_STATE_YES;
    src.m_startAt = 120;
    src.AddCurve(MakeCurve({{1, 2}, {3, 4}}, 1, 1));
    src.ComputeExtents();
    COnePage dst;
    dst.m_copies = 2;
    dst.CopyFrom(src);
    EXPECT_EQ(dst.m_copies, 2);
    EXPECT_EQ(dst.m_autoState, AUTO_STATE_NO);
    EXPECT_EQ(dst.m_startAt, 120);
    EXPECT_EQ(dst.m_fileName, "a.plt");
    EXPECT_EQ(dst.m_maxY, 4);
    ASSERT_EQ(dst.m_curves.size(), 1u);
    EXPECT_NE(dst.m_curves[0].get(), src.m_curves[0].get()) << "deep copy";
    EXPECT_EQ(dst.m_curves[0]->m_selected, 1);
    EXPECT_EQ(dst.m_curves[0]->m_maxX, 3);
}

TEST(Page, DeleteSelectedAndClearSelection)
{
    COnePage page;
    page.AddCurve(MakeCurve({{0, 0}, {1, 1}}, 1, 1));
    page.AddCurve(MakeCurve({{2, 2}, {3, 3}}, 1, 0));
    page.AddCurve(MakeCurve({{4, 4}, {5, 5}}, 1, 1));
    page.AddCurve(MakeCurve({{6, 6}, {7, 7}}, 1, 0));
    page.DeleteSelectedCurves();
    EXPECT_EQ(Points(page), (std::vector<std::vector<CPoint>>{{{2, 2}, {3, 3}}, {{6, 6}, {7, 7}}}));
    page.m_curves[0]->m_selected = 1;
    page.ClearSelection();
    EXPECT_EQ(page.m_curves[0]->m_selected, 0);
}
