#pragma once
#include <cstdint>

// How a cartridge's 150 nozzles sit in its 22 bytes of a column record.
constexpr int NOZZLE_COUNT = 150;
constexpr int HEAD_BYTES = 22;

// Nozzle n goes to byte (15 * (n mod 22)) mod 22, bit (n + 2) div 22.
constexpr int NozzleByte(int n)
{
    return (15 * (n % 22)) % 22;
}
constexpr int NozzleBit(int n)
{
    return (n + 2) / 22;
}

// The nozzle in byte r, bit c, or -1 for one of the 26 cells without a nozzle.
int NozzleAt(int r, int c);
