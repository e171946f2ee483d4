#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/settings.h"
#include "app/time_scale.h"
#include "device/frame_messages.h"
#include "device/link_state.h"
#include "device/protocol.h"
#include "raster/swath_build.h"
#include "raster/swath_decoder.h"
#include "tests/e2e/rig.h"

using vexa::CJobCentre;
using vexa::test::Rig;
using Event = CJobCentre::Event;

namespace {
const std::string kSquare = "IN;PU0,0;PD2000,0,2000,2000,0,2000,0,0;PU;";  // 50 mm: 3 swaths
const std::string kWide = "IN;PU0,0;PD400,0,400,120000;PU;";              // 3 m across

// The dots the raster engine draws for a job, swath by swath, compared with
// what the simulated controller printed.
void ExpectPrintedAsDrawn(const COnePage& job, const vexa::sim::SimJob& printed)
{
    std::string message;
    const int swaths = PreparePlotJob(job, message);
    ASSERT_EQ(message, "");
    ASSERT_EQ(printed.swathCount, swaths);
    ASSERT_EQ(printed.rows, g_swathRows.load());
    const vexa::HeadLayout layout{g_settings.m_headMode, HeadOverlap(), g_settings.m_head2Position,
                                  g_settings.m_cartridge1OnRight};
    std::vector<uint16_t> words;
    for (int n = 0; n < swaths; ++n) {
        BuildSwath(n);
        CompressSwath();
        const std::span<const uint8_t> stream(reinterpret_cast<const uint8_t*>(g_swathStream),
                                              static_cast<size_t>(g_swathStreamBytes.load()));
        ASSERT_EQ(vexa::DecodeSwathStream(stream, static_cast<size_t>(g_swathRows + 30) * 22, words), "");
        const vexa::PrintedSwath expected = vexa::PrintedDots(words, g_swathRows, layout);
        const vexa::PrintedSwath got = printed.Swath(n);
        ASSERT_EQ(got.width, expected.width);
        ASSERT_EQ(got.dots, expected.dots) << "swath " << n;
    }
}
}  // namespace

TEST(EndToEnd, ThreeCopiesPrintThreeTimesAndLeaveTheList)
{
    Rig rig;
    auto job = rig.Job(kSquare, 3);
    COnePage reference;
    reference.CopyFrom(*job);
    rig.doc.AddPage(std::move(job));
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }));
    ASSERT_TRUE(rig.sim.WaitForJobs(3, 10000));
    rig.Stop();
    const auto jobs = rig.sim.Jobs();
    ASSERT_EQ(jobs.size(), 3u);
    for (const auto& printed : jobs) {
        EXPECT_EQ(printed->result, vexa::sim::JobResult::Done);
        ExpectPrintedAsDrawn(reference, *printed);
    }
}

TEST(EndToEnd, AutomaticStartPlaysTheListAndAJobMarkedNoWaits)
{
    Rig rig;
    rig.doc.AddPage(rig.Job(kSquare));
    rig.doc.AddPage(rig.Job("IN;PU0,0;PD1200,0,1200,800;PU;"));
    rig.doc.AddPage(rig.Job(kSquare));
    rig.doc.GetPage(2)->m_autoState = AUTO_STATE_NO;
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 1 && !g_plotThread; }));
    // Several idle reports later the job marked No is still waiting.
    const size_t done = rig.sim.Jobs().size();
    rig.RunUntil([] { return false; }, 300);
    EXPECT_EQ(rig.doc.GetPageCount(), 1);
    EXPECT_EQ(rig.sim.Jobs().size(), done);
    EXPECT_EQ(done, 2u);
    // The start button starts it once the machine reports ready.
    ASSERT_TRUE(rig.RunUntil([&] {
        if (!g_plotThread && rig.doc.GetPageCount() == 1 && rig.doc.GetPage(0)->m_autoState == AUTO_STATE_NO)
            rig.centre.Start();
        return rig.doc.GetPageCount() == 0 && !g_plotThread;
    }));
}

TEST(EndToEnd, StartPositionAndPurgePatternChangeThePrint)
{
    Rig rig;
    g_settings.m_autoClean = 1;
    auto job = rig.Job("IN;PU0,0;PD8000,0,8000,400;PU;");
    job->m_startAt = 100;  // 4000 units of the job are skipped
    COnePage reference;
    reference.CopyFrom(*job);
    rig.doc.AddPage(std::move(job));
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }));
    ASSERT_TRUE(rig.sim.WaitForJobs(1, 10000));
    rig.Stop();
    const auto printed = rig.sim.Jobs().at(0);
    ExpectPrintedAsDrawn(reference, *printed);
    // The purge bands lie ahead of where the job starts: dot 0 of row 1 (y 0 + margin) is inked.
    EXPECT_TRUE(printed->Dot(0, 1));
    g_settings.m_autoClean = 0;
}

TEST(EndToEnd, TheWidthCheckRefusesAndSendsNothing)
{
    Rig rig;
    g_settings.m_wideMode = 0;
    g_settings.m_pageWidth = 30000;  // no pagination: 3 m across stays 3 m
    rig.doc.AddPage(rig.Job(kWide));
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::JOB_REFUSED); }));
    EXPECT_NE(rig.events.back().text.find("超出机器幅宽"), std::string::npos);
    rig.Stop();
    EXPECT_TRUE(rig.sim.Jobs().empty());
    EXPECT_EQ(rig.doc.GetPageCount(), 1);
    g_settings.m_pageWidth = 2000;
    g_settings.m_wideMode = 1;
}

TEST(EndToEnd, CarriageTimeoutAbortsAndTheJobWaitsForAManualStart)
{
    Rig rig;
    rig.sim.SetCarriageTimeoutAt(1);
    rig.doc.AddPage(rig.Job(kSquare, 2));
    rig.doc.GetPage(0)->m_startAt = 10;
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::JOB_ABORTED) && !g_plotThread; }));
    ASSERT_EQ(rig.doc.GetPageCount(), 1);
    EXPECT_EQ(rig.doc.GetPage(0)->m_autoState, AUTO_STATE_NO);
    EXPECT_EQ(rig.doc.GetPage(0)->m_startAt, 0);
    EXPECT_EQ(rig.doc.GetPage(0)->m_copies, 2);
    EXPECT_NE(rig.events.back().text.find("STATE_CARRIAGE_TIMEOUT"), std::string::npos) << rig.events.back().text;
}

TEST(EndToEnd, PauseResumeAndCancelReachTheController)
{
    vexa::sim::SimConfig config;
    config.pace = 3;  // the controller takes its time over every swath
    Rig rig(config);
    rig.doc.AddPage(rig.Job("IN;PU0,0;PD20000,0,20000,400;PU;"));  // 500 mm: 21 swaths
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return g_currentSwath >= 2; }));
    g_settings.PostCommand(UI_PAUSE);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.sim.Status() == STATE_PAUSED; }));
    const int pausedAt = g_currentSwath;
    rig.RunUntil([] { return false; }, 100);
    EXPECT_EQ(g_currentSwath, pausedAt) << "no data while paused";
    g_settings.PostCommand(UI_RESUME);
    ASSERT_TRUE(rig.RunUntil([&] { return g_currentSwath > pausedAt + 1; }));
    g_settings.PostCommand(UI_CANCEL);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::JOB_ABORTED) && !g_plotThread; }));
    ASSERT_TRUE(rig.sim.WaitForJobs(1, 10000));
    EXPECT_EQ(rig.sim.Jobs().at(0)->result, vexa::sim::JobResult::Cancelled);
    EXPECT_EQ(rig.doc.GetPageCount(), 1);
}

TEST(EndToEnd, ALinkThatDropsMidJobComesBackAndNothingIsLost)
{
    Rig rig;
    auto job = rig.Job("IN;PU0,0;PD6000,0,6000,400;PU;");
    COnePage reference;
    reference.CopyFrom(*job);
    rig.doc.AddPage(std::move(job));
    // The connection is reset at the third swath query, and one reply is lost.
    vexa::sim::ReplyFault reset;
    reset.kind = vexa::sim::FaultKind::Reset;
    reset.code = CMD_SWATH_QUERY;
    reset.at = 3;
    rig.sim.AddFault(reset);
    vexa::sim::ReplyFault drop;
    drop.kind = vexa::sim::FaultKind::Drop;
    drop.code = CMD_SWATH_DONE;
    drop.at = 2;
    rig.sim.AddFault(drop);
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }));
    ASSERT_TRUE(rig.sim.WaitForJobs(1, 10000));
    rig.Stop();
    EXPECT_EQ(rig.sim.Jobs().at(0)->result, vexa::sim::JobResult::Done);
    ExpectPrintedAsDrawn(reference, *rig.sim.Jobs().at(0));
}

TEST(EndToEnd, HotFolderFilesPrintAndWaitForTheRunningJob)
{
    Rig rig;
    mkdir(g_settings.m_hotFolder.c_str(), 0777);
    vexa::SetTimeScale(0);  // files settle from one scan to the next
    vexa::test::WriteFile(g_settings.m_hotFolder + "a.plt", kSquare);
    vexa::test::WriteFile(g_settings.m_hotFolder + "b.plt", kSquare);
    vexa::test::WriteFile(g_settings.m_hotFolder + "tiny.plt", "PU0,0;PD1;");
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::JOB_STARTED); }));
    // Dropped while a job prints: taken only after it.
    vexa::test::WriteFile(g_settings.m_hotFolder + "c.plt", kSquare);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.sim.Jobs().size() == 3 && rig.doc.GetPageCount() == 0 && !g_plotThread; }));
    struct stat st {};
    EXPECT_EQ(stat((g_settings.m_hotFolder + "rejected/tiny.plt").c_str(), &st), 0);
    vexa::SetTimeScale(0.001);
}

TEST(EndToEnd, ATaskHandOverReplacesTheList)
{
    Rig rig;
    CVexaDoc other;
    other.AddPage(rig.Job(kSquare));
    other.AddPage(rig.Job(kSquare));
    rig.doc.AddPage(rig.Job(kSquare));
    rig.doc.GetPage(0)->m_autoState = AUTO_STATE_NO;
    ASSERT_EQ(other.SaveTaskFile(g_settings.m_lastTaskPath), "");
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::LIST_LOADED); }));
    EXPECT_EQ(rig.doc.GetPageCount(), 2);
    EXPECT_EQ(rig.doc.GetPage(0)->m_autoState, AUTO_STATE_NO) << "nothing starts by itself";
    struct stat st {};
    EXPECT_NE(stat(g_settings.m_lastTaskPath.c_str(), &st), 0);
}
