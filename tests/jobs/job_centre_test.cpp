#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "centre/job_centre.h"
#include "app/settings.h"
#include "device/frame_messages.h"
#include "device/link_state.h"
#include "device/protocol.h"
#include "tests/support/test_support.h"

namespace {
using vexa::CJobCentre;

std::unique_ptr<COnePage> Job(const std::string& name, int copies = 1, int autoState = AUTO_STATE_NO)
{
    auto page = std::make_unique<COnePage>();
    page->m_fileName = name;
    auto c = std::make_unique<CCurve>();
    c->m_points = {{0, 0}, {400, 400}};
    page->AddCurve(std::move(c));
    page->ComputeExtents();
    page->m_copies = copies;
    page->m_autoState = autoState;
    return page;
}

struct Centre {
    CVexaDoc doc;
    std::vector<CJobCentre::Event> events;
    CJobCentre centre{doc, [this](const CJobCentre::Event& e) { events.push_back(e); }};
    vexa::test::TempDir dir;

    Centre()
    {
        g_settings.m_quit = 0;
        g_settings.m_autoStart = 1;
        g_settings.m_lastTaskPath = dir.file("Last.vxtask");
        g_plotThread = 1;  // as StartJob leaves it
        g_settings.m_pollEnabled = 0;
    }
    ~Centre()
    {
        g_plotThread = 0;
        g_settings.m_pollEnabled = 1;
        g_settings.m_quit = 0;
    }
};
}  // namespace

TEST(JobAdvance, CopiesCountDownThenTheJobLeaves)
{
    Centre c;
    c.doc.AddPage(Job("a", 3, AUTO_STATE_PRINTING));
    c.doc.GetPage(0)->m_startAt = 40;
    c.doc.AddPage(Job("b"));
    auto curve = std::make_unique<CCurve>();
    curve->m_points = {{0, 0}, {1, 1}};
    g_plotPage.AddCurve(std::move(curve));
    c.centre.OnPlotFinished(PLOT_DONE);
    EXPECT_EQ(c.doc.GetPage(0)->m_copies, 2);
    EXPECT_EQ(c.doc.GetPage(0)->m_autoState, AUTO_STATE_YES);
    EXPECT_EQ(c.doc.GetPage(0)->m_startAt, 0);
    EXPECT_TRUE(g_plotPage.m_curves.empty());
    EXPECT_EQ(g_plotThread, 0);
    EXPECT_EQ(g_settings.m_pollEnabled, 1);

    g_settings.m_autoStart = 0;
    c.centre.OnPlotFinished(PLOT_DONE);
    EXPECT_EQ(c.doc.GetPage(0)->m_copies, 1);
    EXPECT_EQ(c.doc.GetPage(0)->m_autoState, AUTO_STATE_NO) << "re-armed from the setting";
    c.centre.OnPlotFinished(PLOT_DONE);
    ASSERT_EQ(c.doc.GetPageCount(), 1);
    EXPECT_EQ(c.doc.GetPage(0)->m_fileName, "b");
    for (int copies : {0, -4}) {
        c.doc.InsertPage(0, Job("x", copies));
        c.centre.OnPlotFinished(PLOT_DONE);
        EXPECT_EQ(c.doc.GetPage(0)->m_fileName, "b") << copies;
    }
}

TEST(JobAdvance, AnAbortedJobStaysForAManualStart)
{
    Centre c;
    c.doc.AddPage(Job("a", 3, AUTO_STATE_PRINTING));
    c.doc.GetPage(0)->m_startAt = 40;
    c.centre.OnPlotFinished(PLOT_ABORTED);
    EXPECT_EQ(c.doc.GetPage(0)->m_copies, 3);
    EXPECT_EQ(c.doc.GetPage(0)->m_autoState, AUTO_STATE_NO);
    EXPECT_EQ(c.doc.GetPage(0)->m_startAt, 0);
    ASSERT_FALSE(c.events.empty());
    EXPECT_EQ(c.events.back().kind, CJobCentre::Event::JOB_ABORTED);

    // A list emptied meanwhile: only the running state is cleared.
    c.doc.RemoveAllPages();
    g_plotThread = 1;
    c.centre.OnPlotFinished(PLOT_DONE);
    EXPECT_EQ(g_plotThread, 0);
    EXPECT_EQ(g_settings.m_pollEnabled, 1);
}

TEST(JobAdvance, IdleStartsNothingUnlessPage0IsMarkedYes)
{
    Centre c;
    g_plotThread = 0;
    g_machineStatus = STATE_READY;
    c.doc.AddPage(Job("a", 1, AUTO_STATE_NO));
    c.centre.OnMachineIdle();
    EXPECT_EQ(c.doc.GetPage(0)->m_autoState, AUTO_STATE_NO);
    EXPECT_TRUE(c.events.empty());
    c.doc.GetPage(0)->m_autoState = AUTO_STATE_YES;
    g_settings.m_quit = 1;
    c.centre.OnMachineIdle();
    EXPECT_TRUE(c.events.empty()) << "after Close nothing starts";
    g_settings.m_quit = 0;
    g_machineStatus = STATE_PAUSED;
    c.centre.OnMachineIdle();
    EXPECT_TRUE(c.events.empty());
    g_machineStatus = STATE_INIT;
}

TEST(TaskHandOver, CloseLeavesTheListAndTheNextStartTakesItBack)
{
    Centre c;
    g_plotThread = 0;
    c.doc.AddPage(Job("a", 3, AUTO_STATE_YES));
    c.doc.AddPage(Job("b", 1, AUTO_STATE_YES));
    EXPECT_TRUE(c.centre.Close());
    EXPECT_EQ(g_settings.m_quit, 1);

    const std::string handOver = g_settings.m_lastTaskPath;
    Centre next;
    g_settings.m_lastTaskPath = handOver;
    next.doc.AddPage(Job("old"));
    next.centre.OnTaskFileFound();
    ASSERT_EQ(next.doc.GetPageCount(), 2);
    EXPECT_EQ(next.doc.GetPage(0)->m_copies, 1);
    EXPECT_EQ(next.doc.GetPage(0)->m_autoState, AUTO_STATE_NO);
    EXPECT_EQ(next.doc.GetPage(1)->m_fileName, "b");
    EXPECT_NE(access(g_settings.m_lastTaskPath.c_str(), F_OK), 0) << "the file is taken away";

    // An empty list leaves no file.
    Centre empty;
    EXPECT_TRUE(empty.centre.Close());
    EXPECT_NE(access(g_settings.m_lastTaskPath.c_str(), F_OK), 0);
}

// Every failed hand-over file is kept, each under a name of its own.
TEST(TaskHandOver, FilesThatCannotBeLoadedAreAllKeptAside)
{
    Centre c;
    c.doc.AddPage(Job("keep"));
    const std::string handOver = g_settings.m_lastTaskPath;
    for (const char* bytes : {"\x05\x00garbage", "\x05\x00other garbage"}) {
        vexa::test::WriteFile(handOver, bytes);
        c.centre.OnTaskFileFound();
        EXPECT_NE(access(handOver.c_str(), F_OK), 0);
        ASSERT_FALSE(c.events.empty());
        EXPECT_EQ(c.events.back().kind, CJobCentre::Event::LIST_LOAD_FAILED);
    }
    EXPECT_EQ(c.doc.GetPageCount(), 1);
    EXPECT_EQ(c.doc.GetPage(0)->m_fileName, "keep");
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(c.dir.path()))
        if (entry.path().filename().string().starts_with("Last.vxtask.bad-"))
            kept.push_back(vexa::test::ReadFile(entry.path().string()));
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{"\x05\x00garbage", "\x05\x00other garbage"}));
}

// A hand-over file that stays where it is (an immutable file, a read-only
// folder) is taken once: loading it again would replace the list and lose
// what the hot folder added since. /proc/self/fd/N names the file but can
// never be removed, even by root.
TEST(TaskHandOver, AFileThatCannotBeRemovedIsLoadedOnceUntilItChanges)
{
    Centre c;
    CVexaDoc handed;
    handed.AddPage(Job("handed"));
    const std::string real = c.dir.file("real.vxtask");
    ASSERT_EQ(handed.SaveTaskFile(real), "");
    const int fd = open(real.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    g_settings.m_lastTaskPath = "/proc/self/fd/" + std::to_string(fd);

    c.centre.OnTaskFileFound();
    ASSERT_EQ(c.doc.GetPageCount(), 1);
    ASSERT_EQ(c.events.size(), 2u);
    EXPECT_EQ(c.events[0].kind, CJobCentre::Event::LIST_LOADED);
    EXPECT_EQ(c.events[1].kind, CJobCentre::Event::MESSAGE) << "said once that it stays";
    EXPECT_NE(c.events[1].text.find("cannot be removed"), std::string::npos);

    c.doc.AddPage(Job("from the hot folder"));
    for (int cycle = 0; cycle < 3; ++cycle)
        c.centre.OnTaskFileFound();
    EXPECT_EQ(c.doc.GetPageCount(), 2) << "the job added since stays";
    EXPECT_EQ(c.events.size(), 2u) << "nothing said again";

    // Another list in its place is taken.
    handed.AddPage(Job("second"));
    ASSERT_EQ(handed.SaveTaskFile(real), "");  // a new inode: the descriptor still names the old one
    close(fd);
    const int fd2 = open(real.c_str(), O_RDONLY);
    ASSERT_GE(fd2, 0);
    g_settings.m_lastTaskPath = "/proc/self/fd/" + std::to_string(fd2);
    c.centre.OnTaskFileFound();
    EXPECT_EQ(c.doc.GetPageCount(), 2);
    EXPECT_EQ(c.doc.GetPage(1)->m_fileName, "second");
    EXPECT_EQ(c.events.size(), 4u);
    close(fd2);
}

// Close never drops a list: when "Last.vxtask" cannot be written the list
// goes beside it under another name, and the operator is told where.
TEST(TaskHandOver, AListThatCannotBeLeftInLastIsSavedBesideIt)
{
    Centre c;
    g_plotThread = 0;
    c.doc.AddPage(Job("a", 2));
    c.doc.AddPage(Job("b"));
    // A directory in its place: no file can be written there, even by root.
    ASSERT_EQ(mkdir(g_settings.m_lastTaskPath.c_str(), 0777), 0);
    EXPECT_TRUE(c.centre.Close());
    ASSERT_FALSE(c.events.empty());
    EXPECT_EQ(c.events.back().kind, CJobCentre::Event::MESSAGE);
    std::string saved;
    for (const auto& entry : std::filesystem::directory_iterator(c.dir.path()))
        if (entry.path().filename().string().starts_with("Last-"))
            saved = entry.path().string();
    ASSERT_NE(saved, "") << c.events.back().text;
    EXPECT_NE(c.events.back().text.find(saved), std::string::npos) << "says where";
    CVexaDoc back;
    ASSERT_EQ(back.LoadTaskFile(saved), "");
    EXPECT_EQ(back.GetPageCount(), 2);
}
