#include "budget.h"

#include <algorithm>

namespace genmarker {

namespace {

constexpr double kToleranceMm = 0.02;
constexpr double kFinestStepMm = 0.4;
constexpr double kCoarsestStepMm = 5;
constexpr int kBisections = 16;

Sampling withStep(double step) { return Sampling{kToleranceMm, step}; }

std::size_t sizeAt(const Marker& marker, double step)
{
    return writeMarker(marker, withStep(step)).size();
}

} // namespace

std::string writeWithinBudget(Marker& marker, std::size_t maxBytes, Sampling& sampling,
                              PlotStats& stats)
{
    const double finest = kFinestStepMm;
    const double coarsest = kCoarsestStepMm;
    // Too large even at the coarsest sampling: shorten the marker, in proportion first.
    for (std::size_t size = sizeAt(marker, coarsest); size > maxBytes && !marker.garments.empty();
         size = sizeAt(marker, coarsest)) {
        const std::size_t count = marker.garments.size();
        const std::size_t keep = std::min(count - 1, count * maxBytes / size);
        while (marker.garments.size() > keep)
            dropLastGarment(marker);
    }

    // More detail makes the file larger, so a bisection finds the finest sampling that fits
    // (on a linear scale: exp and log may differ in their last bit between C libraries, the
    // output must not). Invariant: `fits` has been measured within the budget, `tooBig` not.
    double fits = coarsest;
    if (sizeAt(marker, finest) <= maxBytes) {
        fits = finest;
    } else {
        double tooBig = finest;
        for (int i = 0; i < kBisections; ++i) {
            const double mid = (fits + tooBig) / 2;
            (sizeAt(marker, mid) <= maxBytes ? fits : tooBig) = mid;
        }
    }
    sampling = withStep(fits);
    return writeMarker(marker, sampling, &stats);
}

} // namespace genmarker
