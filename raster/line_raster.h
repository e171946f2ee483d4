#pragma once
#include <cstddef>
#include <cstdint>

namespace vexa {
// The swath bitmap seen by the line drawing: width 320 dots, a stride of 40
// bytes, most significant bit first, rows top-down. rowInk, when given,
// gets a nonzero byte for every row that receives a dot, so that later
// stages can skip blank rows.
struct SwathCanvas {
    static constexpr int WIDTH = 320;
    static constexpr int STRIDE = 40;

    uint8_t* bits = nullptr;
    int rows = 0;
    uint8_t* rowInk = nullptr;

    void Plot(int x, int y) const
    {
        bits[static_cast<size_t>(y) * STRIDE + static_cast<size_t>(x >> 3)] |= static_cast<uint8_t>(0x80u >> (x & 7));
        if (rowInk)
            rowInk[y] = 1;
    }
    // Dots from x0 to x1 - 1 of row y, already inside the bitmap.
    void Span(int x0, int x1, int y) const;
};

// Draws one segment with a pen of width penWidth dots, clipped to the
// canvas. Widths 0 and 1 give one-dot lines that ink the start and not the
// end; wider pens stroke the segment with round caps. Clipping never moves a
// dot: the result is always the unclipped line's dots inside the canvas.
void DrawSegment(const SwathCanvas& canvas, int x0, int y0, int x1, int y1, int penWidth);
}  // namespace vexa
