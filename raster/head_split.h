#pragma once
#include <cstdint>

#include "raster/nozzle_map.h"

// One bitmap row split between the two cartridges and mapped onto their
// nozzle bytes, step by step as the controller's firmware defines it. The
// swath builder uses an equivalent per-dot table; these are the reference.
extern uint8_t g_head1Nozzles[NOZZLE_COUNT];
extern uint8_t g_head2Nozzles[NOZZLE_COUNT];
extern uint8_t g_head1Matrix[HEAD_BYTES][8];
extern uint8_t g_head2Matrix[HEAD_BYTES][8];
extern uint8_t g_head1Bytes[HEAD_BYTES];
extern uint8_t g_head2Bytes[HEAD_BYTES];

void ExtractHead1Nozzles(int row);
void ExtractHead2Nozzles(int row);
void MapHead1Matrix(uint8_t mode);
void MapHead2Matrix(uint8_t mode);
void PackFiringMatrices();
// The row conversion for the current m_headMode: fills g_head1Bytes and g_head2Bytes.
void ConvertRow(int row);
