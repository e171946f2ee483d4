#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexa {
// Reading back what the controller receives: the zero-run stream of 16-bit
// words, the 44-byte column records it stands for, and the dots each
// cartridge fires. The simulator and the tests use it to prove that what was
// sent is what was drawn.

// Decodes a stream into words. The stream must hold exactly expectedWords
// words, with zero runs of 1 to 65,000; anything else is an error (returned
// as a message) and words is left empty. Bytes after the stream's end are
// padding and must be zero; pass only the valid prefix when that is known.
std::string DecodeSwathStream(std::span<const uint8_t> stream, size_t expectedWords, std::vector<uint16_t>& words,
                              bool allowZeroPadding = true);

// The nozzle flags of one cartridge's 22 bytes.
void NozzlesOfBytes(const uint8_t* bytes22, bool nozzles[150]);

// The head layout of a job, as the controller applies it.
struct HeadLayout {
    int headMode = 0;          // 0 both cartridges, 1 cartridge 1, 2 cartridge 2
    int headOverlap = 2;       // o
    int head2Position = 176;   // h, in records
    int cartridge1OnRight = 0;
};

// The dots printed by one swath: rows x width flags (width 150 with one
// cartridge, 300 - o with both), row-major. Record j, half k holds the data
// of bitmap row j - 30 or j - 30 - h as the layout places it.
struct PrintedSwath {
    int rows = 0;
    int width = 0;
    std::vector<uint8_t> dots;
    bool At(int x, int y) const { return dots[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] != 0; }
};

// Rebuilds the printed dots of a swath of N rows from its records (at least
// (N + 30) * 44 bytes, that is the decoded words).
PrintedSwath PrintedDots(std::span<const uint16_t> words, int rows, const HeadLayout& layout);
// The same into out, reusing its storage.
void PrintedDots(std::span<const uint16_t> words, int rows, const HeadLayout& layout, PrintedSwath& out);
}  // namespace vexa
