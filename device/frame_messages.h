#pragma once
#include <atomic>
#include <string>

// What the worker threads tell the main window, and the codes the user
// interface leaves for them in the mailbox.
constexpr int WM_USER = 0x0400;
enum : int {
    WM_TRAY_NOTIFY = WM_USER + 101,
    WM_PLOT_FINISHED = WM_USER + 102,
    WM_MONITOR_TICK = WM_USER + 103,
    WM_MACHINE_IDLE = WM_USER + 104,
    WM_TASK_FILE_FOUND = WM_USER + 105,
    WM_PROGRESS_CHANGED = WM_USER + 106,
};
enum : int { PLOT_DONE = 1, PLOT_ABORTED = 3 };

// UI codes for g_settings.m_pendingCommand.
enum : int {
    UI_STOP_JOG = 1,
    UI_JOG_DOWN = 2,
    UI_JOG_UP = 3,
    UI_JOG_LEFT = 4,
    UI_JOG_RIGHT = 5,
    UI_CLEAN = 6,
    UI_FAN_ON = 7,
    UI_FAN_OFF = 8,
    UI_RESUME = 9,
    UI_PAUSE = 10,
    UI_CANCEL = 11,
    UI_SAVE_PARAMS = 28,
};

// The main window as the worker threads see it. Send delivers a message and
// returns only after the main window's thread has handled it (a blocking
// send); ShowMessage reports a failure the operator must see.
class IFrameNotify {
public:
    virtual ~IFrameNotify() = default;
    virtual void Send(int message, int wParam) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
};

// The receiver of the worker threads' notifications; set before the
// monitor thread starts.
extern std::atomic<IFrameNotify*> g_mainFrame;
