#include "raster/swath_build.h"

#include <bit>

#include <algorithm>
#include <cstring>

#include "app/settings.h"
#include "raster/head_split.h"

uint8_t g_swathBitmap[SWATH_CAPACITY_ROWS * SWATH_BITMAP_STRIDE];
uint8_t g_swathRecords[SWATH_CAPACITY_RECORDS * COLUMN_RECORD_BYTES];
uint16_t g_swathStream[SWATH_STREAM_WORDS];
std::atomic<int> g_swathStreamBytes{0};
uint8_t g_swathRowInk[SWATH_CAPACITY_ROWS];
uint8_t g_swathRecordInk[SWATH_CAPACITY_RECORDS];

// The stream's words go out as they lie in memory, low byte first.
static_assert(std::endian::native == std::endian::little, "the swath stream is little-endian");

namespace {
// Where each bitmap dot of a row goes for the head settings: the byte of the
// record half and the bit, per cartridge half. Built per swath, 320 entries.
struct DotTarget {
    int8_t half = -1;  // 0: bytes 0-21, 1: bytes 22-43, -1: not printed
    uint8_t byte = 0;
    uint8_t mask = 0;
};

void BuildDotTable(DotTarget table[SWATH_BITMAP_WIDTH], int mode, int overlap)
{
    for (int d = 0; d < SWATH_BITMAP_WIDTH; ++d)
        table[d] = {};
    auto set = [&](int d, int half, int nozzle) {
        table[d] = {static_cast<int8_t>(half), static_cast<uint8_t>(NozzleByte(nozzle)),
                    static_cast<uint8_t>(1u << NozzleBit(nozzle))};
    };
    for (int d = 0; d < NOZZLE_COUNT; ++d) {
        if (mode == 0 || mode == 1)
            set(d, 0, d);
        else if (mode == 2)
            set(d, 1, d);
    }
    if (mode == 0)
        for (int d = NOZZLE_COUNT; d < 300 - overlap; ++d)
            set(d, 1, d - 150 + overlap);
}
}  // namespace

namespace vexa {
SwathCanvas SwathBuffers::Canvas(int rows) const
{
    SwathCanvas c;
    c.bits = bitmap;
    c.rows = std::clamp(rows, 0, SWATH_CAPACITY_ROWS);
    c.rowInk = rowInk;
    return c;
}

void SwathBuffers::Clear() const
{
    for (int i = 0; i < SWATH_CAPACITY_ROWS; ++i) {
        if (rowInk[i]) {
            std::memset(bitmap + static_cast<size_t>(i) * SWATH_BITMAP_STRIDE, 0, SWATH_BITMAP_STRIDE);
            rowInk[i] = 0;
        }
    }
    for (int j = 0; j < SWATH_CAPACITY_RECORDS; ++j) {
        if (recordInk[j]) {
            std::memset(records + static_cast<size_t>(j) * COLUMN_RECORD_BYTES, 0, COLUMN_RECORD_BYTES);
            recordInk[j] = 0;
        }
    }
}

void SwathBuffers::SplitAndPackRows(const SwathSettings& settings, int rows) const
{
    const int mode = settings.headMode;
    const int h = settings.head2Position;
    if (mode < 0 || mode > 2 || !SwathFitsBuffers(rows, h))
        return;  // blank swath
    DotTarget table[SWATH_BITMAP_WIDTH];
    BuildDotTable(table, mode, settings.Overlap());
    // Which half is delayed by the cartridges' distance.
    const bool delayFirst = mode == 0 && settings.cartridge1OnRight != 0;
    for (int i = 0; i < rows; ++i) {
        if (!rowInk[i])
            continue;  // a blank row leaves its records blank
        const int rec[2] = {LEADING_BLANK_RECORDS + i + (delayFirst ? h : 0),
                            LEADING_BLANK_RECORDS + i + (delayFirst ? 0 : h)};
        uint8_t* half[2] = {records + static_cast<size_t>(rec[0]) * COLUMN_RECORD_BYTES,
                            records + static_cast<size_t>(rec[1]) * COLUMN_RECORD_BYTES + HEAD_BYTES};
        const uint8_t* row = bitmap + static_cast<size_t>(i) * SWATH_BITMAP_STRIDE;
        bool used[2] = {false, false};
        // Rows hold a few dots: skip the empty 8-byte words whole.
        for (int w = 0; w < SWATH_BITMAP_STRIDE; w += 8) {
            uint64_t word;
            std::memcpy(&word, row + w, 8);
            if (word == 0)
                continue;
            for (int k = w; k < w + 8; ++k) {
                unsigned bits = row[k];
                while (bits) {
                    const int j = __builtin_clz(bits) - 24;  // dot 8k + j, most significant first
                    bits &= ~(0x80u >> j);
                    const DotTarget& t = table[8 * k + j];
                    if (t.half < 0)
                        continue;
                    half[t.half][t.byte] = static_cast<uint8_t>(half[t.half][t.byte] | t.mask);
                    used[t.half] = true;
                }
            }
        }
        if (used[0])
            recordInk[rec[0]] = 1;
        if (used[1])
            recordInk[rec[1]] = 1;
    }
}

int SwathBuffers::Compress(int rows, int previousBytes) const
{
    if (rows < 0 || rows + LEADING_BLANK_RECORDS > SWATH_CAPACITY_RECORDS) {
        std::memset(stream, 0, static_cast<size_t>(std::max(previousBytes, 0)));
        return 0;  // no stream for a swath the buffers cannot hold
    }
    const int recordCount = rows + LEADING_BLANK_RECORDS;
    size_t o = 0;
    uint32_t z = 0;
    auto flush = [&]() {
        if (z > 0) {
            stream[o++] = 0;
            stream[o++] = static_cast<uint16_t>(z);
            z = 0;
        }
    };
    // z zero words more; a run that reaches 65,000 is closed there and the
    // rest starts the next run, as counting word by word does.
    auto zeros = [&](uint32_t count) {
        z += count;
        if (z >= MAX_ZERO_RUN) {
            stream[o++] = 0;
            stream[o++] = MAX_ZERO_RUN;
            z -= MAX_ZERO_RUN;
        }
    };
    for (int j = 0; j < recordCount; ++j) {
        if (!recordInk[j]) {
            zeros(COLUMN_RECORD_BYTES / 2);
            continue;
        }
        const uint8_t* rec = records + static_cast<size_t>(j) * COLUMN_RECORD_BYTES;
        for (int k = 0; k < COLUMN_RECORD_BYTES; k += 4) {
            uint32_t pair;
            std::memcpy(&pair, rec + k, 4);
            if (pair == 0) {
                zeros(2);
                continue;
            }
            for (int m = k; m < k + 4; m += 2) {
                const auto w = static_cast<uint16_t>(rec[m] | rec[m + 1] << 8);
                if (w == 0) {
                    zeros(1);
                } else {
                    flush();
                    stream[o++] = w;
                }
            }
        }
    }
    flush();
    // Everything after the valid bytes stays zero: the transports send whole
    // blocks, and the padding must be zero.
    const auto bytes = static_cast<int>(o * 2);
    if (previousBytes > bytes)
        std::memset(reinterpret_cast<uint8_t*>(stream) + bytes, 0, static_cast<size_t>(previousBytes - bytes));
    return bytes;
}
}  // namespace vexa

namespace {
constexpr vexa::SwathBuffers kPlotBuffers{g_swathBitmap, g_swathRecords, g_swathStream, g_swathRowInk, g_swathRecordInk};
}  // namespace

vexa::SwathCanvas SwathBitmapCanvas()
{
    return kPlotBuffers.Canvas(g_swathRows);
}

void ClearSwathBuffers()
{
    kPlotBuffers.Clear();
}

void SplitAndPackRows()
{
    kPlotBuffers.SplitAndPackRows(vexa::SwathSettings::Current(), g_swathRows);
}

void BuildSwath(int n)
{
    ClearSwathBuffers();
    RasteriseSwath(n);
    SplitAndPackRows();
}

void CompressSwath()
{
    const int previous = g_swathStreamBytes;
    g_swathStreamBytes = 0;
    g_swathStreamBytes = kPlotBuffers.Compress(g_swathRows, previous);
}
