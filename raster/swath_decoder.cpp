#include "raster/swath_decoder.h"

#include "raster/nozzle_map.h"

namespace vexa {
namespace {
constexpr uint32_t MAX_ZERO_RUN = 65000;
constexpr int LEADING_RECORDS = 30;
constexpr int RECORD_WORDS = 22;
}  // namespace

std::string DecodeSwathStream(std::span<const uint8_t> stream, size_t expectedWords, std::vector<uint16_t>& words,
                              bool allowZeroPadding)
{
    words.clear();
    if (stream.size() % 2 != 0)
        return "odd number of bytes (" + std::to_string(stream.size()) + ")";
    const size_t n = stream.size() / 2;
    auto word = [&](size_t i) { return static_cast<uint16_t>(stream[2 * i] | stream[2 * i + 1] << 8); };
    // Never more than the swath can hold, whatever the stream claims.
    words.reserve(expectedWords);
    size_t i = 0;
    while (i < n && words.size() < expectedWords) {
        const uint16_t w = word(i++);
        if (w != 0) {
            words.push_back(w);
            continue;
        }
        if (i >= n) {
            words.clear();
            return "a zero word without its count at the end";
        }
        const uint16_t count = word(i++);
        if (count == 0 || count > MAX_ZERO_RUN) {
            words.clear();
            return "zero run of " + std::to_string(count) + " words at word " + std::to_string(i - 2);
        }
        if (words.size() + count > expectedWords) {
            words.clear();
            return "the stream holds more than " + std::to_string(expectedWords) + " words";
        }
        words.insert(words.end(), count, 0);
    }
    if (words.size() != expectedWords) {
        const size_t got = words.size();
        words.clear();
        return "the stream holds " + std::to_string(got) + " words, not " + std::to_string(expectedWords);
    }
    for (; i < n; ++i) {
        if (!allowZeroPadding || word(i) != 0) {
            words.clear();
            return "data after the end of the swath at word " + std::to_string(i);
        }
    }
    return {};
}

void NozzlesOfBytes(const uint8_t* bytes22, bool nozzles[150])
{
    for (int n = 0; n < NOZZLE_COUNT; ++n)
        nozzles[n] = (bytes22[NozzleByte(n)] >> NozzleBit(n)) & 1;
}

PrintedSwath PrintedDots(std::span<const uint16_t> words, int rows, const HeadLayout& layout)
{
    PrintedSwath out;
    PrintedDots(words, rows, layout, out);
    return out;
}

void PrintedDots(std::span<const uint16_t> words, int rows, const HeadLayout& layout, PrintedSwath& out)
{
    out.rows = rows;
    const int o = layout.headOverlap;
    out.width = layout.headMode == 0 ? 300 - o : 150;
    out.dots.assign(static_cast<size_t>(rows) * static_cast<size_t>(out.width), 0);
    const size_t records = words.size() / RECORD_WORDS;
    auto half = [&](size_t record, int which, bool nozzles[150]) {
        uint8_t bytes[HEAD_BYTES];
        for (int k = 0; k < HEAD_BYTES / 2; ++k) {
            const uint16_t w = words[record * RECORD_WORDS + static_cast<size_t>(which * 11 + k)];
            bytes[2 * k] = static_cast<uint8_t>(w);
            bytes[2 * k + 1] = static_cast<uint8_t>(w >> 8);
        }
        NozzlesOfBytes(bytes, nozzles);
    };
    // The half of each record that carries row i's data for each cartridge.
    const bool delayFirst = layout.headMode == 0 && layout.cartridge1OnRight != 0;
    const size_t h = static_cast<size_t>(layout.head2Position);
    for (int i = 0; i < rows; ++i) {
        const size_t base = LEADING_RECORDS + static_cast<size_t>(i);
        const size_t rec1 = delayFirst ? base + h : base;
        const size_t rec2 = delayFirst ? base : base + h;
        bool n1[150] = {}, n2[150] = {};
        if (rec1 < records)
            half(rec1, 0, n1);
        if (rec2 < records)
            half(rec2, 1, n2);
        uint8_t* row = out.dots.data() + static_cast<size_t>(i) * static_cast<size_t>(out.width);
        for (int k = 0; k < NOZZLE_COUNT; ++k) {
            switch (layout.headMode) {
            case 0:
                if (n1[k])
                    row[k] = 1;
                if (n2[k])  // nozzles below the overlap never fire in our data, but would print
                    row[150 - o + k] = 1;
                break;
            case 1:
                if (n1[k])
                    row[k] = 1;
                break;
            case 2:
                if (n2[k])
                    row[k] = 1;
                break;
            default:
                break;
            }
        }
    }
}
}  // namespace vexa
