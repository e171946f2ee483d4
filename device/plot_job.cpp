#include "device/plot_job.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "app/settings.h"
#include "app/time_scale.h"
#include "device/commands.h"
#include "device/frame_messages.h"
#include "device/link_state.h"
#include "device/monitor_thread.h"
#include "device/my_commu.h"
#include "device/ui_commands.h"
#include "model/one_page.h"
#include "model/vexa_doc.h"
#include "raster/swath_build.h"

std::atomic<int> g_plotThread{0};
std::atomic<int> g_swathCount{0};
std::atomic<int> g_currentSwath{0};
const char* const MSG_SEND_FAILED = "发送命令失败";

namespace {
std::mutex s_threadMutex;
std::thread s_thread;
std::atomic<bool> s_abort{false};
std::atomic<bool> s_plotRunning{false};

// More failed queries in a row than this abandon the job (about 100 s).
constexpr int MAX_QUERY_FAILURES = 1000;

void Finish(int result)
{
    if (IFrameNotify* frame = g_mainFrame.load())
        frame->Send(WM_PLOT_FINISHED, result);
}

void WaitForMonitorToLeaveLink()
{
    // Bounded by the link's own time limits; the monitor checks the flag
    // it waits on before every exchange.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (g_monitorUsesLink && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

// A failed query: wait, count, and give up past the limit.
bool GiveUpAfterFailure(int& failures)
{
    vexa::SleepMs(100);
    if (failures > MAX_QUERY_FAILURES) {
        if (IFrameNotify* frame = g_mainFrame.load())
            frame->ShowMessage(MSG_SEND_FAILED);
        return true;
    }
    ++failures;
    return false;
}
}  // namespace

void DispatchPlotCommand(int code)
{
    // Cleaning and the fan are for an idle machine: dropped while printing.
    if (code == UI_SAVE_PARAMS) {
        if (const std::string message = SaveParamsForUi(); !message.empty())
            if (IFrameNotify* frame = g_mainFrame.load())
                frame->ShowMessage(message);
    } else if (code != UI_CLEAN && code != UI_FAN_ON && code != UI_FAN_OFF) {
        if (const int command = DeviceCommandForUiCode(code))
            g_commu.SendCommand(command);
    }
}

int PlotThreadProc()
{
    uint8_t reply[REPLY_MAX_BYTES] = {};
    int failures = 0;

    // The controller prepares the job; it reports PLOTTING when it is ready for data.
    while (g_machineStatus != STATE_PLOTTING) {
        vexa::SleepMs(10);
        g_commu.SendCommand(CMD_STATUS);
        if (g_machineStatus == STATE_READY || s_abort) {
            Finish(PLOT_ABORTED);
            return -1;
        }
    }

    g_currentSwath = 0;
    while (g_currentSwath < g_swathCount) {
        if (s_abort) {
            Finish(PLOT_ABORTED);
            return -1;
        }
        if (const int code = TakeUiCommand()) {
            DispatchPlotCommand(code);
            vexa::SleepMs(1);
            continue;
        }
        uint8_t swath[2];
        PutU16(swath, static_cast<uint32_t>(g_currentSwath.load()));
        // A reply that did not arrive whole is asked again, never read from
        // what an earlier exchange left in the buffer.
        std::memset(reply, 0, sizeof reply);
        if (g_commu.Query(CMD_SWATH_QUERY, 2, swath, SWATH_QUERY_REPLY_BYTES, reply) != LINK_OK) {
            if (GiveUpAfterFailure(failures)) {
                Finish(PLOT_ABORTED);
                return -1;
            }
            continue;
        }
        failures = 0;
        const SwathQueryReply answer = SwathQueryReply::Parse(reply);
        g_machineStatus = answer.status;
        g_plotProgress = answer.progress;
        if (answer.status == STATE_READY || answer.status == STATE_CARRIAGE_TIMEOUT) {
            Finish(PLOT_ABORTED);
            return -1;
        }
        if (answer.status == STATE_PAUSED || answer.notYet != 0) {
            vexa::SleepMs(20);
            QueryPosition();
            vexa::SleepMs(30);
            continue;
        }

        BuildSwath(g_currentSwath);
        CompressSwath();
        vexa::SleepMs(1000);
        const int bytes = g_swathStreamBytes;
        if (g_commu.SendBulk(reinterpret_cast<const uint8_t*>(g_swathStream), bytes) != bytes)
            continue;  // the same swath is asked for again

        vexa::SleepMs(100);
        if (g_commu.Query(CMD_SWATH_DONE, 2, swath, SWATH_DONE_REPLY_BYTES, reply) == LINK_OK) {
            failures = 0;
            ++g_currentSwath;
        } else if (GiveUpAfterFailure(failures)) {
            Finish(PLOT_ABORTED);
            return -1;
        }
    }
    Finish(PLOT_DONE);
    return 0;
}

StartJobResult StartJob(CVexaDoc& doc)
{
    StartJobResult result;
    COnePage* job = doc.GetPage(0);
    if (!job)
        return result;
    const int swaths = PreparePlotJob(*job, result.message);
    if (swaths < 0)
        return result;  // the width check refused it; nothing was sent
    g_swathCount = swaths;

    g_settings.m_pollEnabled = 0;
    vexa::SleepMs(300);
    // The fixed wait parks the monitor only if it happens to be between
    // exchanges; the plot thread's swath data must never be interleaved with
    // a poll, so wait until the monitor has let go of the link.
    WaitForMonitorToLeaveLink();
    const auto header = JobHeaderPayload(g_swathRows, swaths);
    if (g_commu.SendCommandData(CMD_JOB_HEADER, JOB_HEADER_PAYLOAD_BYTES, header.data()) != LINK_OK) {
        g_settings.m_pollEnabled = 1;
        return result;
    }
    vexa::SleepMs(10);
    job->m_autoState = AUTO_STATE_PRINTING;

    JoinPlotThread();  // the previous one has reported its end already
    std::lock_guard lock(s_threadMutex);
    s_abort = false;
    g_plotThread = 1;
    s_plotRunning = true;
    s_thread = std::thread([] {
        PlotThreadProc();
        s_plotRunning = false;
    });
    result.started = true;
    return result;
}

void JoinPlotThread()
{
    std::lock_guard lock(s_threadMutex);
    if (s_thread.joinable())
        s_thread.join();
}

bool PlotThreadRunning()
{
    return s_plotRunning;
}

void AbortPlotThread()
{
    s_abort = true;
}
