#pragma once
// Tests set the worker threads' values and the settings the widgets read
// directly; this puts every one of them back afterwards.
#include <cstdint>

#include "app/settings.h"
#include "device/link_state.h"
#include "device/plot_job.h"

namespace vexa::ui_test {
class MachineStateGuard {
public:
    MachineStateGuard() = default;
    ~MachineStateGuard()
    {
        g_plotThread = m_plotThread;
        g_machineStatus = m_machineStatus;
        g_connected = m_connected;
        g_swathCount = m_swathCount;
        g_currentSwath = m_currentSwath;
        g_plotProgress = m_plotProgress;
        g_carriagePosition = m_carriagePosition;
        g_carriagePositionNew = m_carriagePositionNew;
        g_settings.m_language = m_language;
        g_settings.m_headMode = m_headMode;
        g_settings.m_headOverlap = m_headOverlap;
        g_settings.m_resolution = m_resolution;
        g_settings.m_pendingCommand = m_pendingCommand;
    }
    MachineStateGuard(const MachineStateGuard&) = delete;
    MachineStateGuard& operator=(const MachineStateGuard&) = delete;

private:
    int m_plotThread = g_plotThread;
    uint8_t m_machineStatus = g_machineStatus;
    int m_connected = g_connected;
    int m_swathCount = g_swathCount;
    int m_currentSwath = g_currentSwath;
    int m_plotProgress = g_plotProgress;
    int16_t m_carriagePosition = g_carriagePosition;
    int m_carriagePositionNew = g_carriagePositionNew;
    int m_language = g_settings.m_language;
    int m_headMode = g_settings.m_headMode;
    int m_headOverlap = g_settings.m_headOverlap;
    int m_resolution = g_settings.m_resolution;
    int m_pendingCommand = g_settings.m_pendingCommand;
};
}  // namespace vexa::ui_test
