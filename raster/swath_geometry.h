#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "raster/line_raster.h"
#include "raster/swath_decoder.h"

class COnePage;

// Swath geometry: how the plot page is cut into carriage passes, and the
// drawing of one pass into the 1-bit swath bitmap.
constexpr int SWATH_BITMAP_WIDTH = 320;
constexpr int SWATH_BITMAP_STRIDE = 40;
constexpr int SWATH_CAPACITY_ROWS = 26000;
constexpr int SWATH_CAPACITY_RECORDS = 26000;
constexpr int LEADING_BLANK_RECORDS = 30;
constexpr int DOTS_PER_MM_X = 12;

namespace vexa {
// The machine settings a job's swaths are built with, read from g_settings
// at one moment: the job start's and the swath building's, nothing else.
struct SwathSettings {
    int headMode = 0;
    int headOverlap = 2;
    int head2Position = 176;
    int lineWidth = 1;
    int resolution = 0;
    int cartridge1OnRight = 0;
    int xScale = 10000;
    int yScale = 10000;
    int autoClean = 0;
    int machineLength = 2106;
    int idleDistance = 50;
    int startOffset = 0;
    int language = 0;  // of the width check's message

    static SwathSettings Current();
    bool operator==(const SwathSettings&) const = default;

    // The cartridges' overlap held to 0 .. 149, the only counts with a meaning.
    int Overlap() const;
    // X dots one swath covers: 150 with one cartridge, 300 - overlap with both.
    int SwathWidth() const { return headMode == 0 ? 300 - Overlap() : 150; }
    // Raster resolution along Y, dots per inch: 180 or 150.
    int Dpi() const { return resolution == 0 ? 180 : 150; }
    HeadLayout Layout() const { return {headMode, Overlap(), head2Position, cartridge1OnRight}; }
};

// The plot page in dot coordinates, cut into chunks of a few segments, and
// for every swath the chunks near it, so that a swath draws only what can
// reach it. The drawing it gives is the drawing of every curve.
class SwathIndex {
public:
    void Build(const COnePage& page, int lineWidth, int dpi, int swathWidth);
    // Whether it was built from this page (the same curves and extents) and these values.
    bool Matches(const COnePage& page, int lineWidth, int dpi, int swathWidth) const;
    // Draws swath n (offset n * swathWidth) onto the canvas.
    void DrawSwath(const SwathCanvas& canvas, int n) const;

private:
    // What the index was built from; any change rebuilds it.
    const COnePage* m_page = nullptr;
    const void* m_curveData = nullptr;
    size_t m_curves = 0;
    int m_maxX = 0, m_maxY = 0;
    int m_lineWidth = -1, m_dpi = 0, m_width = 0;

    std::vector<int32_t> m_gx, m_gy;  // every point of every curve of 2+ points
    struct Chunk {
        uint32_t first;  // index of the first point
        uint32_t count;  // points, at least 2
    };
    std::vector<Chunk> m_chunks;
    // Compressed rows: bucket n is m_order[m_start[n] .. m_start[n + 1]).
    std::vector<uint32_t> m_start;
    std::vector<uint32_t> m_order;  // chunk numbers
    bool m_all = false;             // too many entries: every swath walks every chunk
};

// Rows of every swath (carriage positions) and the swath count of a page.
struct SwathShape {
    int rows = 0;
    int swaths = 0;
    bool blank = false;  // largest X and Y both 0: no swaths, and no rows either
};
// The shape of a page with these settings.
SwathShape ComputeSwathShape(const COnePage& page, const SwathSettings& settings);
// Whether a job of rows rows fits the swath buffers with the cartridges'
// distance and the leading records.
bool SwathFitsBuffers(int rows, int head2Position);
// The job start's width check (see CheckSwathWidth below) for these values.
std::string CheckSwathWidth(const SwathSettings& settings, int rows);
}  // namespace vexa

// The plot thread's job: the functions below work on g_plotPage, the
// statically allocated buffers (swath_build.h) and g_swathRows, reading the
// settings anew at every call.

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
