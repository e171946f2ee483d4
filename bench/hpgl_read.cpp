// HP-GL import throughput on the large sample marker, and Normalize on long curves.
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <sstream>

#include "app/settings.h"
#include "hpgl/hpgl_file.h"
#include "model/one_page.h"

namespace {
const std::string kMarker = VEXA_BINARY_DIR "/examples/marker_20m.plt";

void BM_ReadAndFillPage(benchmark::State& state)
{
    std::ifstream probe(kMarker, std::ios::binary | std::ios::ate);
    if (!probe) {
        state.SkipWithError("marker_20m.plt missing: build the sample_marker target");
        return;
    }
    const auto bytes = static_cast<int64_t>(probe.tellg());
    g_settings.InitFontPaths();
    size_t curves = 0;
    for (auto _ : state) {
        CHpglFile file;
        file.m_path = kMarker;
        if (file.Read() != HPGL_OK) {
            state.SkipWithError("read failed");
            return;
        }
        COnePage page;
        file.FillPage(page);
        curves = page.m_curves.size();
        benchmark::DoNotOptimize(page.m_curves.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["curves"] = static_cast<double>(curves);
}
BENCHMARK(BM_ReadAndFillPage)->Unit(benchmark::kMillisecond);

// Ten curves of 100,000 points: straight runs, repeated points and turns.
void FillLongCurves(COnePage& page)
{
    std::mt19937 rng(5);
    for (int c = 0; c < 10; ++c) {
        auto curve = std::make_unique<CCurve>();
        CPoint p{0, c * 1000};
        int dx = 1, dy = 0;
        for (int i = 0; i < 100000; ++i) {
            curve->m_points.push_back(p);
            const unsigned r = rng() % 16;
            if (r == 0) {
                dx = static_cast<int>(rng() % 5) - 2;
                dy = static_cast<int>(rng() % 5) - 2;
            }
            if (r != 1) {
                p.x += dx;
                p.y += dy;
            }
        }
        page.AddCurve(std::move(curve));
    }
}

void BM_NormalizeLongCurves(benchmark::State& state)
{
    COnePage source;
    FillLongCurves(source);
    for (auto _ : state) {
        state.PauseTiming();
        COnePage page;
        page.CopyFrom(source);
        state.ResumeTiming();
        page.Normalize();
        benchmark::DoNotOptimize(page.m_curves.data());
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_NormalizeLongCurves)->Unit(benchmark::kMillisecond);

void BM_JoinAndSplitLongCurves(benchmark::State& state)
{
    COnePage source;
    FillLongCurves(source);
    for (auto _ : state) {
        state.PauseTiming();
        COnePage page;
        page.CopyFrom(source);
        state.ResumeTiming();
        page.SplitIntoSegments();
        page.JoinCurves();
        benchmark::DoNotOptimize(page.m_curves.data());
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_JoinAndSplitLongCurves)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
