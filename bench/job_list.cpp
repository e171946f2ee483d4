// Import layout with pagination, and task file save and load, on the large
// sample marker.
#include <benchmark/benchmark.h>

#include "app/settings.h"
#include "hpgl/hpgl_file.h"
#include "model/one_page.h"
#include "model/page_layout.h"
#include "model/task_file.h"

namespace {
const std::string kMarker = VEXA_BINARY_DIR "/examples/marker_20m.plt";

// The marker as read, before any layout.
const COnePage* ReadMarker()
{
    static std::unique_ptr<COnePage> page = [] {
        g_settings.InitFontPaths();
        CHpglFile file;
        file.m_path = kMarker;
        auto p = std::make_unique<COnePage>();
        if (file.Read() == HPGL_OK)
            file.FillPage(*p);
        return p;
    }();
    return page->m_curves.empty() ? nullptr : page.get();
}

// Paper of 1000 mm for a 2 m marker: turned off, so it is cut into two bands.
void BM_PrepareImportedPagePaginated(benchmark::State& state)
{
    const COnePage* source = ReadMarker();
    if (!source) {
        state.SkipWithError("marker_20m.plt missing: build the sample_marker target");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        COnePage page;
        page.CopyFrom(*source);
        state.ResumeTiming();
        PrepareImportedPage(page, 1000, false, true);
        benchmark::DoNotOptimize(page.m_maxX);
    }
    state.counters["points"] = static_cast<double>(source->PointCount());
}
BENCHMARK(BM_PrepareImportedPagePaginated)->Unit(benchmark::kMillisecond);

void BM_TaskFileSaveLoad(benchmark::State& state)
{
    const COnePage* source = ReadMarker();
    if (!source) {
        state.SkipWithError("marker_20m.plt missing: build the sample_marker target");
        return;
    }
    PageList pages;
    pages.push_back(std::make_unique<COnePage>());
    pages[0]->CopyFrom(*source);
    PrepareImportedPage(*pages[0], 2000, true, true);
    std::string bytes;
    const bool save = state.range(0) == 0;
    WriteTaskFile(pages, bytes);
    for (auto _ : state) {
        if (save) {
            WriteTaskFile(pages, bytes);
            benchmark::DoNotOptimize(bytes.data());
        } else {
            PageList loaded;
            ReadTaskFile(bytes, loaded);
            benchmark::DoNotOptimize(loaded.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
    state.SetLabel(save ? "save" : "load");
}
BENCHMARK(BM_TaskFileSaveLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
