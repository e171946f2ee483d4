// Whole-job swath building (rasterise, split, pack, compress every swath) for
// the 2 m x 20 m sample marker at 180 dpi with both cartridges.
#include <benchmark/benchmark.h>

#include "app/settings.h"
#include "hpgl/hpgl_import.h"
#include "model/one_page.h"
#include "raster/swath_build.h"

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
}  // namespace

BENCHMARK_MAIN();
