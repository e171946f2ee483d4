#include <gtest/gtest.h>

#include "model/hpgl_export.h"
#include "model/one_page.h"

namespace {
std::unique_ptr<CCurve> MakeCurve(std::vector<CPoint> pts, int pen = 1)
{
    auto c = std::make_unique<CCurve>();
    c->m_points = std::move(pts);
    c->m_pen = pen;
    return c;
}
}  // namespace

TEST(HpglExport, WorkedExamplesAndEdges)
{
    EXPECT_EQ(ExportHpglText({}), "INPA;");

    COnePage a;
    a.AddCurve(MakeCurve({{0, 0}, {400, 0}}));
    a.AddCurve(MakeCurve({{400, 0}, {400, 400}}));
    const COnePage* one[] = {&a};
    EXPECT_EQ(ExportHpglText(one), "INPA;SP1;PU0,0;PD0,0,400,0;PU400,0;PD400,0,400,400;PG;");

    // A pointless first curve still selects the pen; pens change only when they differ.
    COnePage b;
    b.AddCurve(MakeCurve({}, 3));
    b.AddCurve(MakeCurve({{-40, 0}, {40, 0}}, 3));
    b.AddCurve(MakeCurve({{1, 1}}, 2));
    COnePage empty;
    const COnePage* three[] = {&a, &b, &empty};
    EXPECT_EQ(ExportHpglText(three),
              "INPA;SP1;PU0,0;PD0,0,400,0;PU400,0;PD400,0,400,400;PG;"
              "SP3;PU-40,0;PD-40,0,40,0;SP2;PU1,1;PD1,1;PG;PG;");
}
