#pragma once
#include <atomic>
#include <string>

// The status monitor: keeps the link state, carriage position and parameter
// block current, forwards queued commands, and paces the main window with
// ticks, idle notices and task hand-over notices.
extern std::atomic<int> g_pollFailures;
// True while the monitor is in the part of its cycle that may exchange with
// the controller (never while it waits for the main window).
extern std::atomic<bool> g_monitorUsesLink;

int MonitorThreadProc();
void PollStatus();
// Sends the device command of a UI code; returns a failure for the operator
// (a parameter save), which the monitor shows after letting go of the link.
std::string DispatchMonitorCommand(int code);

// Starts MonitorThreadProc on its own thread (m_quit must be 0 and
// g_mainFrame set); StopMonitorThread sets m_quit and waits for it to end.
void StartMonitorThread();
void StopMonitorThread();
bool MonitorThreadRunning();
