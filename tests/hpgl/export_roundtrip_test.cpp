// The job list's HP-GL export, read back by the reader: the jobs follow each
// other along X, curves meeting end to start become one, and after Normalize
// the paths are the ones exported.
#include <gtest/gtest.h>

#include <random>

#include "hpgl/hpgl_file.h"
#include "model/vexa_doc.h"
#include "tests/support/test_support.h"

namespace {
std::unique_ptr<COnePage> RandomJob(std::mt19937& rng, int curves)
{
    auto page = std::make_unique<COnePage>();
    for (int i = 0; i < curves; ++i) {
        auto c = std::make_unique<CCurve>();
        // Separate rows, so that no two curves meet unless made to.
        CPoint p{static_cast<int>(rng() % 1000) - 200, i * 5000 + static_cast<int>(rng() % 100)};
        const int n = 2 + static_cast<int>(rng() % 6);
        for (int k = 0; k < n; ++k) {
            c->m_points.push_back(p);
            p.x += 1 + static_cast<int>(rng() % 300);
            p.y += static_cast<int>(rng() % 61) - 30;
        }
        page->AddCurve(std::move(c));
    }
    page->Normalize();
    page->ComputeExtents();
    return page;
}
}  // namespace

TEST(ExportRoundTrip, ReadBackGivesTheSamePaths)
{
    std::mt19937 rng(4);
    CVexaDoc doc;
    for (int j = 0; j < 4; ++j)
        doc.AddPage(RandomJob(rng, 1 + j * 3));
    // Two curves of the last job that meet end to start.
    COnePage& last = *doc.GetPage(3);
    auto tail = std::make_unique<CCurve>();
    tail->m_points = {last.m_curves[0]->m_points.back(), {last.m_curves[0]->m_points.back().x + 77, 3}};
    last.m_curves.insert(last.m_curves.begin() + 1, std::move(tail));
    last.ComputeExtents();

    vexa::test::TempDir dir;
    const std::string path = dir.file("export.plt");
    ASSERT_EQ(doc.ExportHpgl(path), "");
    CHpglFile reader;
    reader.m_path = path;
    ASSERT_EQ(reader.Read(), HPGL_OK);
    COnePage read;
    reader.FillPage(read);
    read.Normalize();

    // What the reader should give: every job shifted behind the largest x so
    // far, and the meeting curves joined.
    COnePage expected;
    int offset = 0;
    for (int j = 0; j < doc.GetPageCount(); ++j) {
        const COnePage& job = *doc.GetPage(j);
        int maxX = offset;
        for (const auto& c : job.m_curves) {
            auto copy = std::make_unique<CCurve>();
            for (CPoint p : c->m_points) {
                copy->m_points.push_back({p.x + offset, p.y});
                maxX = std::max(maxX, p.x + offset);
            }
            expected.AddCurve(std::move(copy));
        }
        offset = std::max(offset, maxX);
    }
    expected.JoinCurves();
    expected.Normalize();

    ASSERT_EQ(read.m_curves.size(), expected.m_curves.size());
    for (size_t i = 0; i < read.m_curves.size(); ++i)
        EXPECT_EQ(read.m_curves[i]->m_points, expected.m_curves[i]->m_points) << i;
}
