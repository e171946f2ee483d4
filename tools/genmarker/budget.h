#pragma once

#include "marker.h"
#include "outline.h"
#include "plt_writer.h"

#include <cstddef>
#include <string>

namespace genmarker {

// The marker's HP-GL text with the finest curve sampling whose size stays within `maxBytes`.
// Curves are flattened to a fixed chord tolerance; the longest step between two points is what
// fills the budget. A marker too large even at the coarsest sampling loses garments from its
// end. `sampling` and `stats` describe the text returned.
std::string writeWithinBudget(Marker& marker, std::size_t maxBytes, Sampling& sampling,
                              PlotStats& stats);

} // namespace genmarker
