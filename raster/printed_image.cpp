#include "raster/printed_image.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

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

void PrintedImage::OrWord(size_t word, uint64_t mask)
{
    // Neighbouring swaths share the words at their borders (and, scaled
    // down, pixels): an atomic OR lets them be added at the same time.
    if (mask)
        std::atomic_ref<uint64_t>(m_bits[word]).fetch_or(mask, std::memory_order_relaxed);
}

void PrintedImage::AddSwath(int n, const PrintedSwath& dots)
{
    const int64_t x0 = int64_t{n} * m_swathWidth;
    const int width = std::min(dots.width, m_swathWidth);
    for (int y = 0; y < dots.rows; ++y) {
        const uint32_t py = static_cast<uint32_t>(y / m_scale);
        if (py >= m_height)
            break;
        const uint8_t* row = dots.dots.data() + static_cast<size_t>(y) * static_cast<size_t>(dots.width);
        size_t word = 0;
        uint64_t mask = 0;
        for (int x = 0; x < width; ++x) {
            // Rows hold a few dots: skip eight blank ones at a time.
            if (x + 8 <= width) {
                uint64_t eight;
                std::memcpy(&eight, row + x, 8);
                if (eight == 0) {
                    x += 7;
                    continue;
                }
            }
            if (!row[x])
                continue;
            const int64_t px = (x0 + x) / m_scale;
            if (px < 0 || px >= m_width)
                continue;
            const size_t i = Index(static_cast<uint32_t>(px), py);
            if (i / 64 != word) {
                OrWord(word, mask);
                word = i / 64;
                mask = 0;
            }
            mask |= uint64_t{1} << (i % 64);
        }
        OrWord(word, mask);
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
        std::memset(out, 0, m_width);
        // The picture is mostly blank: only the set bits of the row's words.
        const size_t first = Index(0, m_height - 1 - y), end = first + m_width;
        for (size_t w = first / 64; w * 64 < end; ++w) {
            for (uint64_t bits = m_bits[w]; bits != 0; bits &= bits - 1) {
                const size_t i = w * 64 + static_cast<size_t>(std::countr_zero(bits));
                if (i >= first && i < end)
                    out[i - first] = 1;
            }
        }
    });
}
}  // namespace vexa
