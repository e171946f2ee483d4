// The control bar's status and carriage texts, as the operator reads them.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "device/link_state.h"
#include "device/plot_job.h"
#include "device/protocol.h"
#include "device/status_text.h"

namespace {
constexpr int ZH = 0, EN = 1;

struct StatusCase {
    const char* what;
    MachineStatus machine;
    int language;
    const char* text;
    bool progress;
};

const StatusCase STATUS_CASES[] = {
    {"both cartridges share 2 nozzles: 24.833 mm a swath, truncated",
     {.connected = 1, .status = STATE_PLOTTING, .plotProgress = 10, .swathCount = 40, .headMode = 0, .headOverlap = 2},
     EN, "Plotting...248/993", true},
    {"one cartridge: 12.5 mm a swath, overlap ignored",
     {.connected = 1, .status = STATE_PLOTTING, .plotProgress = 10, .swathCount = 40, .headMode = 1, .headOverlap = 2},
     EN, "Plotting...125/500", true},
    {"one cartridge, Chinese",
     {.connected = 1, .status = STATE_PLOTTING, .plotProgress = 10, .swathCount = 40, .headMode = 2, .headOverlap = 7},
     ZH, "工作中...125/500", true},
    {"paused has four dots in English",
     {.connected = 1, .status = STATE_PAUSED, .plotProgress = 10, .swathCount = 40, .headMode = 1},
     EN, "Paused....125/500", true},
    {"truncated, not rounded: 173.83 mm done",
     {.connected = 1, .status = STATE_PAUSED, .plotProgress = 7, .swathCount = 40, .headMode = 0, .headOverlap = 2},
     EN, "Paused....173/993", true},
    {"paused, Chinese, no overlap: 25 mm a swath",
     {.connected = 1, .status = STATE_PAUSED, .plotProgress = 0, .swathCount = 3, .headMode = 0, .headOverlap = 0},
     ZH, "暂停...0/75", true},
    {"plotting before the swath count is known",
     {.connected = 1, .status = STATE_PLOTTING, .plotProgress = 10, .swathCount = 0}, EN, "", false},
    {"paused before the swath count is known",
     {.connected = 1, .status = STATE_PAUSED, .plotProgress = 10, .swathCount = 0}, ZH, "", false},
    {"a state without numbers ignores a running job",
     {.connected = 1, .status = STATE_FINISHING, .plotProgress = 10, .swathCount = 40}, EN, "Finishing...", false},
    {"ready", {.connected = 1, .status = STATE_READY}, ZH, "准备就绪", false},
    {"cleaning reads Plot Test in English", {.connected = 1, .status = STATE_CLEANING}, EN, "Plot Test...", false},
    {"last known code", {.connected = 1, .status = STATE_CARRIAGE_TIMEOUT}, EN, "Car move timeout,maybe paper jam...",
     false},
    {"first unknown code", {.connected = 1, .status = 12}, EN, "Errcode 12", false},
    {"unknown codes are not translated", {.connected = 1, .status = 255}, ZH, "Errcode 255", false},
    {"not connected, whatever the status byte",
     {.connected = 0, .status = STATE_PLOTTING, .plotProgress = 10, .swathCount = 40}, EN, "Disconnected...", false},
    {"not connected, Chinese", {.connected = 0, .status = 200}, ZH, "未连接...", false},
    {"any nonzero language is English", {.connected = 1, .status = STATE_READY}, 7, "Ready", false},
};

TEST(StatusText, Table)
{
    for (const StatusCase& c : STATUS_CASES) {
        const MachineStatusText s = FormatStatusText(c.machine, c.language);
        EXPECT_EQ(s.text, c.text) << c.what;
        EXPECT_EQ(s.progress, c.progress) << c.what;
    }
}

TEST(StatusText, ProgressInMmAndNoOverflow)
{
    const MachineStatus both{.connected = 1, .status = STATE_PLOTTING, .plotProgress = 10, .swathCount = 40,
                             .headMode = 0, .headOverlap = 2};
    const MachineStatusText s = FormatStatusText(both, EN);
    EXPECT_EQ(s.doneMm, 248);
    EXPECT_EQ(s.totalMm, 993);

    // Counts far beyond any job still give numbers, not undefined behaviour.
    const MachineStatus huge{.connected = 1, .status = STATE_PLOTTING, .plotProgress = 2147483647,
                             .swathCount = 2147483647, .headMode = 1};
    EXPECT_EQ(FormatStatusText(huge, EN).totalMm, 26843545587LL);
}

TEST(StatusText, Carriage)
{
    EXPECT_EQ(FormatCarriageText(1000, 0, EN), "Car:141.11 mm");
    EXPECT_EQ(FormatCarriageText(1000, 1, EN), "Car:169.33 mm");
    EXPECT_EQ(FormatCarriageText(1000, 1, ZH), "小车:169.33 mm");
    EXPECT_EQ(FormatCarriageText(-257, 0, EN), "Car:-36.27 mm");
    EXPECT_EQ(FormatCarriageText(-32768, 0, ZH), "小车:-4623.93 mm");
    EXPECT_EQ(FormatCarriageText(1000, 3, EN), "Car:169.33 mm") << "any nonzero resolution is 150 dpi";
}

// The overloads the window's timer calls read the same values the worker threads write.
TEST(StatusText, FromGlobals)
{
    const int language = g_settings.m_language, headMode = g_settings.m_headMode,
              overlap = g_settings.m_headOverlap, resolution = g_settings.m_resolution;
    g_settings.m_language = EN;
    g_settings.m_headMode = 0;
    g_settings.m_headOverlap = 2;
    g_settings.m_resolution = 1;
    g_connected = 1;
    g_machineStatus = STATE_PAUSED;
    g_plotProgress = 10;
    g_swathCount = 40;
    g_carriagePosition = 1000;

    EXPECT_EQ(CurrentStatusText().text, "Paused....248/993");
    EXPECT_EQ(CurrentCarriageText(), "Car:169.33 mm");
    g_settings.m_language = ZH;
    g_connected = 0;
    EXPECT_EQ(CurrentStatusText().text, "未连接...");

    g_settings.m_language = language;
    g_settings.m_headMode = headMode;
    g_settings.m_headOverlap = overlap;
    g_settings.m_resolution = resolution;
    g_machineStatus = 0;
    g_plotProgress = 0;
    g_swathCount = 0;
    g_carriagePosition = 0;
}
}  // namespace
