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
}  // namespace vexa
