#include "raster/printed_image.h"

#include <algorithm>
#include <bit>

#include "app/png_image.h"

namespace vexa {
PrintedImage::PrintedImage(int rows, int swaths, int swathWidth, int scale)
    : m_swathWidth(std::max(swathWidth, 1)), m_scale(std::max(scale, 1))
{
    const int64_t dots = int64_t{std::max(swaths, 0)} * m_swathWidth;
    m_width = static_cast<uint32_t>(std::max<int64_t>(1, (dots + m_scale - 1) / m_scale));
    m_height = static_cast<uint32_t>(std::max<int64_t>(1, (int64_t{std::max(rows, 0)} + m_scale - 1) / m_scale));
    m_bits.assign((static_cast<size_t>(m_width) * m_height + 63) / 64, 0);
}

void PrintedImage::AddSwath(int n, const PrintedSwath& dots)
{
    const int64_t x0 = int64_t{n} * m_swathWidth;
    for (int y = 0; y < dots.rows; ++y) {
        const uint32_t py = static_cast<uint32_t>(y / m_scale);
        if (py >= m_height)
            break;
        const uint8_t* row = dots.dots.data() + static_cast<size_t>(y) * static_cast<size_t>(dots.width);
        for (int x = 0; x < dots.width && x < m_swathWidth; ++x) {
            if (!row[x])
                continue;
            const int64_t px = (x0 + x) / m_scale;
            if (px < 0 || px >= m_width)
                continue;
            const size_t i = Index(static_cast<uint32_t>(px), py);
            m_bits[i / 64] |= uint64_t{1} << (i % 64);
        }
    }
}

size_t PrintedImage::InkCount() const
{
    size_t n = 0;
    for (uint64_t w : m_bits)
        n += static_cast<size_t>(std::popcount(w));
    return n;
}

std::string PrintedImage::WritePng(const std::string& path) const
{
    return WriteInkPng(path, m_width, m_height, [this](uint32_t y, uint8_t* out) {
        for (uint32_t x = 0; x < m_width; ++x)
            out[x] = Ink(x, y) ? 1 : 0;
    });
}
}  // namespace vexa
