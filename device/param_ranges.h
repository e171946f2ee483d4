#pragma once
#include <atomic>
#include <cstdlib>

#include "app/settings.h"

// The values the operator may give the machine parameters. The settings
// dialog and vexagrid-cli params set accept these and nothing else; the
// block's fields are wider, the machine takes only these.
struct ParamRange {
    const char* name;  // as vexagrid-cli params names it
    std::atomic<int> CSettings::*member;
    int min;
    int max;
    bool Contains(long long value) const { return value >= min && value <= max; }
};

// The integer fields of the parameter block, in the block's order.
inline constexpr ParamRange PARAM_RANGES[] = {
    {"xScale", &CSettings::m_xScale, 2000, 50000},
    {"yScale", &CSettings::m_yScale, 2000, 50000},
    {"machineLength", &CSettings::m_machineLength, 500, 3500},
    {"startOffset", &CSettings::m_startOffset, 0, 2000},
    {"maxSpeed", &CSettings::m_maxSpeed, 400, 999},
    {"headMode", &CSettings::m_headMode, 0, 2},
    {"bidirectional", &CSettings::m_bidirectional, 0, 1},
    {"headOverlap", &CSettings::m_headOverlap, 0, 10},
    {"head2Position", &CSettings::m_head2Position, 100, 250},
    {"bidirCorrection", &CSettings::m_bidirCorrection, 0, 40},
    {"idleDistance", &CSettings::m_idleDistance, 50, 200},
    {"jobGap", &CSettings::m_jobGap, 0, 250},
    {"lineWidth", &CSettings::m_lineWidth, 1, 20},
    {"autoClean", &CSettings::m_autoClean, 0, 1},
    {"resolution", &CSettings::m_resolution, 0, 1},
    {"startSpeed", &CSettings::m_startSpeed, 100, 250},
};

// The block's one double.
inline constexpr double FEED_PULSES_PER_MM_MIN = 30;
inline constexpr double FEED_PULSES_PER_MM_MAX = 200;

// Settings outside the block that the settings dialog offers as well: the
// paper width jobs are laid out for, and the controller's TCP port.
inline constexpr ParamRange PAGE_WIDTH_RANGE{"pageWidth", &CSettings::m_pageWidth, 600, 30000};
inline constexpr ParamRange CONTROLLER_PORT_RANGE{"controllerPort", &CSettings::m_controllerPort, 1, 65535};

// The range of a member named above; asking for any other is a mistake in
// the program, caught the first time the caller runs.
inline const ParamRange& RangeOf(std::atomic<int> CSettings::*member)
{
    for (const ParamRange& r : PARAM_RANGES)
        if (r.member == member)
            return r;
    if (member == PAGE_WIDTH_RANGE.member)
        return PAGE_WIDTH_RANGE;
    if (member == CONTROLLER_PORT_RANGE.member)
        return CONTROLLER_PORT_RANGE;
    std::abort();
}
