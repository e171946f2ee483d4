#pragma once
#include <string>

class COnePage;

// Layout constants, in plotter units unless named.
constexpr int PURGE_SHIFT = 1000;
constexpr int PAGINATION_GAP = 1200;
constexpr int MIN_SPLIT_LENGTH_MM = 100;

// The import layout: normalise, align to the origin, turn a graphic wider
// than the paper in wide mode, paginate it to the paper width, and set the
// start state from the settings (m_pageWidth, m_wideMode, m_autoStart).
void PrepareImportedPage(COnePage& page);
void PrepareImportedPage(COnePage& page, int pageWidthMm, bool wideMode, bool autoStart);

// The page a job prints from: a copy of the job, scale-corrected, with the
// purge pattern when m_autoClean is set, its extents, and its start position.
void PreparePlotPage(COnePage& plotPage, const COnePage& job);
void PreparePlotPage(COnePage& plotPage, const COnePage& job, int xScale, int yScale, bool autoClean);

// Checks the job list applies before an operation. Each returns the message
// to show, or an empty string when the value is accepted.
// A refused start position also resets m_startAt to 0, as the list does.
std::string AcceptStartPosition(COnePage& page, int mm);
std::string CheckSplitLength(const COnePage& page, int mm);
std::string CheckPaginationBand(const COnePage& page, int mm);

// The messages of those checks.
extern const char* const MSG_START_BEYOND_LENGTH;
extern const char* const MSG_SPLIT_TOO_LONG;
extern const char* const MSG_SPLIT_TOO_SHORT;
extern const char* const MSG_BAND_TOO_WIDE;
