// The test plots of resources/TestPlt: each becomes one job exactly as large
// as its name says, and the test-plot command replaces the list with it.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "app/platform.h"
#include "app/settings.h"
#include "centre/job_centre.h"
#include "device/plot_job.h"
#include "tests/support/test_support.h"

namespace {
using vexa::CJobCentre;

const std::string kCommitted = std::string(VEXA_SOURCE_DIR) + "/resources/TestPlt/";

struct Size {
    int x, y;  // plotter units: X along the feed, Y across
};
// Centimetres to plotter units (40 per mm).
constexpr int Cm(int cm)
{
    return cm * 400;
}
// In the order of CJobCentre::TEST_PLOT_NAMES: the 150 cm side runs along the feed.
constexpr Size kSizes[CJobCentre::TEST_PLOT_COUNT] = {{Cm(10), Cm(10)}, {Cm(20), Cm(20)}, {Cm(30), Cm(30)},
                                                      {Cm(40), Cm(40)}, {Cm(50), Cm(50)}, {Cm(150), Cm(30)}};
// Stroke ends are rounded to whole units; nothing may stick out further.
constexpr int kSlack = 4;

void ExpectSize(const COnePage& page, const Size& size, const std::string& name)
{
    EXPECT_NEAR(page.m_maxX - page.m_minX, size.x, kSlack) << name;
    EXPECT_NEAR(page.m_maxY - page.m_minY, size.y, kSlack) << name;
    EXPECT_EQ(page.m_fileName, name);
}

// The list's settings as the operator's machine has them, the language
// Chinese and the application directory a fresh one.
struct Centre {
    CVexaDoc doc;
    CJobCentre centre{doc};
    vexa::test::TempDir home;
    std::string oldAppDir = g_settings.m_appDir;
    int oldPageWidth = g_settings.m_pageWidth, oldWideMode = g_settings.m_wideMode;
    int oldLanguage = g_settings.m_language;

    Centre()
    {
        g_settings.m_appDir = home.path().string() + "/";
        g_settings.m_pageWidth = 1600;
        g_settings.m_wideMode = 1;
        g_settings.m_language = 0;
    }
    ~Centre()
    {
        g_settings.m_appDir = oldAppDir;
        g_settings.m_pageWidth = oldPageWidth;
        g_settings.m_wideMode = oldWideMode;
        g_settings.m_language = oldLanguage;
    }
    void AddSomeJob()
    {
        ASSERT_EQ(centre.AddPlotFile(kCommitted + CJobCentre::TEST_PLOT_NAMES[0]), "");
    }
    void CopyTestPlots()
    {
        std::filesystem::create_directory(home.path() / "TestPlt");
        for (const char* name : CJobCentre::TEST_PLOT_NAMES)
            std::filesystem::copy_file(kCommitted + name, home.path() / "TestPlt" / name);
    }
};

bool Installed(int index)
{
    const std::string path = vexa::InstalledDataDirectory() + "TestPlt/" + CJobCentre::TEST_PLOT_NAMES[index];
    return access(path.c_str(), F_OK) == 0;
}
}  // namespace

TEST(TestPlots, EachCommittedPlotIsOneJobOfItsSize)
{
    for (int i = 0; i < CJobCentre::TEST_PLOT_COUNT; ++i) {
        Centre c;
        const std::string name = CJobCentre::TEST_PLOT_NAMES[i];
        ASSERT_EQ(c.centre.AddPlotFile(kCommitted + name), "") << name;
        ASSERT_EQ(c.doc.GetPageCount(), 1) << name << ": one job, neither paginated nor dropped";
        ExpectSize(*c.doc.GetPage(0), kSizes[i], name);
    }
}

TEST(TestPlots, OpenReplacesTheListWithThePlotFromTheApplicationDirectory)
{
    Centre c;
    c.CopyTestPlots();
    c.AddSomeJob();
    c.AddSomeJob();
    ASSERT_EQ(c.centre.OpenTestPlot(5), "");
    ASSERT_EQ(c.doc.GetPageCount(), 1);
    ExpectSize(*c.doc.GetPage(0), kSizes[5], "30x150.plt");
    EXPECT_EQ(CJobCentre::TestPlotPath(5), c.home.file("TestPlt/30x150.plt")) << "the application directory first";

    // Each index opens its own plot; indexes outside the menu open nothing.
    for (int i = 0; i < CJobCentre::TEST_PLOT_COUNT; ++i) {
        ASSERT_EQ(c.centre.OpenTestPlot(i), "");
        ASSERT_EQ(c.doc.GetPageCount(), 1);
        ExpectSize(*c.doc.GetPage(0), kSizes[i], CJobCentre::TEST_PLOT_NAMES[i]);
    }
    EXPECT_EQ(c.centre.OpenTestPlot(6), "文件打开失败!");
    EXPECT_EQ(c.centre.OpenTestPlot(-1), "文件打开失败!");
    EXPECT_EQ(c.doc.GetPageCount(), 0);
}

TEST(TestPlots, AMissingPlotEmptiesTheListAndSaysTheFileDidNotOpen)
{
    if (Installed(2))
        GTEST_SKIP() << "an installed copy of the test plots would be found";
    Centre c;
    c.AddSomeJob();
    EXPECT_EQ(c.centre.OpenTestPlot(2), "文件打开失败!");
    EXPECT_EQ(c.doc.GetPageCount(), 0) << "the list is emptied before the plot is read";

    g_settings.m_language = 1;
    EXPECT_EQ(c.centre.OpenTestPlot(2), "Open File Failed!");
}

TEST(TestPlots, RefusedWhileAJobPrintsAndTheListStays)
{
    Centre c;
    c.CopyTestPlots();
    c.AddSomeJob();
    c.AddSomeJob();
    g_plotThread = 1;
    EXPECT_EQ(c.centre.OpenTestPlot(0), "正在工作,不能打开新文件!");
    g_plotThread = 0;
    EXPECT_EQ(c.doc.GetPageCount(), 2);
}
