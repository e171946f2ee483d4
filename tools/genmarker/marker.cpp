#include "marker.h"

#include "nesting.h"
#include "outline.h"

#include <algorithm>
#include <limits>

namespace genmarker {

namespace {

constexpr double kMarginMm = 10;      // kept free along all four paper edges
constexpr double kStripMm = 2;        // resolution of the nesting front
constexpr double kGapMm = 1.5;        // half the minimum distance between two pieces
constexpr Sampling kNestSampling{0.05, 3}; // curve sampling used for nesting only
constexpr int kFailuresToStop = 6;    // garments in a row that no longer fit
constexpr int kBatch = 4;             // garments nested together

struct Candidate {
    Profile profile;
    Vec2 shift; // moves the transformed cut line's bounding box to (0, 0)
};

Candidate candidate(const std::vector<Vec2>& cut, bool mirrored, bool turned)
{
    Placement probe{0, 0, mirrored, turned, {}};
    std::vector<Vec2> q;
    q.reserve(cut.size());
    Vec2 lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    for (Vec2 p : cut) {
        q.push_back(toMarker(probe, p));
        lo.x = std::min(lo.x, q.back().x);
        lo.y = std::min(lo.y, q.back().y);
    }
    for (Vec2& p : q)
        p = p - lo;
    return {makeProfile(q, kStripMm, kGapMm), Vec2{} - lo};
}

struct Instance {
    int garment; // within the batch
    int piece;
    bool mirrored;
    double area;
};

// Places every piece of some garments, largest first; leaves the front untouched when one fails.
// The garments get the indexes from `firstIndex` on.
bool placeGarments(const std::vector<Garment>& garments, int firstIndex, Skyline& front,
                   std::vector<std::pair<double, Placement>>& placed)
{
    std::vector<Instance> instances;
    std::vector<std::vector<std::vector<Vec2>>> cuts(garments.size());
    for (std::size_t gi = 0; gi < garments.size(); ++gi) {
        for (std::size_t i = 0; i < garments[gi].pieces.size(); ++i) {
            const PatternPiece& pattern = garments[gi].pieces[i];
            const Path sew = flatten(pattern.sew, kNestSampling);
            cuts[gi].push_back(closedPoints(offsetOutward(sew, pattern.allowance)));
            const double area = signedArea(cuts[gi].back());
            for (int c = 0; c < pattern.count; ++c)
                instances.push_back({static_cast<int>(gi), static_cast<int>(i),
                                     pattern.mirrorPairs && c % 2 == 1, area});
        }
    }
    std::stable_sort(instances.begin(), instances.end(),
                     [](const Instance& a, const Instance& b) { return a.area > b.area; });

    const Skyline before = front;
    const std::size_t placedBefore = placed.size();
    const double pad = profilePad(kStripMm, kGapMm) * kStripMm;
    for (const Instance& inst : instances) {
        std::optional<Skyline::Spot> best;
        Candidate chosen;
        bool turned = false;
        for (bool turn : {false, true}) {
            Candidate c = candidate(cuts[inst.garment][inst.piece], inst.mirrored, turn);
            const std::optional<Skyline::Spot> spot = front.find(c.profile);
            if (spot && (!best || spot->x < best->x)) {
                best = spot;
                chosen = std::move(c);
                turned = turn;
            }
        }
        if (!best) {
            front = before;
            placed.resize(placedBefore);
            return false;
        }
        front.occupy(chosen.profile, *best);
        const Vec2 origin{best->x, front.stripY(best->strip) + pad};
        placed.push_back({best->x, Placement{firstIndex + inst.garment, inst.piece, inst.mirrored,
                                             turned, origin + chosen.shift}});
    }
    return true;
}

} // namespace

Marker layOutMarker(const MarkerOptions& options)
{
    Marker m;
    m.options = options;
    Rng rng(options.seed);
    Skyline front(options.widthMm, options.lengthMm, kMarginMm, kStripMm);
    std::vector<std::pair<double, Placement>> placed;
    auto next = [&] { return static_cast<int>(m.garments.size()); };
    for (int failures = 0; failures < kFailuresToStop;) {
        // A few garments at once nest better than one after the other.
        std::vector<Garment> batch;
        for (int i = 0; i < kBatch; ++i)
            batch.push_back(makeGarment(drawStyle(rng), rng));
        if (placeGarments(batch, next(), front, placed)) {
            for (Garment& g : batch)
                m.garments.push_back(std::move(g));
            failures = 0;
            continue;
        }
        // Near the end of the marker: whatever still fits, garment by garment.
        for (Garment& g : batch) {
            std::vector<Garment> one{g};
            if (placeGarments(one, next(), front, placed)) {
                m.garments.push_back(std::move(one.front()));
                failures = 0;
            } else {
                ++failures;
            }
        }
    }
    // Plot along the length, as a cutter or plotter works through the marker.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& p : placed)
        m.placements.push_back(p.second);
    return m;
}

void dropLastGarment(Marker& marker)
{
    if (marker.garments.empty())
        return;
    const int last = static_cast<int>(marker.garments.size()) - 1;
    std::erase_if(marker.placements, [last](const Placement& p) { return p.garment == last; });
    marker.garments.pop_back();
}

} // namespace genmarker
