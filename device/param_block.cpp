#include "device/param_block.h"

#include <bit>
#include <cstring>

#include "app/settings.h"

CParamBlockImage g_paramBlock;

ParamBlock ParamBlock::FromBytes(const uint8_t* b)
{
    ParamBlock p;
    const uint64_t bits = static_cast<uint64_t>(GetU32(b)) | static_cast<uint64_t>(GetU32(b + 4)) << 32;
    p.feedPulsesPerMm = std::bit_cast<double>(bits);
    p.plotterIp = GetU32(b + 8);
    p.xScale = GetU16(b + 12);
    p.yScale = GetU16(b + 14);
    p.machineLength = GetU16(b + 16);
    p.startOffset = GetU16(b + 18);
    p.maxSpeed = GetU16(b + 20);
    p.headMode = b[22];
    p.bidirectional = b[23];
    p.headOverlap = b[24];
    p.head2Position = b[25];
    p.bidirCorrection = b[26];
    p.idleDistance = b[27];
    p.jobGap = b[28];
    p.lineWidth = b[29];
    p.autoClean = b[30];
    p.resolution = b[31];
    p.startSpeed = b[32];
    std::memcpy(p.reserved.data(), b + 33, 3);
    return p;
}

std::array<uint8_t, ParamBlock::KEPT_BYTES> ParamBlock::ToBytes() const
{
    std::array<uint8_t, KEPT_BYTES> out{};
    uint8_t* b = out.data();
    const auto bits = std::bit_cast<uint64_t>(feedPulsesPerMm);
    PutU32(b, static_cast<uint32_t>(bits));
    PutU32(b + 4, static_cast<uint32_t>(bits >> 32));
    PutU32(b + 8, plotterIp);
    PutU16(b + 12, xScale);
    PutU16(b + 14, yScale);
    PutU16(b + 16, machineLength);
    PutU16(b + 18, startOffset);
    PutU16(b + 20, maxSpeed);
    b[22] = headMode;
    b[23] = bidirectional;
    b[24] = headOverlap;
    b[25] = head2Position;
    b[26] = bidirCorrection;
    b[27] = idleDistance;
    b[28] = jobGap;
    b[29] = lineWidth;
    b[30] = autoClean;
    b[31] = resolution;
    b[32] = startSpeed;
    std::memcpy(b + 33, reserved.data(), 3);
    return out;
}

std::array<uint8_t, ParamBlock::WIRE_BYTES> ParamBlock::ToWire() const
{
    std::array<uint8_t, WIRE_BYTES> out{};
    const auto kept = ToBytes();
    std::memcpy(out.data(), kept.data(), kept.size());
    return out;
}

void BlockToSettings(const ParamBlock& p, CSettings& s)
{
    s.m_feedPulsesPerMm = p.feedPulsesPerMm;
    s.m_plotterIp = p.plotterIp;
    s.m_xScale = p.xScale;
    s.m_yScale = p.yScale;
    s.m_machineLength = p.machineLength;
    s.m_startOffset = p.startOffset;
    s.m_maxSpeed = p.maxSpeed;
    s.m_headMode = p.headMode;
    s.m_bidirectional = p.bidirectional;
    s.m_headOverlap = p.headOverlap;
    s.m_head2Position = p.head2Position;
    s.m_bidirCorrection = p.bidirCorrection;
    s.m_idleDistance = p.idleDistance;
    s.m_jobGap = p.jobGap;
    s.m_lineWidth = p.lineWidth;
    s.m_autoClean = p.autoClean;
    s.m_resolution = p.resolution;
    s.m_startSpeed = p.startSpeed;
}

ParamBlock SettingsToBlock(const CSettings& s, const ParamBlock& base)
{
    // Casting an int to an unsigned type keeps its low bits: 70000 is 4464.
    auto u16 = [](const std::atomic<int>& v) { return static_cast<uint16_t>(v.load()); };
    auto u8 = [](const std::atomic<int>& v) { return static_cast<uint8_t>(v.load()); };
    ParamBlock p = base;
    p.feedPulsesPerMm = s.m_feedPulsesPerMm;
    p.plotterIp = s.m_plotterIp;
    p.xScale = u16(s.m_xScale);
    p.yScale = u16(s.m_yScale);
    p.machineLength = u16(s.m_machineLength);
    p.startOffset = u16(s.m_startOffset);
    p.maxSpeed = u16(s.m_maxSpeed);
    p.headMode = u8(s.m_headMode);
    p.bidirectional = u8(s.m_bidirectional);
    p.headOverlap = u8(s.m_headOverlap);
    p.head2Position = u8(s.m_head2Position);
    p.bidirCorrection = u8(s.m_bidirCorrection);
    p.idleDistance = u8(s.m_idleDistance);
    p.jobGap = u8(s.m_jobGap);
    p.lineWidth = u8(s.m_lineWidth);
    p.autoClean = u8(s.m_autoClean);
    p.resolution = u8(s.m_resolution);
    p.startSpeed = u8(s.m_startSpeed);
    return p;
}

void BlockToSettings()
{
    BlockToSettings(g_paramBlock.Load(), g_settings);
}

void SettingsToBlock()
{
    g_paramBlock.Update([](ParamBlock& block) { block = SettingsToBlock(g_settings, block); });
}
