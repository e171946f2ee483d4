#include "device/monitor_thread.h"

#include <mutex>
#include <sys/stat.h>
#include <thread>

#include "app/settings.h"
#include "app/time_scale.h"
#include "device/commands.h"
#include "device/frame_messages.h"
#include "device/link_state.h"
#include "device/my_commu.h"
#include "device/plot_job.h"
#include "device/ui_commands.h"

std::atomic<int> g_pollFailures{0};
std::atomic<bool> g_monitorUsesLink{false};
std::atomic<IFrameNotify*> g_mainFrame{nullptr};

namespace {
std::mutex s_threadMutex;
std::thread s_thread;
std::atomic<bool> s_running{false};

bool FileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

void Send(int message)
{
    if (IFrameNotify* frame = g_mainFrame.load())
        frame->Send(message, 0);
}

}  // namespace

void PollStatus()
{
    if (g_commu.SendCommand(CMD_STATUS) == LINK_OK) {
        g_pollFailures = 0;
    } else if (++g_pollFailures >= 4) {
        g_connected = 0;
        g_pollFailures = 0;
    }
    vexa::SleepMs(10);
    QueryPosition();
    vexa::SleepMs(10);
}

std::string DispatchMonitorCommand(int code)
{
    std::string message;
    if (code == UI_SAVE_PARAMS)
        message = SaveParamsForUi();
    else if (const int command = DeviceCommandForUiCode(code))
        g_commu.SendCommand(command);
    vexa::SleepMs(1);
    return message;
}

int MonitorThreadProc()
{
    while (g_settings.m_quit == 0) {
        if (g_settings.m_pollEnabled == 0) {
            vexa::SleepMs(50);
            continue;
        }
        if (FileExists(g_settings.m_lastTaskPath)) {
            Send(WM_TASK_FILE_FOUND);
            // A hand-over file that could not be taken away would otherwise be
            // loaded again and again without a pause: go on with the cycle.
            if (!FileExists(g_settings.m_lastTaskPath))
                continue;
        }
        Send(WM_MONITOR_TICK);
        // From here the cycle may talk to the controller. A job started
        // meanwhile (the start button, or the tick) must find the link free:
        // the flag says so, and polling disabled ends the cycle before any
        // exchange.
        g_monitorUsesLink = true;
        vexa::SleepMs(300);
        if (g_settings.m_pollEnabled == 0) {
            g_monitorUsesLink = false;
            continue;
        }
        if (g_connected == 0) {
            ReadParamBlock();
            g_monitorUsesLink = false;
            vexa::SleepMs(200);
            continue;
        }
        if (const int code = TakeUiCommand()) {
            const std::string message = DispatchMonitorCommand(code);
            // Never wait for the window while holding the link: the window
            // may itself be waiting for it (a job start).
            g_monitorUsesLink = false;
            if (!message.empty())
                if (IFrameNotify* frame = g_mainFrame.load())
                    frame->ShowMessage(message);
            continue;
        }
        PollStatus();
        g_monitorUsesLink = false;
        if (!g_plotThread && g_machineStatus == STATE_READY)
            Send(WM_MACHINE_IDLE);
    }
    g_monitorUsesLink = false;
    s_running = false;
    return 0;
}

void StartMonitorThread()
{
    std::lock_guard lock(s_threadMutex);
    if (s_thread.joinable())
        return;
    s_running = true;
    s_thread = std::thread(MonitorThreadProc);
}

void StopMonitorThread()
{
    g_settings.m_quit = 1;
    std::lock_guard lock(s_threadMutex);
    if (s_thread.joinable())
        s_thread.join();
}

bool MonitorThreadRunning()
{
    return s_running;
}
