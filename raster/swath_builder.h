#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/one_page.h"
#include "raster/swath_build.h"
#include "raster/swath_decoder.h"

namespace vexa {
// A job prepared for swath building as the job start prepares it, with the
// settings given: the plot page (scale correction, purge pattern, start
// position), its rows and swath count, the width check, and the index of the
// curves near each swath. Read-only once prepared, so any number of builders
// on any threads can share one.
class CSwathJob {
public:
    // The job, or null with the width check's message when the job start
    // would refuse it. The job's start position is its m_startAt.
    static std::shared_ptr<const CSwathJob> Prepare(const COnePage& job, const SwathSettings& settings,
                                                    std::string& message);

    const SwathSettings& Settings() const { return m_settings; }
    const COnePage& Page() const { return m_page; }
    int Rows() const { return m_rows; }
    int SwathCount() const { return m_swaths; }
    int SwathWidth() const { return m_settings.SwathWidth(); }
    HeadLayout Layout() const { return m_settings.Layout(); }
    // The words every swath stream stands for: (rows + 30) * 22.
    size_t WordsPerSwath() const;

    // Draws swath n onto a clear canvas of Rows() rows.
    void Rasterise(const SwathCanvas& canvas, int n) const;

private:
    CSwathJob() = default;

    COnePage m_page;
    SwathSettings m_settings;
    int m_rows = 0;
    int m_swaths = 0;
    SwathIndex m_index;
};

// Builds the swaths of a job in buffers of its own, allocated once when it
// is made, so that it can run beside the plot thread (which builds in the
// statically allocated buffers of swath_build.h) and beside other builders.
// One builder serves one thread at a time.
class CSwathBuilder {
public:
    explicit CSwathBuilder(std::shared_ptr<const CSwathJob> job = nullptr);
    CSwathBuilder(const CSwathBuilder&) = delete;
    CSwathBuilder& operator=(const CSwathBuilder&) = delete;

    void SetJob(std::shared_ptr<const CSwathJob> job);
    const std::shared_ptr<const CSwathJob>& Job() const { return m_job; }

    // The column records of swath n; a blank swath without a job.
    void Build(int n);
    // The stream of the swath last built, as the plot thread sends it.
    std::span<const uint8_t> Compress();
    // The stream of the last Compress.
    std::span<const uint8_t> Stream() const;

    // Build, Compress and the stream read back the way the controller reads
    // it: empty when Printed() holds the dots swath n prints, else why the
    // stream does not decode.
    std::string BuildPrinted(int n);
    const PrintedSwath& Printed() const { return m_printed; }

private:
    SwathBuffers Buffers() const;

    std::shared_ptr<const CSwathJob> m_job;
    std::unique_ptr<uint8_t[]> m_bitmap, m_records, m_rowInk, m_recordInk;
    std::unique_ptr<uint16_t[]> m_stream;
    int m_streamBytes = 0;
    std::vector<uint16_t> m_words;
    PrintedSwath m_printed;
};

// The first swath whose work failed, and why.
struct SwathFailure {
    int swath = -1;  // -1: none failed
    std::string message;
};

// Runs work(builder, n) for every swath n of the job on up to threads
// threads (the caller's among them), each with its own builder; work builds
// what it needs and returns an error, or empty. Swaths are handed out in
// order: once one fails no later swath is started (one already running
// finishes), and every earlier one has run. Returns the first failure; an
// exception thrown by work is one.
SwathFailure ForEachSwath(const std::shared_ptr<const CSwathJob>& job, int threads,
                          const std::function<std::string(CSwathBuilder& builder, int n)>& work);
}  // namespace vexa
