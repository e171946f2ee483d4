#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "device/protocol.h"

// The exchanges built from the command set, on g_commu, and the layouts of
// the payloads and replies they carry.

// Reply of CMD_SWATH_QUERY.
struct SwathQueryReply {
    uint8_t status = 0;     // machine status
    uint8_t notYet = 0;     // 0: the controller takes the queried swath now
    uint16_t progress = 0;  // progress value
    static SwathQueryReply Parse(const uint8_t* reply4)
    {
        return {reply4[0], reply4[1], GetU16(reply4 + 2)};
    }
};

// CMD_JOB_HEADER's payload: rows N and the swath count, each truncated to 16 bits.
inline std::array<uint8_t, JOB_HEADER_PAYLOAD_BYTES> JobHeaderPayload(int rows, int swaths)
{
    std::array<uint8_t, JOB_HEADER_PAYLOAD_BYTES> p{};
    PutU16(p.data(), static_cast<uint32_t>(rows));
    PutU16(p.data() + 2, static_cast<uint32_t>(swaths));
    return p;
}

// CMD_POSITION's reply: signed dots along Y at the current resolution.
inline int16_t PositionFromReply(const uint8_t* reply2)
{
    return static_cast<int16_t>(GetU16(reply2));
}
// Millimetres per dot along Y: 180 dpi when resolution is 0, else 150 dpi.
inline double MmPerDot(int resolution)
{
    return resolution != 0 ? 25.4 / 150 : 25.4 / 180;
}
// Dots to millimetres, as the control bar shows the carriage.
inline double PositionToMm(int dots, int resolution)
{
    return dots * MmPerDot(resolution);
}

// Reads the parameter block (CMD_READ_PARAMS, 52-byte reply): bytes 0 to 35
// into g_paramBlock, then BlockToSettings, g_connected = 1 and a 10 ms wait.
// Returns 0, or -1 with nothing changed.
int ReadParamBlock();

// SettingsToBlock, then CMD_WRITE_PARAMS with the 52-byte block. Returns 0,
// or -1 with the operator's message in *message (the settings keep their
// new values; nothing is retried).
int SaveParamBlock(std::string* message = nullptr);

// CMD_POSITION; on success g_carriagePosition is the position and
// g_carriagePositionNew is 1. Returns 0 or -1.
int QueryPosition();
