#pragma once
#include <array>
#include <cstdint>
#include <mutex>

#include "device/protocol.h"

class CSettings;

// The controller's parameter block. On the wire it is 52 bytes, little-endian:
// the fields below in bytes 0 to 32, three reserved bytes 33 to 35 that the
// program sends back as it last read them, and 16 reserved bytes 36 to 51
// that are ignored when read and sent as zero. The program keeps bytes 0 to 35.
struct ParamBlock {
    static constexpr int KEPT_BYTES = 36;
    static constexpr int WIRE_BYTES = PARAM_BLOCK_WIRE_BYTES;

    double feedPulsesPerMm = 0;  // offset 0
    uint32_t plotterIp = 0;      // offset 8, first octet at offset 8
    uint16_t xScale = 0;         // offset 12, 0.1 mm per m
    uint16_t yScale = 0;
    uint16_t machineLength = 0;  // mm
    uint16_t startOffset = 0;    // mm
    uint16_t maxSpeed = 0;
    uint8_t headMode = 0;  // offset 22
    uint8_t bidirectional = 0;
    uint8_t headOverlap = 0;
    uint8_t head2Position = 0;
    uint8_t bidirCorrection = 0;
    uint8_t idleDistance = 0;
    uint8_t jobGap = 0;
    uint8_t lineWidth = 0;
    uint8_t autoClean = 0;
    uint8_t resolution = 0;
    uint8_t startSpeed = 0;  // offset 32
    std::array<uint8_t, 3> reserved{};  // offsets 33 to 35

    // From bytes 0 to 35 of a block (a reply or a parameter file).
    static ParamBlock FromBytes(const uint8_t* bytes36);
    std::array<uint8_t, KEPT_BYTES> ToBytes() const;
    // The 52 bytes sent to the controller: the kept bytes, then 16 zeros.
    std::array<uint8_t, WIRE_BYTES> ToWire() const;
};

// g_paramBlock: written by the worker threads and the settings dialog, read
// by others; a copy goes in or out whole, never torn.
class CParamBlockImage {
public:
    ParamBlock Load() const
    {
        std::lock_guard lock(m_mutex);
        return m_block;
    }
    void Store(const ParamBlock& block)
    {
        std::lock_guard lock(m_mutex);
        m_block = block;
    }
    // Changes the block in one step, so that a concurrent Store is not undone.
    template <class F>
    void Update(F&& change)
    {
        std::lock_guard lock(m_mutex);
        change(m_block);
    }

private:
    mutable std::mutex m_mutex;
    ParamBlock m_block;  // zero until read, as the reserved bytes must be
};

extern CParamBlockImage g_paramBlock;

// Each field into its CSettings member: the double as is, the address as 32
// bits, every narrower field zero-extended (0xFFFF is 65535, never -1).
void BlockToSettings(const ParamBlock& block, CSettings& settings);
// Each member into its field, truncated to the field's low 16 or 8 bits;
// the reserved bytes are those of base.
ParamBlock SettingsToBlock(const CSettings& settings, const ParamBlock& base);

// The same on g_paramBlock and g_settings.
void BlockToSettings();
void SettingsToBlock();
