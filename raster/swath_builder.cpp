#include "raster/swath_builder.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "model/page_layout.h"

namespace vexa {
std::shared_ptr<const CSwathJob> CSwathJob::Prepare(const COnePage& job, const SwathSettings& settings,
                                                    std::string& message)
{
    std::shared_ptr<CSwathJob> prepared(new CSwathJob);
    prepared->m_settings = settings;
    PreparePlotPage(prepared->m_page, job, settings.xScale, settings.yScale, settings.autoClean != 0);
    const SwathShape shape = ComputeSwathShape(prepared->m_page, settings);
    prepared->m_rows = shape.rows;
    prepared->m_swaths = shape.swaths;
    message = CheckSwathWidth(settings, shape.rows);
    if (!message.empty())
        return nullptr;
    prepared->m_index.Build(prepared->m_page, settings.lineWidth, settings.Dpi(), settings.SwathWidth());
    return prepared;
}

size_t CSwathJob::WordsPerSwath() const
{
    return static_cast<size_t>(m_rows + LEADING_BLANK_RECORDS) * (COLUMN_RECORD_BYTES / 2);
}

void CSwathJob::Rasterise(const SwathCanvas& canvas, int n) const
{
    m_index.DrawSwath(canvas, n);  // a prepared job fits the buffers
}

CSwathBuilder::CSwathBuilder(std::shared_ptr<const CSwathJob> job)
    : m_job(std::move(job)),
      m_bitmap(new uint8_t[size_t{SWATH_CAPACITY_ROWS} * SWATH_BITMAP_STRIDE]()),
      m_records(new uint8_t[size_t{SWATH_CAPACITY_RECORDS} * COLUMN_RECORD_BYTES]()),
      m_rowInk(new uint8_t[SWATH_CAPACITY_ROWS]()),
      m_recordInk(new uint8_t[SWATH_CAPACITY_RECORDS]()),
      m_stream(new uint16_t[SWATH_STREAM_WORDS]())
{
}

void CSwathBuilder::SetJob(std::shared_ptr<const CSwathJob> job)
{
    m_job = std::move(job);
}

SwathBuffers CSwathBuilder::Buffers() const
{
    return {m_bitmap.get(), m_records.get(), m_stream.get(), m_rowInk.get(), m_recordInk.get()};
}

void CSwathBuilder::Build(int n)
{
    const SwathBuffers buffers = Buffers();
    buffers.Clear();
    if (!m_job)
        return;
    m_job->Rasterise(buffers.Canvas(m_job->Rows()), n);
    buffers.SplitAndPackRows(m_job->Settings(), m_job->Rows());
}

std::span<const uint8_t> CSwathBuilder::Compress()
{
    m_streamBytes = m_job ? Buffers().Compress(m_job->Rows(), m_streamBytes) : 0;
    return Stream();
}

std::span<const uint8_t> CSwathBuilder::Stream() const
{
    return {reinterpret_cast<const uint8_t*>(m_stream.get()), static_cast<size_t>(m_streamBytes)};
}

std::string CSwathBuilder::BuildPrinted(int n)
{
    if (!m_job)
        return "no job";
    Build(n);
    if (std::string error = DecodeSwathStream(Compress(), m_job->WordsPerSwath(), m_words); !error.empty())
        return error;
    PrintedDots(m_words, m_job->Rows(), m_job->Layout(), m_printed);
    return {};
}

SwathFailure ForEachSwath(const std::shared_ptr<const CSwathJob>& job, int threads,
                          const std::function<std::string(CSwathBuilder& builder, int n)>& work)
{
    if (!job)
        return {};
    const int count = job->SwathCount();
    std::atomic<int> next{0};
    // The first failed swath so far; INT_MAX while none has.
    std::atomic<int> failed{INT_MAX};
    std::mutex failureMutex;
    SwathFailure failure;
    auto fail = [&](int n, std::string message) {
        std::lock_guard lock(failureMutex);
        if (failure.swath < 0 || n < failure.swath)
            failure = {n, std::move(message)};
        int seen = failed.load();
        while (n < seen && !failed.compare_exchange_weak(seen, n)) {
        }
    };
    auto run = [&] {
        std::unique_ptr<CSwathBuilder> builder;  // made once there is work for it
        for (int n = next++; n < count && n < failed.load(); n = next++) {
            try {
                if (!builder)
                    builder = std::make_unique<CSwathBuilder>(job);
                if (std::string error = work(*builder, n); !error.empty())
                    fail(n, std::move(error));
            } catch (const std::exception& e) {
                fail(n, e.what());
            }
        }
    };
    const int helpers = std::clamp(threads, 1, std::max(count, 1)) - 1;
    std::vector<std::thread> pool;
    pool.reserve(static_cast<size_t>(helpers));
    try {
        for (int t = 0; t < helpers; ++t)
            pool.emplace_back(run);
    } catch (const std::system_error&) {
        // Fewer threads than asked for: the ones there are do the work.
    }
    run();
    for (std::thread& t : pool)
        t.join();
    return failure;
}
}  // namespace vexa
