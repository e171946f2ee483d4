// A parameter save asked for by the settings dialog reaches the controller
// even when a jog or the fan is posted before the worker thread takes it.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/settings.h"
#include "device/frame_messages.h"
#include "device/link_state.h"
#include "device/protocol.h"
#include "tests/e2e/rig.h"

using vexa::CJobCentre;
using vexa::test::Rig;
using Event = CJobCentre::Event;

namespace {
// Starts as the program does, with nothing known of the controller, and
// puts back the setting a test edits.
struct SaveGuard {
    int jobGap = g_settings.m_jobGap;
    SaveGuard()
    {
        g_settings.m_paramSaveRequested = 0;
        g_connected = 0;
        g_machineStatus = STATE_INIT;
        g_currentSwath = 0;
    }
    ~SaveGuard()
    {
        g_settings.m_jobGap = jobGap;
        g_settings.m_paramSaveRequested = 0;
    }
};

// Sequence numbers of the exchanges with a command code, from the simulator's log.
std::vector<uint64_t> Exchanges(const Rig& rig, int code)
{
    std::vector<uint64_t> seqs;
    for (const std::string& line : rig.sim.Log()) {
        const auto j = nlohmann::json::parse(line, nullptr, false);
        if (j.is_object() && j.value("code", -1) == code)
            seqs.push_back(j.value("seq", uint64_t{0}));
    }
    return seqs;
}
}  // namespace

// The monitor is held in a tick's notification while both are posted, so the
// mailbox's code is there before the save is taken: before the mend the code
// replaced the save.
TEST(ParamSave, SurvivesAJogOrTheFanPostedBeforeTheMonitorTakesIt)
{
    SaveGuard guard;
    Rig rig;
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([] { return g_connected != 0 && g_machineStatus == STATE_READY; }));
    int gap = 60;
    for (const int command : {UI_JOG_RIGHT, UI_FAN_ON}) {
        ++gap;
        const int16_t position = rig.sim.Position();
        bool posted = false;
        rig.beforeHandle = [&](int message) {
            if (posted || message != WM_MONITOR_TICK)
                return;
            posted = true;
            g_settings.m_jobGap = gap;
            g_settings.RequestParamSave();
            g_settings.PostCommand(command);
        };
        ASSERT_TRUE(rig.RunUntil([&] {
            const bool commandArrived = command == UI_FAN_ON ? rig.sim.FanOn() : rig.sim.Position() != position;
            return posted && commandArrived && rig.sim.Block().jobGap == gap;
        })) << "command " << command << ": block gap " << int(rig.sim.Block().jobGap);
        rig.beforeHandle = nullptr;
        EXPECT_EQ(g_settings.m_paramSaveRequested, 0);
        g_settings.PostCommand(UI_STOP_JOG);
    }
}

// While a job prints the plot thread takes the codes: the save and a pause
// posted together both reach the controller.
TEST(ParamSave, SurvivesAPausePostedWhileAJobPrints)
{
    SaveGuard guard;
    vexa::sim::SimConfig config;
    config.pace = 3;
    Rig rig(config);
    rig.doc.AddPage(rig.Job("IN;PU0,0;PD20000,0,20000,400;PU;"));  // 21 swaths
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return g_currentSwath >= 2; }));
    ASSERT_EQ(rig.sim.Status(), STATE_PLOTTING);
    g_settings.m_jobGap = 88;
    g_settings.RequestParamSave();
    g_settings.PostCommand(UI_PAUSE);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.sim.Status() == STATE_PAUSED && rig.sim.Block().jobGap == 88; }));
    g_settings.PostCommand(UI_CANCEL);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Has(Event::JOB_ABORTED) && !g_plotThread; }));
}

// A save asked for while the controller is not connected waits for the
// connection; the monitor reads the controller's block first, so what it
// sends is the controller's own values, not the edits made meanwhile.
TEST(ParamSave, AskedForWhileDisconnectedSendsTheBlockReadAtConnection)
{
    SaveGuard guard;
    Rig rig;
    const ParamBlock controller = rig.sim.Block();
    g_settings.m_jobGap = controller.jobGap + 7;
    g_settings.RequestParamSave();
    g_settings.PostCommand(UI_FAN_ON);  // taken after the save, in a later cycle
    rig.Start();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.sim.FanOn(); }));
    const auto reads = Exchanges(rig, CMD_READ_PARAMS);
    const auto writes = Exchanges(rig, CMD_WRITE_PARAMS);
    ASSERT_EQ(writes.size(), 1u);
    ASSERT_FALSE(reads.empty());
    EXPECT_LT(reads.front(), writes.front());
    EXPECT_EQ(rig.sim.Block().ToBytes(), controller.ToBytes());
    EXPECT_EQ(g_settings.m_jobGap, controller.jobGap);
}
