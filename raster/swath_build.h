#pragma once
#include <atomic>
#include <cstdint>

#include "raster/swath_geometry.h"

// Swath packing and compression: the column records of a swath, and the
// zero-run stream of 16-bit words the controller receives.
constexpr int COLUMN_RECORD_BYTES = 44;
constexpr int SWATH_STREAM_WORDS = 1144000;
constexpr uint16_t MAX_ZERO_RUN = 65000;

namespace vexa {
// The buffers one swath is built in, each of the capacity of the statically
// allocated ones below: the bitmap, the column records, the stream, and the
// marks of the bitmap rows that hold ink and the records that hold data
// (whoever writes the bitmap or the records marks what it wrote, so that
// packing, compressing and clearing touch only that).
struct SwathBuffers {
    uint8_t* bitmap = nullptr;     // SWATH_CAPACITY_ROWS * SWATH_BITMAP_STRIDE
    uint8_t* records = nullptr;    // SWATH_CAPACITY_RECORDS * COLUMN_RECORD_BYTES
    uint16_t* stream = nullptr;    // SWATH_STREAM_WORDS, zero after its valid bytes
    uint8_t* rowInk = nullptr;     // SWATH_CAPACITY_ROWS
    uint8_t* recordInk = nullptr;  // SWATH_CAPACITY_RECORDS

    // The canvas over the bitmap for swaths of rows rows.
    SwathCanvas Canvas(int rows) const;
    // Clears what the previous swath left in the bitmap and the records.
    void Clear() const;
    // Row conversion and placement of every row of the bitmap into the records.
    void SplitAndPackRows(const SwathSettings& settings, int rows) const;
    // Compresses the (rows + 30) * 44 bytes of the records into the stream,
    // whose valid bytes were previousBytes so far; returns the valid bytes now.
    int Compress(int rows, int previousBytes) const;
};
}  // namespace vexa

// The plot thread's raster buffers, statically allocated and reused for
// every swath; the plot thread alone uses them while a job runs. Anything
// else that builds swaths does it with its own vexa::CSwathBuilder.
extern uint8_t g_swathBitmap[SWATH_CAPACITY_ROWS * SWATH_BITMAP_STRIDE];
extern uint8_t g_swathRecords[SWATH_CAPACITY_RECORDS * COLUMN_RECORD_BYTES];
extern uint16_t g_swathStream[SWATH_STREAM_WORDS];
// Valid bytes of g_swathStream; everything after them is zero.
extern std::atomic<int> g_swathStreamBytes;

// Nonzero for every bitmap row that holds ink and every record that holds
// data: whoever writes g_swathBitmap or g_swathRecords marks what it wrote,
// so that packing, compressing and clearing touch only that.
extern uint8_t g_swathRowInk[SWATH_CAPACITY_ROWS];
extern uint8_t g_swathRecordInk[SWATH_CAPACITY_RECORDS];

// The canvas over g_swathBitmap for the current g_swathRows.
vexa::SwathCanvas SwathBitmapCanvas();

// Clears what the previous swath left in the bitmap and the records.
void ClearSwathBuffers();
// Row conversion and placement of every row of the bitmap into the records.
void SplitAndPackRows();
// Clear, rasterise swath n, split and pack: the records of swath n.
void BuildSwath(int n);
// Compresses the (N + 30) * 44 bytes of the records into g_swathStream.
void CompressSwath();
