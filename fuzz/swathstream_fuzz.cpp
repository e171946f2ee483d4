// Swath streams come from a client in the simulator: any bytes must decode
// or be refused, never crash or grow beyond the swath they claim to be.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "raster/swath_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose the swath's rows, as a job header would.
    const int rows = (data[0] | data[1] << 8) % 400;
    const size_t words = static_cast<size_t>(rows + 30) * 22;
    std::vector<uint16_t> decoded;
    if (!vexa::DecodeSwathStream({data + 2, size - 2}, words, decoded).empty()) {
        if (!decoded.empty())
            std::abort();
        return 0;
    }
    if (decoded.size() != words)
        std::abort();
    for (int mode = 0; mode < 3; ++mode) {
        const vexa::PrintedSwath dots = vexa::PrintedDots(decoded, rows, {mode, data[0] % 150, data[1], mode % 2});
        if (dots.dots.size() != static_cast<size_t>(rows) * static_cast<size_t>(dots.width))
            std::abort();
    }
    return 0;
}
