#pragma once

#include "marker.h"
#include "outline.h"

#include <cstddef>
#include <string>

namespace genmarker {

struct PlotStats {
    std::size_t pieces = 0;
    std::size_t labels = 0;
    std::size_t cutPoints = 0;    // points of all cut lines (closing point included)
    std::size_t minCutPoints = 0; // per piece
    std::size_t maxCutPoints = 0;
    std::size_t allPoints = 0;    // every coordinate pair written
    double usedLengthMm = 0;      // furthest cut line point along the length
};

// The HP-GL text of the marker: per piece the notched cut line, the sew line, grain line and
// drill holes, and a two-line label (ASCII, then GBK).
std::string writeMarker(const Marker& marker, Sampling sampling, PlotStats* stats = nullptr);

} // namespace genmarker
