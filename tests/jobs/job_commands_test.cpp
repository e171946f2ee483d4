// The window's commands on the job list, as the job centre keeps them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/settings.h"
#include "centre/job_centre.h"
#include "device/frame_messages.h"
#include "device/plot_job.h"
#include "model/one_page.h"
#include "tests/support/test_support.h"

namespace {
using vexa::CJobCentre;

// A job lengthMm long along X and 100 mm across.
std::unique_ptr<COnePage> Job(const std::string& name, int lengthMm = 500)
{
    auto page = std::make_unique<COnePage>();
    page->m_fileName = name;
    auto c = std::make_unique<CCurve>();
    c->m_points = {{0, 0}, {lengthMm * 40, 4000}};
    page->AddCurve(std::move(c));
    page->ComputeExtents();
    return page;
}

struct Commands {
    CVexaDoc doc;
    CJobCentre centre{doc};
    vexa::test::TempDir dir;
    ~Commands() { g_plotThread = 0; }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < doc.GetPageCount(); ++i)
            names.push_back(doc.GetPage(i)->m_fileName);
        return names;
    }
};

const std::string kSquare = "IN;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU;";
}  // namespace

TEST(JobCommands, ExportNamesGetPltUnlessTheyEndWithIt)
{
    EXPECT_EQ(CJobCentre::ExportPath("plan"), "plan.plt");
    EXPECT_EQ(CJobCentre::ExportPath("plan.PLT"), "plan.PLT");
    EXPECT_EQ(CJobCentre::ExportPath("plan.Plt"), "plan.Plt");
    EXPECT_EQ(CJobCentre::ExportPath(".plt"), ".plt.plt") << "four characters are not enough";
    EXPECT_EQ(CJobCentre::ExportPath("a.plt"), "a.plt");
    EXPECT_EQ(CJobCentre::ExportPath("plan.plt.bak"), "plan.plt.bak.plt");
    EXPECT_EQ(CJobCentre::ExportPath("planxplt"), "planxplt.plt");
}

TEST(JobCommands, AddAndOpenReadFilesAndKeepTheListOnFailure)
{
    Commands c;
    g_settings.m_language = 0;
    const std::string good = c.dir.file("a.plt");
    vexa::test::WriteFile(good, kSquare);
    vexa::test::WriteFile(c.dir.file("dots.plt"), "IN;PU5,5;PD5,5;PU7,7;PD7,7;");
    vexa::test::WriteFile(c.dir.file("odd.plt"), "IN;PU0,0;PD1,2,3;");
    EXPECT_EQ(c.centre.AddPlotFile(good), "");
    EXPECT_EQ(c.centre.AddPlotFile(c.dir.file("dots.plt")), "") << "nothing drawn: dropped without a word";
    EXPECT_EQ(c.centre.AddPlotFile(c.dir.file("missing.plt")), "文件打开失败!");
    EXPECT_EQ(c.centre.AddPlotFile(c.dir.file("odd.plt")), "遇到不适当的参数。");
    EXPECT_EQ(c.Names(), std::vector<std::string>{"a.plt"});

    g_settings.m_language = 1;
    EXPECT_EQ(c.centre.OpenPlotFile(c.dir.file("missing.plt")), "Open File Failed!");
    EXPECT_EQ(c.doc.GetPageCount(), 1) << "the old list stays";
    g_plotThread = 1;
    EXPECT_EQ(c.centre.OpenPlotFile(good), "Can not open file,use (Add File) instead!");
    EXPECT_EQ(c.centre.OpenTestPlot(0), "Can not open file,use (Add File) instead!");
    EXPECT_EQ(c.centre.OpenTaskFile(c.dir.file("x.vxtask")), "Can not open file,use (Add File) instead!");
    g_plotThread = 0;
    c.doc.AddPage(Job("b"));
    EXPECT_EQ(c.centre.OpenPlotFile(good), "");
    EXPECT_EQ(c.Names(), std::vector<std::string>{"a.plt"}) << "open replaces the list";
    g_settings.m_language = 0;
}

TEST(JobCommands, TestPlotsEmptyTheListFirst)
{
    Commands c;
    const std::string appDir = g_settings.m_appDir;
    g_settings.m_appDir = c.dir.path().string() + "/";
    ASSERT_EQ(mkdir(c.dir.file("TestPlt").c_str(), 0777), 0);
    vexa::test::WriteFile(c.dir.file("TestPlt/20x20.plt"), kSquare);
    c.doc.AddPage(Job("old"));
    EXPECT_EQ(c.centre.OpenTestPlot(1), "");
    EXPECT_EQ(c.Names(), std::vector<std::string>{"20x20.plt"});
    c.doc.AddPage(Job("old"));
    EXPECT_EQ(c.centre.OpenTestPlot(5), "文件打开失败!") << "30x150.plt is missing here";
    EXPECT_EQ(c.doc.GetPageCount(), 0) << "emptied even so";
    g_settings.m_appDir = appDir;
}

TEST(JobCommands, StartPositionAndSplitAtTheirLimits)
{
    Commands c;
    c.doc.AddPage(Job("a"));  // 500 mm
    EXPECT_EQ(c.centre.SetStartPosition(0, 499), "");
    EXPECT_EQ(c.doc.GetPage(0)->m_startAt, 499);
    EXPECT_EQ(c.centre.SetStartPosition(0, 500), "输入的起始点超过图形长度！");
    EXPECT_EQ(c.doc.GetPage(0)->m_startAt, 0) << "reset";
    EXPECT_EQ(c.centre.SetStartPosition(0, -20), "");
    EXPECT_EQ(c.doc.GetPage(0)->m_startAt, -20);

    EXPECT_EQ(c.centre.SplitAlongX(0, 500), "由于输入的段长超过图形长度，分割失败！");
    for (int mm : {99, 0, -5})
        EXPECT_EQ(c.centre.SplitAlongX(0, mm), "由于输入的段长太短（小于100mm），分割失败！") << mm;
    EXPECT_EQ(c.doc.GetPageCount(), 1);
    EXPECT_EQ(c.centre.SplitAlongX(0, 499), "");
    EXPECT_EQ(c.doc.GetPageCount(), 2);

    // Pagination: a band as wide as the job passes, nothing or wider does not.
    Commands p;
    p.doc.AddPage(Job("b"));
    EXPECT_EQ(p.centre.PaginateAlongY(0, 0), "由于输入的分页长度超过图形宽度，分页失败！");
    EXPECT_EQ(p.centre.PaginateAlongY(0, 101), "由于输入的分页长度超过图形宽度，分页失败！");
    EXPECT_EQ(p.centre.PaginateAlongY(0, 100), "");
}

TEST(JobCommands, DeleteClearAndMoveRespectTheRunningJob)
{
    Commands c;
    for (const char* name : {"a", "b", "c", "d"})
        c.doc.AddPage(Job(name));
    int select = 0;
    g_plotThread = 1;
    EXPECT_EQ(c.centre.DeleteJob(0, select), "不能删除正在加工的页！");
    EXPECT_EQ(select, -1);
    EXPECT_EQ(c.centre.ClearRefusal(), "正在工作,不能清空!");
    c.centre.Clear();
    EXPECT_EQ(c.doc.GetPageCount(), 4) << "nothing removed";
    c.centre.MoveToFront(3);
    EXPECT_EQ(c.Names(), (std::vector<std::string>{"a", "d", "b", "c"})) << "behind the printing job";
    EXPECT_EQ(c.centre.DeleteJob(1, select), "");
    EXPECT_EQ(select, 1);
    c.centre.DeleteTask();
    EXPECT_EQ(g_settings.TakeCommand(), UI_CANCEL);
    EXPECT_EQ(c.doc.GetPageCount(), 3) << "the list stays while the job ends";

    g_plotThread = 0;
    EXPECT_EQ(c.centre.DeleteJob(2, select), "");
    EXPECT_EQ(select, 1) << "the new last row";
    EXPECT_EQ(c.centre.DeleteJob(7, select), "");
    EXPECT_EQ(select, -1);
    c.centre.MoveToFront(0);
    c.centre.MoveToFront(1);
    EXPECT_EQ(c.Names(), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(c.centre.ClearRefusal(), "");
    c.centre.DeleteTask();
    EXPECT_EQ(g_settings.TakeCommand(), UI_CANCEL);
    EXPECT_EQ(c.doc.GetPageCount(), 0);
}

TEST(JobCommands, StartModeLeavesAPrintingJobAlone)
{
    Commands c;
    c.doc.AddPage(Job("a"));
    c.doc.GetPage(0)->m_autoState = AUTO_STATE_PRINTING;
    c.centre.SetStartMode(0, true);
    c.centre.SetStartMode(0, false);
    EXPECT_EQ(c.doc.GetPage(0)->m_autoState, AUTO_STATE_PRINTING);
    c.doc.GetPage(0)->m_autoState = AUTO_STATE_NO;
    c.centre.SetStartMode(0, true);
    EXPECT_EQ(c.doc.GetPage(0)->m_autoState, AUTO_STATE_YES);
    c.centre.SetCopies(0, -3);
    EXPECT_EQ(c.doc.GetPage(0)->m_copies, -3) << "accepted; the job leaves after one print";
    c.centre.SetCopies(4, 2);  // no such row: nothing
}
