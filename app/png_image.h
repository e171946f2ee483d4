#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace vexa {
// Writes a 1-bit greyscale PNG row by row, so that images far larger than
// memory (a 20 m marker at full resolution) can be written. row(y, out)
// fills out with width bytes, nonzero for ink; ink is drawn black on white.
// Returns an error message, or an empty string. The file is written to a
// temporary name and renamed over path when complete.
std::string WriteInkPng(const std::string& path, uint32_t width, uint32_t height,
                        const std::function<void(uint32_t y, uint8_t* out)>& row);
// The same with rows packed eight pixels to a byte, the first pixel in the
// high bit, a set bit for ink: (width + 7) / 8 bytes per row. With threads
// > 1, packedRow is called from that many threads at once (for different
// rows); the file is the same whatever the number.
std::string WritePackedInkPng(const std::string& path, uint32_t width, uint32_t height,
                              const std::function<void(uint32_t y, uint8_t* out)>& packedRow, int threads = 1);
}  // namespace vexa
