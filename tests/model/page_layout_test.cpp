#include <gtest/gtest.h>

#include <random>

#include "model/one_page.h"
#include "model/page_layout.h"

namespace {
using Curves = std::vector<std::vector<CPoint>>;

std::unique_ptr<CCurve> MakeCurve(std::vector<CPoint> pts, int pen = 1)
{
    auto c = std::make_unique<CCurve>();
    c->m_points = std::move(pts);
    c->m_pen = pen;
    return c;
}

Curves Points(const COnePage& page)
{
    Curves out;
    for (const auto& c : page.m_curves)
        out.push_back(c->m_points);
    return out;
}

void Add(COnePage& page, std::vector<CPoint> pts)
{
    page.AddCurve(MakeCurve(std::move(pts)));
}

// The pass walk exactly as worded: one list, a cursor, and a count of the
// segments still to visit. Split copies join the walk; raised ones wait for
// the next pass.
Curves ReferencePaginate(Curves segs, int band, int maxX, int maxY)
{
    const int shift = maxX + PAGINATION_GAP;
    for (int pass = 0; pass < maxY / band; ++pass) {
        std::vector<bool> visit(segs.size(), true);
        for (size_t i = 0; i < segs.size(); ++i) {
            if (!visit[i])
                continue;
            CPoint& a = segs[i][0];
            CPoint& b = segs[i][1];
            if (a.y <= band && b.y <= band)
                continue;
            if ((a.y < band && band < b.y) || (a.y > band && band > b.y)) {
                const int xc = static_cast<int>(a.x + int64_t{band - a.y} * (b.x - a.x) / (b.y - a.y));
                std::vector<CPoint> copy;
                if (a.y < band) {
                    copy = {{xc + shift, 0}, {b.x + shift, b.y - band}};
                    b = {xc, band};
                } else {
                    copy = {{a.x + shift, a.y - band}, {xc + shift, 0}};
                    a = {xc, band};
                }
                segs.push_back(copy);
                visit.push_back(true);
            } else {
                std::vector<CPoint> raised = {{a.x + shift, a.y - band}, {b.x + shift, b.y - band}};
                segs.erase(segs.begin() + static_cast<long>(i));
                visit.erase(visit.begin() + static_cast<long>(i));
                --i;
                segs.push_back(raised);
                visit.push_back(false);
            }
        }
    }
    return segs;
}
}  // namespace

TEST(PageLayout, OriginsAndRotation)
{
    COnePage page;
    Add(page, {{0, 0}, {4000, 0}});
    Add(page, {{4000, 1000}, {0, 1000}});
    page.ComputeExtents();
    page.Rotate90();
    EXPECT_EQ(page.m_curves[0]->m_points[1], (CPoint{1000, 4000}));
    EXPECT_EQ(page.m_maxX, 1000);
    EXPECT_EQ(page.m_maxY, 4000);
    EXPECT_EQ(page.m_minX, 0);

    COnePage above;
    Add(above, {{10, 200}, {50, 900}});
    above.AlignOrigin();
    EXPECT_EQ(Points(above), (Curves{{{0, 200}, {40, 900}}})) << "a page above the X axis is not moved down";
    COnePage below;
    Add(below, {{10, -100}, {50, 900}});
    below.AlignOrigin();
    EXPECT_EQ(Points(below), (Curves{{{0, 0}, {40, 1000}}}));
    EXPECT_EQ(below.m_maxY, 1000);

    COnePage corner;
    Add(corner, {{100, 200}, {300, 700}});
    corner.MoveToLowerLeft();
    EXPECT_EQ(Points(corner), (Curves{{{0, 0}, {200, 500}}}));
    EXPECT_EQ(corner.m_maxX, 200);
    EXPECT_EQ(corner.m_maxY, 500);
}

TEST(PageLayout, StartPositionAndPurgePattern)
{
    COnePage page;
    Add(page, {{5000, 0}, {9000, 10}});
    page.ComputeExtents();
    page.m_startAt = 100;
    page.ApplyStartPosition();
    EXPECT_EQ(Points(page), (Curves{{{1000, 0}, {5000, 10}}}));
    EXPECT_EQ(page.m_maxX, 5000);
    EXPECT_EQ(page.m_minX, 5000) << "minX is not changed";

    COnePage empty;
    empty.AddPurgePattern();
    ASSERT_EQ(empty.m_curves.size(), 1400u);
    empty.ComputeExtents();
    EXPECT_EQ(empty.m_maxX, 1000);
    EXPECT_EQ(empty.m_maxY, 7834);
    EXPECT_EQ(empty.m_curves[35]->m_points[0], (CPoint{0, 200}));

    COnePage job;
    Add(job, {{0, 0}, {10, 10}});
    job.AddPurgePattern();
    EXPECT_EQ(job.m_curves[0]->m_points[0], (CPoint{1000, 0})) << "the job moves 25 mm toward +X";
}

TEST(PageLayout, SplitAtX)
{
    COnePage page, rest;
    Add(page, {{0, 0}, {8000, 400}});
    Add(page, {{6000, 0}, {2000, 800}});
    Add(page, {{5000, 5}, {6000, 5}});
    Add(page, {{100, 7}, {200, 7}});
    page.SplitAtX(rest, 4000);
    EXPECT_EQ(Points(page), (Curves{{{0, 0}, {4000, 200}}, {{4000, 400}, {2000, 800}}, {{100, 7}, {200, 7}}}));
    EXPECT_EQ(Points(rest), (Curves{{{0, 200}, {4000, 400}}, {{2000, 0}, {0, 400}}, {{1000, 5}, {2000, 5}}}));
    EXPECT_EQ(page.m_maxX, 4000);
    EXPECT_EQ(rest.m_maxX, 4000);
}

TEST(PageLayout, PaginateYWorkedExampleAndReference)
{
    COnePage page;
    Add(page, {{0, 0}, {0, 2500}});
    page.PaginateY(1000);
    EXPECT_EQ(Points(page), (Curves{{{0, 0}, {0, 1000}}, {{1200, 0}, {1200, 1000}}, {{2400, 0}, {2400, 500}}}));

    // Random segments, splits and raises interleaved, against the literal walk.
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        COnePage p;
        Curves segs;
        const int n = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            std::vector<CPoint> s = {{static_cast<int>(rng() % 500), static_cast<int>(rng() % 3500)},
                                     {static_cast<int>(rng() % 500), static_cast<int>(rng() % 3500)}};
            segs.push_back(s);
            Add(p, s);
        }
        p.ComputeExtents();
        const int maxX = p.m_maxX, maxY = p.m_maxY;
        const int band = 300 + static_cast<int>(rng() % 900);
        COnePage expected;
        for (auto& s : (maxY > band ? ReferencePaginate(segs, band, maxX, maxY) : segs))
            Add(expected, s);
        expected.JoinCurves();
        p.PaginateY(band);
        ASSERT_EQ(Points(p), Points(expected)) << "round " << round;
        for (const auto& c : p.m_curves)
            for (const CPoint& q : c->m_points)
                ASSERT_LE(q.y, band);
    }
}

TEST(PageLayout, PaginateYIgnoresBandsOfNothing)
{
    COnePage page;
    Add(page, {{0, 0}, {0, 2500}});
    page.PaginateY(0);
    page.PaginateY(-5);
    EXPECT_EQ(Points(page), (Curves{{{0, 0}, {0, 2500}}}));
}

TEST(PageLayout, ImportLayout)
{
    // 1500 mm long along X, 3000 mm across: wider than 2000 mm paper.
    auto make = [] {
        auto p = std::make_unique<COnePage>();
        Add(*p, {{0, 0}, {60000, 0}, {60000, 120000}, {0, 120000}, {0, 0}});
        return p;
    };
    auto wide = make();
    PrepareImportedPage(*wide, 2000, true, true);
    EXPECT_EQ(wide->m_maxY, 60000) << "turned to 1500 mm across";
    EXPECT_EQ(wide->m_maxX, 120000);
    EXPECT_EQ(wide->m_autoState, AUTO_STATE_YES);

    auto narrow = make();
    PrepareImportedPage(*narrow, 2000, false, false);
    EXPECT_EQ(narrow->m_maxY, 80000) << "paginated into bands of 80,000 units";
    EXPECT_EQ(narrow->m_maxX, 60000 + 1200 + 60000);
    EXPECT_EQ(narrow->m_autoState, AUTO_STATE_NO);

    auto odd = make();
    PrepareImportedPage(*odd, 0, false, false);
    EXPECT_EQ(odd->m_maxY, 120000) << "a paper width of 0 paginates nothing";
}

TEST(PageLayout, PlotPagePreparation)
{
    COnePage job;
    Add(job, {{4000, 0}, {8000, 4000}});
    job.ComputeExtents();
    job.m_startAt = 50;
    job.m_copies = 3;
    COnePage plot;
    Add(plot, {{1, 1}, {2, 2}});
    PreparePlotPage(plot, job, 10010, 10000, true);
    ASSERT_EQ(plot.m_curves.size(), 1401u);
    // Scaled (3996, 7992), shifted 1000 for the purge bands, then 2000 back for the start.
    EXPECT_EQ(plot.m_curves[0]->m_points[0], (CPoint{2996, 0}));
    EXPECT_EQ(plot.m_curves[0]->m_points[1], (CPoint{6992, 4000}));
    EXPECT_EQ(plot.m_curves[1]->m_points[0], (CPoint{-2000, 0}));
    EXPECT_EQ(plot.m_maxX, 8992 - 2000);
    EXPECT_EQ(plot.m_copies, 1) << "copies are not copied";
}

TEST(PageLayout, AcceptanceRules)
{
    COnePage page;
    Add(page, {{0, 0}, {20000, 8000}});
    page.ComputeExtents();  // 500 mm long, 200 mm wide
    EXPECT_EQ(AcceptStartPosition(page, 499), "");
    EXPECT_EQ(page.m_startAt, 499);
    EXPECT_EQ(AcceptStartPosition(page, 500), MSG_START_BEYOND_LENGTH);
    EXPECT_EQ(page.m_startAt, 0);
    EXPECT_EQ(AcceptStartPosition(page, -20), "");

    EXPECT_EQ(CheckSplitLength(page, 499), "");
    EXPECT_EQ(CheckSplitLength(page, 100), "");
    EXPECT_EQ(CheckSplitLength(page, 500), MSG_SPLIT_TOO_LONG);
    EXPECT_EQ(CheckSplitLength(page, 99), MSG_SPLIT_TOO_SHORT);
    EXPECT_EQ(CheckSplitLength(page, 0), MSG_SPLIT_TOO_SHORT);
    EXPECT_EQ(CheckSplitLength(page, -7), MSG_SPLIT_TOO_SHORT);
    EXPECT_EQ(CheckSplitLength(page, 2000000000), MSG_SPLIT_TOO_LONG) << "no overflow in mm * 40";

    EXPECT_EQ(CheckPaginationBand(page, 200), "") << "a band equal to the height is accepted";
    EXPECT_EQ(CheckPaginationBand(page, 201), MSG_BAND_TOO_WIDE);
    EXPECT_EQ(CheckPaginationBand(page, 0), MSG_BAND_TOO_WIDE);
    EXPECT_EQ(CheckPaginationBand(page, -1), MSG_BAND_TOO_WIDE);

    COnePage shortJob;
    Add(shortJob, {{0, 0}, {4039, 0}});
    shortJob.ComputeExtents();
    EXPECT_EQ(CheckSplitLength(shortJob, 100), MSG_SPLIT_TOO_LONG);
    Add(shortJob, {{0, 0}, {4040, 0}});
    shortJob.ComputeExtents();
    EXPECT_EQ(CheckSplitLength(shortJob, 100), "");
}
