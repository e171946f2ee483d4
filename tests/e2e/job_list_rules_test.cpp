// What keeps a job list moving against a real monitor thread: refusals that
// wait for the operator, a hand-over file that stays, a start right after a
// control command.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/settings.h"
#include "app/time_scale.h"
#include "device/frame_messages.h"
#include "device/link_state.h"
#include "device/protocol.h"
#include "tests/e2e/rig.h"

using vexa::test::Rig;
using Event = vexa::CJobCentre::Event;

namespace {
const std::string kSquare = "IN;PU0,0;PD2000,0,2000,2000,0,2000,0,0;PU;";
const std::string kWide = "IN;PU0,0;PD400,0,400,120000;PU;";  // 3 m across

int Count(const Rig& rig, Event::Kind kind)
{
    return static_cast<int>(
        std::count_if(rig.events.begin(), rig.events.end(), [kind](const Event& e) { return e.kind == kind; }));
}
}  // namespace

// A job the width check refuses is reported once and set to No; the list
// waits for the operator, and once the job is deleted the next one prints.
TEST(JobListRules, ARefusedJobWaitsForTheOperatorInsteadOfBlockingTheList)
{
    Rig rig;
    g_settings.m_wideMode = 0;
    g_settings.m_pageWidth = 30000;  // no pagination: 3 m across stays 3 m
    rig.doc.AddPage(rig.Job(kWide));
    rig.doc.AddPage(rig.Job(kSquare));
    ASSERT_EQ(rig.doc.GetPage(0)->m_autoState, AUTO_STATE_YES);
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::JOB_REFUSED); }));
    EXPECT_EQ(rig.doc.GetPage(0)->m_autoState, AUTO_STATE_NO);
    // Many idle reports later: still said once, nothing sent.
    rig.RunUntil([] { return false; }, 300);
    EXPECT_EQ(Count(rig, Event::JOB_REFUSED), 1);
    EXPECT_TRUE(rig.sim.Jobs().empty());

    rig.doc.RemovePage(0);  // the operator's decision
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }));
    ASSERT_TRUE(rig.sim.WaitForJobs(1, 10000));
    g_settings.m_pageWidth = 2000;
    g_settings.m_wideMode = 1;
}

// A hand-over file that cannot be removed is loaded at the first cycle and
// never again: the jobs the hot folder adds afterwards stay in the list.
// /proc/self/fd/N names the file but can never be removed, even by root.
TEST(JobListRules, AHandOverFileThatStaysIsLoadedOnce)
{
    Rig rig;
    g_settings.m_autoStart = 0;
    vexa::SetTimeScale(0);  // hot-folder files settle from one scan to the next
    CVexaDoc handed;
    handed.AddPage(rig.Job(kSquare));
    const std::string real = rig.dir.file("handed.vxtask");
    ASSERT_EQ(handed.SaveTaskFile(real), "");
    const int fd = open(real.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    g_settings.m_lastTaskPath = "/proc/self/fd/" + std::to_string(fd);
    mkdir(g_settings.m_hotFolder.c_str(), 0777);
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::LIST_LOADED); }));
    vexa::test::WriteFile(g_settings.m_hotFolder + "a.plt", kSquare);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::FILE_IMPORTED); }));
    rig.RunUntil([] { return false; }, 200);
    rig.Stop();
    EXPECT_EQ(rig.doc.GetPageCount(), 2) << "the hot-folder job is still there";
    EXPECT_EQ(Count(rig, Event::LIST_LOADED), 1);
    EXPECT_EQ(Count(rig, Event::MESSAGE), 1) << "said once that the file stays";
    close(fd);
    g_settings.m_autoStart = 1;
    vexa::SetTimeScale(0.001);
}

// The monitor lets go of the link after every command it sends, so a start
// right after the fan or a jog goes out at once instead of waiting for it.
// The start is pressed in the very next notification after the command,
// while the monitor waits for it to be handled.
TEST(JobListRules, AStartRightAfterAControlCommandIsNotHeldUp)
{
    Rig rig;
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([] { return g_connected != 0 && g_machineStatus == STATE_READY; }));
    for (const int command : {UI_FAN_ON, UI_JOG_RIGHT, UI_STOP_JOG, UI_FAN_OFF}) {
        ASSERT_TRUE(rig.RunUntil([] { return g_machineStatus == STATE_READY; }));  // the last job has finished
        rig.doc.AddPage(rig.Job(kSquare));
        rig.doc.GetPage(0)->m_autoState = AUTO_STATE_NO;
        bool pressed = false;
        std::chrono::steady_clock::duration took{};
        rig.beforeHandle = [&](int message) {
            if (pressed || message != WM_MONITOR_TICK || g_settings.m_pendingCommand != 0)
                return;
            pressed = true;
            const auto before = std::chrono::steady_clock::now();
            rig.centre.Start();
            took = std::chrono::steady_clock::now() - before;
        };
        g_settings.PostCommand(command);
        ASSERT_TRUE(rig.RunUntil([&] { return pressed; }));
        rig.beforeHandle = nullptr;
        ASSERT_TRUE(rig.Has(Event::JOB_STARTED)) << command << (rig.events.empty() ? "" : rig.events.back().text);
        EXPECT_LT(took, std::chrono::seconds(5)) << "after command " << command;
        ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }));
        rig.events.clear();
    }
    EXPECT_TRUE(rig.sim.WaitForJobs(4, 10000));
}

// A parameter save that fails makes the monitor show a message, and the
// window may press start before or while it handles it: the monitor has let
// go of the link by then, so the start never waits for it.
TEST(JobListRules, AStartWhileTheMonitorWaitsWithAMessageIsNotHeldUp)
{
    Rig rig;
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([] { return g_connected != 0 && g_machineStatus == STATE_READY; }));
    rig.doc.AddPage(rig.Job(kSquare));
    rig.doc.GetPage(0)->m_autoState = AUTO_STATE_NO;
    vexa::sim::ReplyFault drop;  // the save is never confirmed
    drop.kind = vexa::sim::FaultKind::Drop;
    drop.code = CMD_WRITE_PARAMS;
    rig.sim.AddFault(drop);
    std::chrono::steady_clock::duration took{};
    rig.beforeMessage = [&](const std::string&) {
        const auto before = std::chrono::steady_clock::now();
        rig.centre.Start();
        took = std::chrono::steady_clock::now() - before;
    };
    g_settings.PostCommand(UI_SAVE_PARAMS);
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.messages.empty(); }));
    EXPECT_TRUE(rig.Has(Event::JOB_STARTED));
    EXPECT_LT(took, std::chrono::seconds(5));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.doc.GetPageCount() == 0 && !g_plotThread; }));
}
