#pragma once
#include <string>

// The operator's words for the machine: the status text and the carriage text
// of the control bar. The window's timer, `vexagrid-cli status` and the print
// progress line all format them here.
//
//   const MachineStatusText s = CurrentStatusText();  // reads the link state and g_settings
//   show(s.text);                                    // UTF-8, may be empty
//   if (s.progress) ...                              // the window sends WM_PROGRESS_CHANGED
//
//   if (g_carriagePositionNew.exchange(0) == 1)      // the window owns this hand-shake
//       show(CurrentCarriageText());

struct MachineStatus {
    int connected = 0;     // g_connected
    int status = 0;        // g_machineStatus, STATE_...
    int plotProgress = 0;  // g_plotProgress, swaths done by the controller
    int swathCount = 0;    // g_swathCount, swaths of the running job
    int headMode = 0;      // m_headMode: 0 both cartridges, otherwise one
    int headOverlap = 0;   // m_headOverlap, nozzles
};

struct MachineStatusText {
    std::string text;        // empty while plotting or paused without a job's swath count
    bool progress = false;   // text carries the progress numbers below
    long long doneMm = 0;    // paper advanced so far, whole mm
    long long totalMm = 0;   // paper advance of the whole job, whole mm
};

// Paper advance per swath in mm: 150 nozzles at 12 per mm for one cartridge;
// both cartridges share the overlapping nozzles.
double SwathAdvanceMm(int headMode, int headOverlap);

// language 0 is Chinese, any other English (m_language).
MachineStatusText FormatStatusText(const MachineStatus& machine, int language);
// From g_connected, g_machineStatus, g_plotProgress, g_swathCount and g_settings.
MachineStatusText CurrentStatusText();

// "小车:141.11 mm" / "Car:141.11 mm".
std::string FormatCarriageText(int positionDots, int resolution, int language);
// From g_carriagePosition and g_settings.
std::string CurrentCarriageText();
