// Whole-job swath building (rasterise, split, pack, compress every swath) for
// the 2 m x 20 m sample marker at 180 dpi with both cartridges: the plot
// thread's way, and with builders of their own on one thread or several.
#include <benchmark/benchmark.h>

#include <atomic>

#include "app/settings.h"
#include "hpgl/hpgl_import.h"
#include "model/one_page.h"
#include "raster/printed_image.h"
#include "raster/swath_build.h"
#include "raster/swath_builder.h"

namespace {
const std::string kMarker = VEXA_BINARY_DIR "/examples/marker_20m.plt";

std::unique_ptr<COnePage> g_job;

bool LoadJob(benchmark::State& state)
{
    if (!g_job) {
        g_settings.InitFontPaths();
        g_settings.m_pageWidth = 2000;
        g_settings.m_wideMode = 1;
        HpglImport imported = ImportHpglFile(kMarker);
        g_job = std::move(imported.page);
    }
    if (!g_job) {
        state.SkipWithError("marker_20m.plt missing: build the sample_marker target");
        return false;
    }
    return true;
}

// range(0): line width in dots.
void BM_BuildWholeJob(benchmark::State& state)
{
    if (!LoadJob(state))
        return;
    g_settings.m_headMode = 0;
    g_settings.m_resolution = 0;
    g_settings.m_lineWidth = static_cast<int>(state.range(0));
    g_settings.m_machineLength = 3500;
    std::string message;
    const int swaths = PreparePlotJob(*g_job, message);
    if (swaths < 0) {
        state.SkipWithError(message.c_str());
        return;
    }
    int64_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (int n = 0; n < swaths; ++n) {
            BuildSwath(n);
            CompressSwath();
            bytes += g_swathStreamBytes;
        }
        benchmark::DoNotOptimize(bytes);
    }
    const double metres = (g_plotPage.m_maxX - g_plotPage.m_minX) / 40000.0;
    state.counters["swaths"] = swaths;
    state.counters["rows"] = g_swathRows.load();
    state.counters["stream_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["s_per_metre"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * metres, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BuildWholeJob)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Job start: plot page, swath index, width check.
void BM_PreparePlotJob(benchmark::State& state)
{
    if (!LoadJob(state))
        return;
    g_settings.m_lineWidth = 1;
    std::string message;
    for (auto _ : state)
        benchmark::DoNotOptimize(PreparePlotJob(*g_job, message));
}
BENCHMARK(BM_PreparePlotJob)->Unit(benchmark::kMillisecond);

std::shared_ptr<const vexa::CSwathJob> PreparedJob(benchmark::State& state)
{
    if (!LoadJob(state))
        return nullptr;
    vexa::SwathSettings settings;
    settings.machineLength = 3500;
    std::string message;
    auto job = vexa::CSwathJob::Prepare(*g_job, settings, message);
    if (!job)
        state.SkipWithError(message.c_str());
    return job;
}

// The same with builders of their own on range(0) threads, as vexagrid-cli
// swaths does (without the files).
void BM_BuildWholeJobOnThreads(benchmark::State& state)
{
    const auto job = PreparedJob(state);
    if (!job)
        return;
    std::atomic<int64_t> bytes{0};
    for (auto _ : state) {
        bytes = 0;
        vexa::ForEachSwath(job, static_cast<int>(state.range(0)), [&](vexa::CSwathBuilder& builder, int n) {
            builder.Build(n);
            bytes += static_cast<int64_t>(builder.Compress().size());
            return std::string();
        });
    }
    state.counters["swaths"] = job->SwathCount();
    state.counters["stream_MB"] = static_cast<double>(bytes.load()) / 1e6;
}
BENCHMARK(BM_BuildWholeJobOnThreads)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// vexagrid-cli render without the PNG: every swath built, read back as the
// controller reads it and drawn into the picture, on range(0) threads.
void BM_PrintedDotsOnThreads(benchmark::State& state)
{
    const auto job = PreparedJob(state);
    if (!job)
        return;
    vexa::PrintedImage image(job->Rows(), job->SwathCount(), job->SwathWidth());
    for (auto _ : state) {
        vexa::ForEachSwath(job, static_cast<int>(state.range(0)), [&](vexa::CSwathBuilder& builder, int n) {
            std::string error = builder.BuildPrinted(n);
            if (error.empty())
                image.AddSwath(n, builder.Printed());
            return error;
        });
    }
    state.counters["swaths"] = job->SwathCount();
}
BENCHMARK(BM_PrintedDotsOnThreads)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace

BENCHMARK_MAIN();
