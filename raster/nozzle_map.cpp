#include "raster/nozzle_map.h"

namespace {
struct InverseMap {
    int cell[HEAD_BYTES][8];
    constexpr InverseMap() : cell{}
    {
        for (auto& row : cell)
            for (int& c : row)
                c = -1;
        for (int n = 0; n < NOZZLE_COUNT; ++n)
            cell[NozzleByte(n)][NozzleBit(n)] = n;
    }
};
constexpr InverseMap kInverse;
}  // namespace

int NozzleAt(int r, int c)
{
    if (r < 0 || r >= HEAD_BYTES || c < 0 || c >= 8)
        return -1;
    return kInverse.cell[r][c];
}
