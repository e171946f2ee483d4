#include "device/status_text.h"

#include <cstdio>

#include "app/settings.h"
#include "device/commands.h"
#include "device/link_state.h"
#include "device/plot_job.h"
#include "device/protocol.h"

double SwathAdvanceMm(int headMode, int headOverlap)
{
    if (headMode != 0)
        return 12.5;
    return (300.0 - headOverlap) * 25 / 300;
}

MachineStatusText FormatStatusText(const MachineStatus& machine, int language)
{
    MachineStatusText result;
    if (machine.connected == 0) {
        result.text = language == 0 ? "未连接..." : "Disconnected...";
        return result;
    }
    const bool withProgress = machine.status == STATE_PLOTTING || machine.status == STATE_PAUSED;
    if (!withProgress) {
        result.text = StateText(machine.status, language);
        return result;
    }
    // No numbers before the job's swath count is known.
    if (machine.swathCount == 0)
        return result;
    const double a = SwathAdvanceMm(machine.headMode, machine.headOverlap);
    // long long: no count the link can deliver overflows it.
    result.doneMm = static_cast<long long>(machine.plotProgress * a);
    result.totalMm = static_cast<long long>(machine.swathCount * a);
    result.progress = true;
    result.text = StateText(machine.status, language) + std::to_string(result.doneMm) + "/" +
                  std::to_string(result.totalMm);
    return result;
}

MachineStatusText CurrentStatusText()
{
    const MachineStatus machine{
        .connected = g_connected.load(),
        .status = g_machineStatus.load(),
        .plotProgress = g_plotProgress.load(),
        .swathCount = g_swathCount.load(),
        .headMode = g_settings.m_headMode.load(),
        .headOverlap = g_settings.m_headOverlap.load(),
    };
    return FormatStatusText(machine, g_settings.m_language.load());
}

std::string FormatCarriageText(int positionDots, int resolution, int language)
{
    char text[64];
    std::snprintf(text, sizeof text, language == 0 ? "小车:%.2f mm" : "Car:%.2f mm",
                  PositionToMm(positionDots, resolution));
    return text;
}

std::string CurrentCarriageText()
{
    return FormatCarriageText(g_carriagePosition.load(), g_settings.m_resolution.load(), g_settings.m_language.load());
}
