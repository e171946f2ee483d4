#pragma once
#include <atomic>
#include <cstdint>

#include "raster/line_raster.h"

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

// Draws swath n of g_plotPage into g_swathBitmap, which must be clear.
void RasteriseSwath(int n);
// Draws every curve of g_plotPage shifted by offset dots onto the canvas:
// the straightforward drawing RasteriseSwath must equal.
void DrawSwathCurves(const vexa::SwathCanvas& canvas, int offset);
