#pragma once
#include <atomic>
#include <string>

class CVexaDoc;

// One job printed: StartJob on the main window's thread announces page 0 to
// the controller and starts the plot thread, which hands the controller one
// swath after another and reports the end with WM_PLOT_FINISHED.

// Nonzero while a plot thread runs: set by StartJob, cleared by the main
// window when it handles WM_PLOT_FINISHED.
extern std::atomic<int> g_plotThread;
extern std::atomic<int> g_swathCount;
extern std::atomic<int> g_currentSwath;

extern const char* const MSG_SEND_FAILED;

struct StartJobResult {
    bool started = false;
    std::string message;  // for the operator (the width check); empty otherwise
};

// Starts page 0 of the job list (the caller has checked that the machine is
// ready, no job runs and the list is not empty).
StartJobResult StartJob(CVexaDoc& doc);

int PlotThreadProc();
void DispatchPlotCommand(int code);

// Waits for the last plot thread to end (it ends right after its
// WM_PLOT_FINISHED has been handled). AbortPlotThread asks a running one to
// give up at its next wait, for a program that must stop.
void JoinPlotThread();
void AbortPlotThread();
// True from the plot thread's start until its function has returned.
bool PlotThreadRunning();
