#include "raster/printed_image.h"

#include <algorithm>
#include <array>
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

std::string PrintedImage::WritePng(const std::string& path, int threads) const
{
    // Pixel x of a row is bit x of the row's run of bits, lowest first; the
    // file wants eight pixels to a byte, the first in the high bit.
    static constexpr auto kReversed = [] {
        std::array<uint8_t, 256> table{};
        for (int b = 0; b < 256; ++b)
            for (int i = 0; i < 8; ++i)
                if (b & (1 << i))
                    table[b] = static_cast<uint8_t>(table[b] | (0x80 >> i));
        return table;
    }();
    const size_t rowBytes = (m_width + 7) / 8;
    return WritePackedInkPng(
        path, m_width, m_height,
        [&](uint32_t y, uint8_t* out) {
            std::memset(out, 0, rowBytes);
            const size_t first = Index(0, m_height - 1 - y);
            // 64 pixels at a time; the picture is mostly blank.
            for (size_t x = 0; x < m_width; x += 64) {
                const size_t bit = first + x, word = bit / 64, shift = bit % 64;
                uint64_t chunk = m_bits[word] >> shift;
                if (shift && word + 1 < m_bits.size())
                    chunk |= m_bits[word + 1] << (64 - shift);
                if (m_width - x < 64)
                    chunk &= (uint64_t{1} << (m_width - x)) - 1;
                for (size_t k = 0; chunk != 0 && k < 8 && x / 8 + k < rowBytes; ++k, chunk >>= 8)
                    out[x / 8 + k] = kReversed[chunk & 0xFF];
            }
        },
        threads);
}
}  // namespace vexa
