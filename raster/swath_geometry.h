#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "raster/line_raster.h"

class COnePage;

// Swath geometry: how the plot page is cut into carriage passes, and the
// drawing of one pass into the 1-bit swath bitmap.
constexpr int SWATH_BITMAP_WIDTH = 320;
constexpr int SWATH_BITMAP_STRIDE = 40;
constexpr int SWATH_CAPACITY_ROWS = 26000;
constexpr int SWATH_CAPACITY_RECORDS = 26000;
constexpr int LEADING_BLANK_RECORDS = 30;
constexpr int DOTS_PER_MM_X = 12;

// Rows of every swath of the current job (carriage positions); set by
// ComputeSwathCount.
extern std::atomic<int> g_swathRows;

// The cartridges' overlap in nozzles, held to 0 .. 149 (the only counts
// with a meaning).
int HeadOverlap();
// X dots one swath covers: 150 with one cartridge, 300 - overlap with both.
int SwathWidth();
// Raster resolution along Y, dots per inch: 180 or 150.
int ResolutionDpi();

// Sets g_swathRows for g_plotPage and returns its swath count (0 for a page
// whose largest X and Y are both 0). Also prepares the per-job index that
// lets each swath draw only the curves near it.
int ComputeSwathCount();

// Whether a job of g_swathRows rows fits the swath buffers with the
// cartridges' distance and the leading records.
bool SwathFitsBuffers();

// The job start's width check along the carriage: the rows of the job with
// the idle travel and the start offset must fit the machine's length, and
// the job must fit the swath buffers. Returns the message to show (the
// buffers' own, or the machine-width message with the rows needed and
// allowed and what to change), or empty. In the language of m_language.
std::string CheckSwathWidth();
extern const char* const MSG_BEYOND_MACHINE_WIDTH;

// What the job start does before anything is sent: g_plotPage made from the
// job (scale, purge pattern, start position), its rows and swath count, and
// the width check. Returns the swath count, or -1 with the message when the
// job is refused.
int PreparePlotJob(const COnePage& job, std::string& message);

// Draws swath n of g_plotPage into g_swathBitmap, which must be clear.
void RasteriseSwath(int n);
// Draws every curve of g_plotPage shifted by offset dots onto the canvas:
// the straightforward drawing RasteriseSwath must equal.
void DrawSwathCurves(const vexa::SwathCanvas& canvas, int offset);
