#include "raster/head_split.h"

#include <cstring>

#include "app/settings.h"
#include "raster/swath_build.h"

uint8_t g_head1Nozzles[NOZZLE_COUNT];
uint8_t g_head2Nozzles[NOZZLE_COUNT];
uint8_t g_head1Matrix[HEAD_BYTES][8];
uint8_t g_head2Matrix[HEAD_BYTES][8];
uint8_t g_head1Bytes[HEAD_BYTES];
uint8_t g_head2Bytes[HEAD_BYTES];

namespace {
bool Dot(const uint8_t* row, int d)
{
    return (row[d / 8] >> (7 - d % 8)) & 1;
}

void FillMatrix(uint8_t matrix[HEAD_BYTES][8], const uint8_t* flags)
{
    std::memset(matrix, 0, HEAD_BYTES * 8);
    for (int n = 0; n < NOZZLE_COUNT; ++n)
        matrix[NozzleByte(n)][NozzleBit(n)] = flags[n];
}
}  // namespace

void ExtractHead1Nozzles(int row)
{
    std::memset(g_head1Nozzles, 0, sizeof g_head1Nozzles);
    const uint8_t* bits = g_swathBitmap + static_cast<size_t>(row) * SWATH_BITMAP_STRIDE;
    for (int d = 0; d < 19 * 8; ++d)
        if (d < NOZZLE_COUNT && Dot(bits, d))
            g_head1Nozzles[d] = 1;
}

void ExtractHead2Nozzles(int row)
{
    std::memset(g_head2Nozzles, 0, sizeof g_head2Nozzles);
    const int o = HeadOverlap();
    const uint8_t* bits = g_swathBitmap + static_cast<size_t>(row) * SWATH_BITMAP_STRIDE;
    for (int d = 18 * 8; d < 38 * 8; ++d)
        if (d >= 150 && d < 300 - o && Dot(bits, d))
            g_head2Nozzles[d - 150 + o] = 1;
}

void MapHead1Matrix(uint8_t mode)
{
    if (mode == 0)
        std::memset(g_head1Matrix, 0, sizeof g_head1Matrix);
    else if (mode == 1)
        FillMatrix(g_head1Matrix, g_head1Nozzles);
}

void MapHead2Matrix(uint8_t mode)
{
    if (mode == 0)
        std::memset(g_head2Matrix, 0, sizeof g_head2Matrix);
    else if (mode == 1)
        FillMatrix(g_head2Matrix, g_head1Nozzles);
    else if (mode == 2)
        FillMatrix(g_head2Matrix, g_head2Nozzles);
}

void PackFiringMatrices()
{
    for (int r = 0; r < HEAD_BYTES; ++r) {
        uint8_t b1 = 0, b2 = 0;
        for (int c = 0; c < 8; ++c) {
            if (g_head1Matrix[r][c] == 1)
                b1 = static_cast<uint8_t>(b1 | (1u << c));
            if (g_head2Matrix[r][c] == 1)
                b2 = static_cast<uint8_t>(b2 | (1u << c));
        }
        g_head1Bytes[r] = b1;
        g_head2Bytes[r] = b2;
    }
}

void ConvertRow(int row)
{
    switch (g_settings.m_headMode) {
    case 0:
        ExtractHead1Nozzles(row);
        ExtractHead2Nozzles(row);
        MapHead1Matrix(1);
        MapHead2Matrix(2);
        break;
    case 1:
        ExtractHead1Nozzles(row);
        MapHead1Matrix(1);
        MapHead2Matrix(0);
        break;
    case 2:
        ExtractHead1Nozzles(row);
        MapHead1Matrix(0);
        MapHead2Matrix(1);
        break;
    default:
        return;
    }
    PackFiringMatrices();
}
