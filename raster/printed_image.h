#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "raster/swath_decoder.h"

namespace vexa {
// The picture of a whole job as the plotter prints it, put together from the
// printed dots of its swaths: X (the paper feed) runs to the right, swath n
// covering dots n * width onwards; row 0 (the first carriage position) is
// the bottom line, so the picture reads like the marker drawn with X to the
// right and Y up (labels read normally). With a scale k > 1 every k x k block of dots becomes one
// pixel, inked when any of its dots is.
class PrintedImage {
public:
    PrintedImage(int rows, int swaths, int swathWidth, int scale = 1);

    // Swaths may be added from several threads at once.
    void AddSwath(int n, const PrintedSwath& dots);
    uint32_t Width() const { return m_width; }
    uint32_t Height() const { return m_height; }
    // Pixel (x, y) of the picture, y = 0 the top line.
    bool Ink(uint32_t x, uint32_t y) const
    {
        const size_t i = Index(x, m_height - 1 - y);
        return (m_bits[i / 64] >> (i % 64)) & 1;
    }
    size_t InkCount() const;
    // threads: rows packed and compressed on that many threads, same bytes.
    std::string WritePng(const std::string& path, int threads = 1) const;

private:
    size_t Index(uint32_t x, uint32_t y) const { return static_cast<size_t>(y) * m_width + x; }
    void OrWord(size_t word, uint64_t mask);

    int m_swathWidth;
    int m_scale;
    uint32_t m_width;
    uint32_t m_height;
    std::vector<uint64_t> m_bits;
};
}  // namespace vexa
