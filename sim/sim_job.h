#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "raster/swath_decoder.h"

namespace vexa::sim {

enum class JobResult { Running, Done, Cancelled, Error };
std::string JobResultName(JobResult result);

// One job as the simulated controller printed it: the swath data it took,
// checked with the engine's decoder, and how it ended.
struct SimJob {
    int number = 0;      // 1 for the first job since start
    int rows = 0;        // N of every swath
    int swathCount = 0;  // announced in the job header
    HeadLayout layout;   // from the parameter block at the job header
    JobResult result = JobResult::Running;
    std::string reason;  // why it ended, for an error or a cancel
    uint8_t endStatus = 0;  // the status it ended with
    // The data of each printed swath as received (zero-run stream and its
    // zero padding); empty for a swath that was not printed.
    std::vector<std::vector<uint8_t>> streams;
    size_t totalBytes = 0;
    std::string pngPath;  // once written

    // X dots of one swath: 150 with one cartridge, 300 - overlap with both.
    int SwathWidth() const { return layout.headMode == 0 ? 300 - layout.headOverlap : 150; }
    int PrintedSwaths() const;
    // The dots swath k printed (all clear when it was not printed).
    PrintedSwath Swath(int k) const;
    // Whether the dot at X (along the feed, over all swaths) and row Y printed.
    bool Dot(int x, int y) const;
};

// Writes the printed dots of a job as a PNG: X along the feed horizontal
// (swath after swath), row 0 at the bottom, as vexagrid-cli render draws it. Rows are decoded in bands
// of at most bandBytes, never as one image in memory. Returns an error message.
std::string WriteJobPng(const SimJob& job, const std::string& path, size_t bandBytes = 16u << 20);

}  // namespace vexa::sim
