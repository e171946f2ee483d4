// The preview on the large sample marker: a redraw of the whole view (fit,
// zoomed in, panned, with a selection, the whole marker at once) and the hit
// test of a click, on the offscreen platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <memory>
#include <vector>

#include "app/settings.h"
#include "hpgl/hpgl_import.h"
#include "model/vexa_doc.h"
#include "raster/printed_dots.h"
#include "ui/disp_set.h"
#include "ui/vexa_view.h"

namespace {
const std::string kMarker = VEXA_BINARY_DIR "/examples/marker_20m.plt";
constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 720;

// The marker as the only job, in a view of kViewWidth x kViewHeight.
struct Preview {
    CVexaDoc doc;
    std::unique_ptr<CVexaView> view;
    bool ok = false;

    Preview()
    {
        g_settings.InitFontPaths();
        g_settings.m_pageWidth = 2000;
        HpglImport imported = ImportHpglFile(kMarker);
        if (!imported.page)
            return;
        doc.AddPage(std::move(imported.page));
        view = std::make_unique<CVexaView>(doc);
        view->resize(kViewWidth, kViewHeight);
        view->SetCurrentPage(0);
        view->Picture();
        ok = true;
    }
    COnePage& Page() { return *doc.GetPage(0); }
    // The middle of the marker in the middle of the view.
    void Centre()
    {
        const COnePage& page = Page();
        const QPoint c = g_dispSet.PlotterToScreen((page.m_minX + page.m_maxX) / 2, (page.m_minY + page.m_maxY) / 2);
        g_dispSet.m_scrollX += c.x() - view->width() / 2;
        g_dispSet.m_scrollY += c.y() - view->height() / 2;
    }
    // Back to the fitted view without a selection.
    void Reset()
    {
        Page().ClearSelection();
        view->OnFitScreen();
        view->Picture();
    }
};

Preview* Marker(benchmark::State& state)
{
    static Preview preview;
    if (!preview.ok) {
        state.SkipWithError("marker_20m.plt missing: build the sample_marker target");
        return nullptr;
    }
    preview.Reset();
    state.counters["points"] = static_cast<double>(preview.Page().PointCount());
    return &preview;
}

// Pans by one step each way in turn: every iteration is one whole redraw.
void PanAndDraw(benchmark::State& state, Preview& p)
{
    bool right = true;
    for (auto _ : state) {
        if (right)
            p.view->OnPanRight();
        else
            p.view->OnPanLeft();
        right = !right;
        benchmark::DoNotOptimize(p.view->Picture().constBits());
    }
}

void BM_RedrawFit(benchmark::State& state)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    for (auto _ : state) {
        p->view->OnFitScreen();
        benchmark::DoNotOptimize(p->view->Picture().constBits());
    }
}
BENCHMARK(BM_RedrawFit)->Unit(benchmark::kMillisecond);

// Four times the fitted scale, the middle of the marker in the middle of the
// view.
void BM_RedrawZoomedInPanned(benchmark::State& state)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    p->view->ZoomIn();
    p->view->ZoomIn();
    p->Centre();
    PanAndDraw(state, *p);
}
BENCHMARK(BM_RedrawZoomedInPanned)->Unit(benchmark::kMillisecond);

// Fitted, panned half a view at a time along the marker.
void BM_RedrawPanned(benchmark::State& state)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    g_dispSet.m_scrollX = p->view->width() * 2;
    PanAndDraw(state, *p);
}
BENCHMARK(BM_RedrawPanned)->Unit(benchmark::kMillisecond);

// Fitted, every curve in the left half of the view selected (squares on
// every point and midpoint).
void BM_RedrawFitWithSelection(benchmark::State& state)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    const QRect half(0, 0, p->view->width() / 2, p->view->height());
    const std::vector<int> inside = p->view->PagePainter().CurvesInside(p->Page(), half, g_dispSet);
    for (int i : inside)
        p->Page().m_curves[static_cast<size_t>(i)]->m_selected = 1;
    state.counters["selected"] = static_cast<double>(inside.size());
    PanAndDraw(state, *p);
}
BENCHMARK(BM_RedrawFitWithSelection)->Unit(benchmark::kMillisecond);

// The whole 20 m in view: every point transformed, most merged.
void BM_RedrawWholeMarker(benchmark::State& state)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    for (int i = 0; i < 3; ++i)
        p->view->ZoomOut();
    PanAndDraw(state, *p);
}
BENCHMARK(BM_RedrawWholeMarker)->Unit(benchmark::kMillisecond);

// The worst case: the whole marker in view with every curve selected.
void BM_RedrawWholeMarkerAllSelected(benchmark::State& state)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    for (int i = 0; i < 3; ++i)
        p->view->ZoomOut();
    p->view->OnSelectAll();
    PanAndDraw(state, *p);
}
BENCHMARK(BM_RedrawWholeMarkerAllSelected)->Unit(benchmark::kMillisecond);

// After the job list changed the job: the index is built anew.
void BM_RedrawAfterJobChange(benchmark::State& state)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    for (auto _ : state) {
        p->view->RedrawPreview();
        benchmark::DoNotOptimize(p->view->Picture().constBits());
    }
}
BENCHMARK(BM_RedrawAfterJobChange)->Unit(benchmark::kMillisecond);

// One click's search: points on curves (found) and between them; zoomIns
// below 0 shows the whole marker.
void HitTests(benchmark::State& state, int zoomIns)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    for (int i = 0; i < zoomIns; ++i)
        p->view->ZoomIn();
    for (int i = 0; i < -zoomIns * 3; ++i)
        p->view->ZoomOut();
    if (zoomIns > 0)
        p->Centre();
    const QRect view(QPoint(0, 0), p->view->size());
    std::vector<QPoint> clicks;
    const COnePage& page = p->Page();
    for (size_t i = 0; i < page.m_curves.size() && clicks.size() < 64; i += 97) {
        const CPoint& pt = page.m_curves[i]->m_points[0];
        const QPoint s = g_dispSet.PlotterToScreen(pt.x, pt.y);
        if (view.contains(s))
            clicks.push_back(s);
    }
    for (int i = 0; i < 64; ++i)
        clicks.emplace_back(view.width() * (i % 8) / 8 + 7, view.height() * (i / 8) / 8 + 5);
    size_t n = 0, hits = 0;
    for (auto _ : state) {
        const QPoint c = clicks[n++ % clicks.size()];
        const int found = p->view->PagePainter().HitCurve(page, c.x(), c.y(), g_dispSet);
        hits += found >= 0;
        benchmark::DoNotOptimize(found);
    }
    state.counters["hit_share"] = n ? static_cast<double>(hits) / static_cast<double>(n) : 0.0;
}

void BM_HitTestFit(benchmark::State& state)
{
    HitTests(state, 0);
}
BENCHMARK(BM_HitTestFit)->Unit(benchmark::kMicrosecond);

void BM_HitTestWholeMarker(benchmark::State& state)
{
    HitTests(state, -1);
}
BENCHMARK(BM_HitTestWholeMarker)->Unit(benchmark::kMicrosecond);

void BM_HitTestZoomedIn(benchmark::State& state)
{
    HitTests(state, 3);
}
BENCHMARK(BM_HitTestZoomedIn)->Unit(benchmark::kMicrosecond);

// The printed dots of the whole marker fitted to the view (every swath in
// view, each reduced to a few pixels), once built: the redraw alone.
void BM_RedrawPrintedDotsFit(benchmark::State& state)
{
    Preview* p = Marker(state);
    if (!p)
        return;
    p->view->SetPrintedDotsShown(true);
    // The builders report through queued calls; wait for all of them.
    while (!p->view->PrintedDotsState().isEmpty() || p->view->PrintedDots()->Preparing()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        p->view->RedrawPreview();
        p->view->Picture();
    }
    for (auto _ : state) {
        p->view->OnFitScreen();
        benchmark::DoNotOptimize(p->view->Picture().constBits());
    }
    p->view->SetPrintedDotsShown(false);
}
BENCHMARK(BM_RedrawPrintedDotsFit)->Unit(benchmark::kMillisecond)->Iterations(20);
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
