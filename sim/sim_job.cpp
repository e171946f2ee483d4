#include "sim/sim_job.h"

#include <algorithm>
#include <cstring>

#include "app/png_image.h"

namespace vexa::sim {
namespace {
constexpr size_t RECORD_WORDS = 22;
constexpr size_t LEADING_RECORDS = 30;
// Beyond this a job is not drawn: a 20 m marker is about 3.6e9 dots.
constexpr uint64_t MAX_PNG_DOTS = uint64_t{1} << 33;

size_t ExpectedWords(int rows)
{
    return (static_cast<size_t>(rows) + LEADING_RECORDS) * RECORD_WORDS;
}
}  // namespace

std::string JobResultName(JobResult result)
{
    switch (result) {
    case JobResult::Running: return "running";
    case JobResult::Done: return "done";
    case JobResult::Cancelled: return "cancelled";
    case JobResult::Error: return "error";
    }
    return "?";
}

int SimJob::PrintedSwaths() const
{
    return static_cast<int>(std::count_if(streams.begin(), streams.end(), [](const auto& s) { return !s.empty(); }));
}

PrintedSwath SimJob::Swath(int k) const
{
    std::vector<uint16_t> words;
    if (k >= 0 && static_cast<size_t>(k) < streams.size() && !streams[static_cast<size_t>(k)].empty())
        DecodeSwathStream(streams[static_cast<size_t>(k)], ExpectedWords(rows), words);
    if (words.empty())
        words.assign(ExpectedWords(rows), 0);
    return PrintedDots(words, rows, layout);
}

bool SimJob::Dot(int x, int y) const
{
    const int w = SwathWidth();
    if (x < 0 || y < 0 || y >= rows || w <= 0 || x / w >= swathCount)
        return false;
    return Swath(x / w).At(x % w, y);
}

std::string WriteJobPng(const SimJob& job, const std::string& path, size_t bandBytes)
{
    const size_t w = static_cast<size_t>(job.SwathWidth());
    const size_t width = w * static_cast<size_t>(job.swathCount);
    const size_t height = static_cast<size_t>(job.rows);
    if (width == 0 || height == 0)
        return "job " + std::to_string(job.number) + " has no dots to show (" + std::to_string(width) + " x " +
               std::to_string(height) + ")";
    if (width > 0x7FFFFFFFu || static_cast<uint64_t>(width) * height > MAX_PNG_DOTS)
        return "job " + std::to_string(job.number) + " is too large for a PNG (" + std::to_string(width) + " x " +
               std::to_string(height) + ")";
    const size_t bandRows = std::clamp<size_t>(bandBytes / width, 1, height);
    std::vector<uint8_t> band(bandRows * width);
    std::vector<uint16_t> words;
    size_t bandStart = 0, bandCount = 0;

    auto fillBand = [&](size_t start) {
        bandStart = start;
        bandCount = std::min(bandRows, height - start);
        std::fill(band.begin(), band.end(), 0);
        for (size_t s = 0; s < job.streams.size() && s < static_cast<size_t>(job.swathCount); ++s) {
            if (job.streams[s].empty() || !DecodeSwathStream(job.streams[s], ExpectedWords(job.rows), words).empty())
                continue;
            // Row i of the swath lives in record 30 + i (and 30 + i + h): the
            // words from record `start` on hold rows start, start + 1, ...
            const std::span<const uint16_t> from(words.data() + start * RECORD_WORDS, words.size() - start * RECORD_WORDS);
            const PrintedSwath dots = PrintedDots(from, static_cast<int>(bandCount), job.layout);
            for (size_t r = 0; r < bandCount; ++r)
                std::memcpy(&band[r * width + s * w], &dots.dots[r * w], w);
        }
    };
    // Row 0 at the bottom, as vexagrid-cli render draws it: the picture reads
    // like the marker, X to the right and Y up. Bands go from the last row down.
    return WriteInkPng(path, static_cast<uint32_t>(width), static_cast<uint32_t>(height), [&](uint32_t y, uint8_t* out) {
        const size_t row = height - 1 - y;
        if (bandCount == 0 || row < bandStart || row >= bandStart + bandCount)
            fillBand(row + 1 >= bandRows ? row + 1 - bandRows : 0);
        std::memcpy(out, &band[(row - bandStart) * width], width);
    });
}

}  // namespace vexa::sim
