// The plot preview: its transform, ruler, zoom and pan, selection with the
// mouse, the context commands and keys, and the swath marker.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTranslator>
#include <QWheelEvent>
#include <memory>
#include <vector>

#include "app/settings.h"
#include "device/link_state.h"
#include "model/one_page.h"
#include "model/vexa_doc.h"
#include "tests/support/test_support.h"
#include "tests/ui/machine_state_guard.h"
#include "tests/ui/ui_test.h"
#include "ui/disp_set.h"
#include "ui/list_view.h"
#include "ui/main_frame.h"
#include "ui/page_draw.h"
#include "ui/vexa_view.h"

namespace {
using vexa::ui_test::MachineStateGuard;
using Points = std::vector<CPoint>;

std::unique_ptr<COnePage> Job(const std::vector<Points>& curves)
{
    auto page = std::make_unique<COnePage>();
    for (const Points& points : curves) {
        auto curve = std::make_unique<CCurve>();
        curve->m_points = points;
        page->AddCurve(std::move(curve));
    }
    page->ComputeExtents();
    return page;
}

// A view 600 x 460 on paper 2000 mm wide: fitted, 0.005 pixels per unit.
struct Fixture {
    MachineStateGuard machine;
    int pageWidth = g_settings.m_pageWidth;
    CDispSet disp = g_dispSet;
    CVexaDoc doc;
    CVexaView view{doc};

    explicit Fixture(int height = 460)
    {
        g_settings.m_pageWidth = 2000;
        view.resize(600, height);
        // Shown, so that the resize is handled now and not at the first grab.
        view.show();
    }
    ~Fixture()
    {
        g_settings.m_pageWidth = pageWidth;
        g_dispSet = disp;
    }
    COnePage& Add(const std::vector<Points>& curves)
    {
        doc.AddPage(Job(curves));
        view.SetCurrentPage(0);
        return *doc.GetPage(doc.GetPageCount() - 1);
    }
    std::vector<int> Selected(int page = 0) const
    {
        std::vector<int> flags;
        for (const auto& c : doc.GetPage(page)->m_curves)
            flags.push_back(c->m_selected);
        return flags;
    }
    QPoint Screen(int x, int y) const { return g_dispSet.PlotterToScreen(x, y); }
    void Press(QPoint p, Qt::KeyboardModifiers m = {}) { QTest::mousePress(&view, Qt::LeftButton, m, p); }
    void Release(QPoint p, Qt::KeyboardModifiers m = {}) { QTest::mouseRelease(&view, Qt::LeftButton, m, p); }
    void Click(QPoint p, Qt::KeyboardModifiers m = {})
    {
        Press(p, m);
        Release(p, m);
    }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers m = {})
    {
        Press(from, m);
        QTest::mouseMove(&view, to);
        Release(to, m);
    }
    void Wheel(QPoint p, int delta)
    {
        QWheelEvent event(QPointF(p), QPointF(view.mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    }
};

// Three horizontal strokes a hundred pixels long, 40 pixels apart, and a
// one-point curve, all at the fitted scale.
std::vector<Points> Strokes()
{
    return {{{10000, 40000}, {30000, 40000}},
            {{10000, 32000}, {30000, 32000}},
            {{10000, 24000}, {30000, 24000}},
            {{60000, 40000}}};
}
}  // namespace

class PreviewTest : public QObject {
    Q_OBJECT
private slots:
    void TransformAfterFit()
    {
        Fixture f;
        f.Add(Strokes());
        QCOMPARE(g_dispSet.m_viewHeight, 460);
        QCOMPARE(g_dispSet.m_scale, 0.005);
        QCOMPARE(g_dispSet.PlotterToScreen(0, 0), QPoint(50, 430));
        QCOMPARE(g_dispSet.PlotterToScreen(0, 80000), QPoint(50, 30));
        QCOMPARE(g_dispSet.PlotterToScreen(4000, 0), QPoint(70, 430));
        QCOMPARE(g_dispSet.ScreenToPlotter(51, 429), QPoint(200, 200));
        // Truncation toward zero on both sides of the origin.
        QCOMPARE(g_dispSet.ScreenToPlotter(49, 431), QPoint(-200, -200));
        QCOMPARE(g_dispSet.PlotterToScreen(-10199, 0).x(), 0);
        g_dispSet.m_scrollX = 7;
        g_dispSet.m_scrollY = -3;
        QCOMPARE(g_dispSet.PlotterToScreen(0, 0), QPoint(43, 433));
        QCOMPARE(g_dispSet.ScreenToPlotter(43, 433), QPoint(0, 0));
    }

    void RulerStepAndLabels()
    {
        QCOMPARE(RulerStep(0.0049999), 200);
        QCOMPARE(RulerStep(0.005), 100);
        QCOMPARE(RulerStep(0.0099999), 100);
        QCOMPARE(RulerStep(0.01), 50);
        QCOMPARE(RulerStep(0.02), 20);
        QCOMPARE(RulerStep(0.05), 10);
        QCOMPARE(RulerStep(0.1), 5);
        Fixture f;
        f.Add({{{0, 0}, {100000, 80000}}});  // 2500 mm long
        const std::vector<RulerLabel> labels = RulerLabels(g_dispSet, 100000, 2000);
        // 000 .. 2000 across, then 000 .. 2400 along (nX = 25, every second).
        QCOMPARE(labels.size(), size_t{21 + 13});
        QCOMPARE(labels[0].text, QStringLiteral("000"));
        QCOMPARE(labels[0].pos, QPoint(50 - 36, 430 - 8));
        QCOMPARE(labels[1].text, QStringLiteral("100"));
        QCOMPARE(labels[20].text, QStringLiteral("2000"));
        QCOMPARE(labels[20].pos, QPoint(14, 30 - 8));
        QCOMPARE(labels[21].text, QStringLiteral("000"));
        QCOMPARE(labels[21].pos, QPoint(50 - 12, 430 + 6));
        QCOMPARE(labels[22].text, QStringLiteral("200"));
        QCOMPARE(labels[22].pos, QPoint(f.Screen(8000, 0).x() - 12, 436));
        QCOMPARE(labels[33].text, QStringLiteral("2400"));
        // Clipped to the view, only what can show remains.
        QCOMPARE(RulerLabels(g_dispSet, 100000, 2000, QRect(0, 0, 300, 460)).size(), size_t{21 + 7});
    }

    void ZoomAndPan()
    {
        Fixture f;
        f.Add(Strokes());
        g_dispSet.m_scrollX = 7;
        g_dispSet.m_scrollY = -9;
        f.view.ZoomIn();
        QCOMPARE(g_dispSet.m_scale, 0.01);
        QCOMPARE(g_dispSet.m_scrollX, 7);
        QCOMPARE(g_dispSet.m_scrollY, -9);
        f.view.ZoomOut();
        QCOMPARE(g_dispSet.m_scale, 0.005);
        QCOMPARE(g_dispSet.m_scrollX, 3);  // halved toward zero
        QCOMPARE(g_dispSet.m_scrollY, -4);
        g_dispSet.m_scale = 0.0016;
        f.view.ZoomOut();
        QCOMPARE(g_dispSet.m_scale, 0.0008);
        f.view.ZoomOut();  // at or below 0.001: nothing
        QCOMPARE(g_dispSet.m_scale, 0.0008);
        QCOMPARE(g_dispSet.m_scrollX, 1);
        g_dispSet.m_scale = 0.001;
        f.view.ZoomOut();
        QCOMPARE(g_dispSet.m_scale, 0.001);
        // The wheel goes below it, keeping the point under the cursor.
        g_dispSet.m_scrollX = 0;
        g_dispSet.m_scrollY = 0;
        const QPoint at(321, 123);
        QPoint plotter = g_dispSet.ScreenToPlotter(at);
        f.Wheel(at, -120);
        QCOMPARE(g_dispSet.m_scale, 0.001 * 0.8);
        QCOMPARE(g_dispSet.PlotterToScreen(plotter), at);
        plotter = g_dispSet.ScreenToPlotter(at);
        f.Wheel(at, 120);
        QCOMPARE(g_dispSet.PlotterToScreen(plotter), at);
        f.Wheel(at, 120);
        QCOMPARE(g_dispSet.m_scale, 0.001 * 0.8 * 1.25 * 1.25);
        f.Wheel(at, 60);  // half a notch: no step yet
        QCOMPARE(g_dispSet.m_scale, 0.001 * 0.8 * 1.25 * 1.25);
        // Arrow keys move the picture 80 pixels their way.
        const int x = g_dispSet.m_scrollX, y = g_dispSet.m_scrollY;
        QTest::keyClick(&f.view, Qt::Key_Left);
        QCOMPARE(g_dispSet.m_scrollX, x + 80);
        QTest::keyClick(&f.view, Qt::Key_Right);
        QTest::keyClick(&f.view, Qt::Key_Right);
        QCOMPARE(g_dispSet.m_scrollX, x - 80);
        QTest::keyClick(&f.view, Qt::Key_Up);
        QCOMPARE(g_dispSet.m_scrollY, y + 80);
        QTest::keyClick(&f.view, Qt::Key_Down);
        QCOMPARE(g_dispSet.m_scrollY, y);
        // A fit puts the origin back.
        f.view.OnFitScreen();
        QCOMPARE(g_dispSet.m_scale, 0.005);
        QCOMPARE(g_dispSet.PlotterToScreen(0, 0), QPoint(50, 430));
    }

    void RightButtonPansOrOpensTheMenu()
    {
        Fixture f;
        f.Add(Strokes());
        QTest::mousePress(&f.view, Qt::RightButton, {}, QPoint(200, 200));
        QTest::mouseMove(&f.view, QPoint(230, 190));
        QTest::mouseRelease(&f.view, Qt::RightButton, {}, QPoint(230, 190));
        QCOMPARE(g_dispSet.m_scrollX, -30);
        QCOMPARE(g_dispSet.m_scrollY, 10);
        QVERIFY(f.view.findChildren<QMenu*>().isEmpty());

        QTest::mouseClick(&f.view, Qt::RightButton, {}, QPoint(300, 200));
        const QList<QMenu*> menus = f.view.findChildren<QMenu*>();
        QCOMPARE(menus.size(), 1);
        QStringList texts;
        for (QAction* a : menus[0]->actions())
            texts << a->text();
        // The design's four commands, then (ours) the printed-dots toggle.
        QCOMPARE(texts, QStringList({QStringLiteral("全选"), QStringLiteral("删除"), QStringLiteral("旋转90度"),
                                     QStringLiteral("图形平移至左下角"), QString(), QStringLiteral("打印点阵")}));
        menus[0]->actions()[0]->trigger();
        QCOMPARE(f.Selected(), std::vector<int>({1, 1, 1, 1}));
        menus[0]->close();
    }

    void ClickSelection()
    {
        Fixture f;
        f.Add(Strokes());
        const QPoint first = f.Screen(20000, 40000), second = f.Screen(20000, 32000);
        f.Click(first + QPoint(0, 3));  // within 4 pixels
        QCOMPARE(f.Selected(), std::vector<int>({1, 0, 0, 0}));
        f.Click(second);  // a plain click starts afresh
        QCOMPARE(f.Selected(), std::vector<int>({0, 1, 0, 0}));
        f.Click(first, Qt::ControlModifier);  // Ctrl adds
        QCOMPARE(f.Selected(), std::vector<int>({1, 1, 0, 0}));
        f.Click(second, Qt::ControlModifier);  // and toggles
        QCOMPARE(f.Selected(), std::vector<int>({1, 0, 0, 0}));
        f.Click(first + QPoint(0, 7), Qt::ControlModifier);  // out of reach: nothing
        QCOMPARE(f.Selected(), std::vector<int>({1, 0, 0, 0}));
        f.Click(first + QPoint(0, 7));  // nothing hit, all deselected
        QCOMPARE(f.Selected(), std::vector<int>({0, 0, 0, 0}));
        // The one-point curve cannot be hit, even right on it.
        f.Click(f.Screen(60000, 40000));
        QCOMPARE(f.Selected(), std::vector<int>({0, 0, 0, 0}));
        // The first curve in list order wins where two overlap.
        f.doc.GetPage(0)->m_curves[1]->m_points = {{10000, 40000}, {30000, 40000}};
        f.view.RedrawPreview();
        f.Click(first);
        QCOMPARE(f.Selected(), std::vector<int>({1, 0, 0, 0}));
    }

    void BoxSelection()
    {
        Fixture f;
        f.Add(Strokes());
        const QPoint a = f.Screen(10000, 40000), b = f.Screen(30000, 32000);
        // The box around the first two strokes, edges a pixel off the ends.
        f.Drag(a - QPoint(1, 1), b + QPoint(1, 1));
        QCOMPARE(f.Selected(), std::vector<int>({1, 1, 0, 0}));
        // A point on the right edge lies outside.
        f.Drag(a - QPoint(1, 1), b + QPoint(0, 1));
        QCOMPARE(f.Selected(), std::vector<int>({0, 0, 0, 0}));
        // With Ctrl a box adds to the selection.
        f.Click(f.Screen(20000, 24000));
        f.Drag(a - QPoint(1, 1), QPoint(b.x() + 1, a.y() + 11), Qt::ControlModifier);
        QCOMPARE(f.Selected(), std::vector<int>({1, 0, 1, 0}));
        // A box of exactly 10 pixels either way is a click where the button rose.
        const QPoint on = f.Screen(20000, 24000);
        f.Drag(on + QPoint(-5, -20), on + QPoint(5, 0));
        QCOMPARE(f.Selected(), std::vector<int>({0, 0, 1, 0}));
        f.Drag(on + QPoint(-30, -10), on, Qt::ControlModifier);
        QCOMPARE(f.Selected(), std::vector<int>({0, 0, 0, 0}));
        // 11 by 11 is a box (and holds the one-point curve).
        const QPoint single = f.Screen(60000, 40000);
        f.Drag(single - QPoint(5, 5), single + QPoint(6, 6));
        QCOMPARE(f.Selected(), std::vector<int>({0, 0, 0, 1}));
    }

    void HitTestReach()
    {
        // One pixel a unit: (x, y) shows at (x + 50, 370 - y).
        CDispSet ds;
        ds.m_scale = 1.0;
        auto hit = [&ds](const Points& points, int sx, int sy) {
            CCurve c;
            c.m_points = points;
            return HitTest(c, sx, sy, ds);
        };
        // Horizontal, (100, 200) to (200, 200): 4 pixels all round, the top
        // and left edges inside, the bottom and right ones outside.
        const Points flat = {{50, 170}, {150, 170}};
        QVERIFY(hit(flat, 150, 200));
        QVERIFY(hit(flat, 150, 196));
        QVERIFY(!hit(flat, 150, 195));
        QVERIFY(hit(flat, 150, 203));
        QVERIFY(!hit(flat, 150, 204));
        QVERIFY(hit(flat, 96, 200));
        QVERIFY(!hit(flat, 95, 200));
        QVERIFY(hit(flat, 203, 200));
        QVERIFY(!hit(flat, 204, 200));
        // The diagonal (100, 300) to (200, 200): its widened end reaches
        // 5.7 pixels past the end point along the axes.
        const Points diagonal = {{50, 70}, {150, 170}};
        QVERIFY(hit(diagonal, 150, 250));
        QVERIFY(hit(diagonal, 152, 252));   // 2.8 pixels off
        QVERIFY(!hit(diagonal, 154, 254));  // 5.7 pixels off
        QVERIFY(hit(diagonal, 200, 195));
        QVERIFY(hit(diagonal, 204, 200));
        QVERIFY(!hit(diagonal, 203, 196));
        // Two equal points make a square of 8 pixels; one point is nothing.
        QVERIFY(hit({{50, 170}, {50, 170}}, 96, 196));
        QVERIFY(hit({{50, 170}, {50, 170}}, 103, 203));
        QVERIFY(!hit({{50, 170}}, 100, 200));
        QVERIFY(!hit({}, 100, 200));
        CCurve empty;
        QVERIFY(IsInsideRect(empty, QRect(), ds));
    }

    void ContextCommandsAndKeys()
    {
        Fixture f;
        COnePage& job = f.Add({{{4000, 4000}, {8000, 4000}}, {{6000, 8000}, {6000, 12000}}, {{4000, 2000}}});
        QSignalSpy listChanged(&f.view, &CVexaView::ListChanged);
        f.view.OnSelectAll();
        QCOMPARE(f.Selected(), std::vector<int>({1, 1, 1}));
        job.m_curves[1]->m_selected = 0;
        f.view.OnDeleteSelected();
        QCOMPARE(job.m_curves.size(), size_t{1});
        QCOMPARE(job.m_minX, 6000);
        QCOMPARE(job.m_maxY, 12000);
        QCOMPARE(listChanged.count(), 0);  // the size column does not change here
        // Rotate: (x, y) becomes (maxY - y, x).
        f.view.OnRotate90();
        QCOMPARE(job.m_curves[0]->m_points, Points({{4000, 6000}, {0, 6000}}));
        QCOMPARE(listChanged.count(), 1);
        f.view.OnMoveToLowerLeft();
        QCOMPARE(job.m_curves[0]->m_points, Points({{4000, 0}, {0, 0}}));
        QCOMPARE(job.m_minX, 0);
        QCOMPARE(listChanged.count(), 2);
        // The curve moved under the view's index: a click finds it there.
        f.Click(f.Screen(2000, 0));
        QCOMPARE(f.Selected(), std::vector<int>({1}));
        // The Delete key acts when released.
        QTest::keyPress(&f.view, Qt::Key_Delete);
        QCOMPARE(job.m_curves.size(), size_t{1});
        QTest::keyRelease(&f.view, Qt::Key_Delete);
        QCOMPARE(job.m_curves.size(), size_t{0});
    }

    void CursorPosition()
    {
        Fixture f;
        f.Add(Strokes());
        QSignalSpy spy(&f.view, &CVexaView::CursorPosition);
        QMouseEvent move(QEvent::MouseMove, QPointF(51, 429), QPointF(f.view.mapToGlobal(QPoint(51, 429))),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&f.view, &move);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toInt(), 200);
        QCOMPARE(spy[0][1].toInt(), 200);
    }

    void SwathMarker()
    {
        Fixture f;
        QVERIFY(!f.view.SwathMarker());  // empty list
        f.Add(Strokes()).m_startAt = 10;
        f.Add(Strokes());
        g_plotProgress = 3;
        // One cartridge: 12.5 mm a swath.
        g_settings.m_headMode = 1;
        std::optional<SwathCorners> m = f.view.SwathMarker();
        QVERIFY(m);
        QCOMPARE(m->a, f.Screen(400 + 1500, 0));
        QCOMPARE(m->b, f.Screen(400 + 2000, 80000));
        // Two: 300 - overlap dots of 1/12 mm, truncated.
        g_settings.m_headMode = 0;
        g_settings.m_headOverlap = 2;
        m = f.view.SwathMarker();
        QCOMPARE(m->a, f.Screen(400 + 2980, 0));
        QCOMPARE(m->b, f.Screen(400 + 3973, 80000));
        QCOMPARE(SwathEndX(-1), 0);
        // Drawn over the picture until the next redraw.
        g_settings.m_headMode = 1;
        g_plotProgress = 40;  // 20000 .. 20500 plus the start: a stripe of 2.5 pixels
        f.view.DrawSwathMarker();
        QVERIFY(f.view.SwathMarkerShown());
        const QImage shown = f.view.grab().toImage();
        const QPoint corner = f.Screen(400 + 20000, 0);
        QCOMPARE(shown.pixelColor(corner.x(), corner.y() - 1), QColor(0, 200, 255));
        QCOMPARE(shown.pixelColor(corner.x(), 200), QColor(0, 200, 255));
        f.view.ZoomIn();
        QVERIFY(!f.view.SwathMarkerShown());
        // Only while the first job is shown.
        f.view.SetCurrentPage(1);
        QVERIFY(!f.view.SwathMarker());
        f.view.DrawSwathMarker();
        QVERIFY(!f.view.SwathMarkerShown());
    }

    void CurrentPageAndEmptyList()
    {
        Fixture f;
        g_dispSet.m_scale = 0.123;
        f.view.SetCurrentPage(2);  // empty: nothing but the index
        QCOMPARE(f.view.CurrentPage(), 0);
        QCOMPARE(g_dispSet.m_scale, 0.123);
        f.view.OnSelectAll();
        f.view.OnDeleteSelected();
        f.view.OnRotate90();
        f.view.OnMoveToLowerLeft();
        f.Drag(QPoint(10, 10), QPoint(300, 300));
        f.Click(QPoint(100, 100));
        f.view.DrawSwathMarker();
        QVERIFY(!f.view.SwathMarkerShown());
        const QImage black = f.view.Picture();
        QCOMPARE(black.size(), QSize(600, 460));
        QCOMPARE(black.pixelColor(50, 430), QColor(Qt::black));
        QCOMPARE(black.pixelColor(300, 200), QColor(Qt::black));

        f.Add(Strokes());
        f.Add(Strokes());
        f.view.SetCurrentPage(1);
        QCOMPARE(f.view.CurrentPage(), 1);
        f.view.SetCurrentPage(-3);
        QCOMPARE(f.view.CurrentPage(), 0);
        f.view.SetCurrentPage(1);
        f.view.SetCurrentPage(2);  // the count
        QCOMPARE(f.view.CurrentPage(), 0);
        // The paper outline in green, 4 pixels out; the curves in white.
        const QImage picture = f.view.Picture();
        QCOMPARE(picture.pixelColor(46, 433), QColor(0, 255, 0));
        QCOMPARE(picture.pixelColor(46, 434), QColor(Qt::black));
        QCOMPARE(picture.pixelColor(46, 300), QColor(0, 255, 0));
        QCOMPARE(picture.pixelColor(f.Screen(20000, 40000)), QColor(Qt::white));
        // A selected curve's squares: 6 pixels, from 3 before the point to 2 after.
        f.view.OnSelectAll();
        const QImage selected = f.view.Picture();
        const QPoint single = f.Screen(60000, 40000);
        for (int d = -3; d <= 2; ++d) {
            QCOMPARE(selected.pixelColor(single + QPoint(d, -3)), QColor(Qt::white));
            QCOMPARE(selected.pixelColor(single + QPoint(-3, d)), QColor(Qt::white));
            QCOMPARE(selected.pixelColor(single + QPoint(d, 2)), QColor(Qt::white));
            QCOMPARE(selected.pixelColor(single + QPoint(2, d)), QColor(Qt::white));
        }
        // A single point draws no line (the grid crosses here).
        QVERIFY(selected.pixelColor(single) != QColor(Qt::white));
        QVERIFY(selected.pixelColor(single + QPoint(3, 0)) != QColor(Qt::white));
        QVERIFY(selected.pixelColor(single + QPoint(-4, 0)) != QColor(Qt::white));
        // A page removed under the view: it falls back to the first job.
        f.view.SetCurrentPage(1);
        f.doc.RemovePage(1);
        f.view.RedrawPreview();
        QCOMPARE(f.view.Picture().pixelColor(f.Screen(20000, 40000)), QColor(Qt::white));
        QCOMPARE(f.view.CurrentPage(), 0);
    }
};
VEXA_UI_TEST(PreviewTest)

// The preview in the main window: its View menu command and the job list
// following the preview's changes; its texts in English.
class PreviewInWindowTest : public QObject {
    Q_OBJECT
private slots:
    void FitCommandAndListRefresh()
    {
        vexa::test::TempDir dir;
        const std::string appDir = g_settings.m_appDir, last = g_settings.m_lastTaskPath;
        const int pageWidth = g_settings.m_pageWidth;
        g_settings.m_appDir = dir.path().string() + "/";
        g_settings.m_lastTaskPath = g_settings.m_appDir + "Last.vxtask";
        g_settings.m_pageWidth = 2000;
        {
            CMainFrame frame;
            frame.show();
            frame.Doc().AddPage(Job({{{0, 0}, {8000, 0}, {8000, 4000}}}));  // 200 x 100 mm
            frame.ListView()->RefreshList();
            frame.Preview()->SetCurrentPage(0);
            auto sizes = [&] {
                QStringList cells;
                for (int c = 0; c < frame.ListView()->columnCount(); ++c)
                    if (const QTableWidgetItem* item = frame.ListView()->item(0, c))
                        cells << item->text();
                return cells;
            };
            QVERIFY(sizes().contains(QStringLiteral("200mm*100mm")));
            frame.Preview()->OnRotate90();
            QVERIFY(sizes().contains(QStringLiteral("100mm*200mm")));

            QAction* fit = frame.Action(1024);
            QVERIFY(fit);
            QCOMPARE(fit->text(), QStringLiteral("适合屏幕"));
            bool inViewMenu = false;
            for (QAction* menu : frame.menuBar()->actions())
                if (menu->menu() && menu->menu()->actions().contains(fit))
                    inViewMenu = menu->menu()->actions().contains(frame.Action(1022));
            QVERIFY(inViewMenu);
            const double fitted = g_dispSet.m_scale;
            frame.Preview()->ZoomIn();
            g_dispSet.m_scrollX = 33;
            fit->trigger();
            QCOMPARE(g_dispSet.m_scale, fitted);
            QCOMPARE(g_dispSet.m_scrollX, 0);
        }
        g_settings.m_appDir = appDir;
        g_settings.m_lastTaskPath = last;
        g_settings.m_pageWidth = pageWidth;
    }

    void EnglishTexts()
    {
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/i18n/preview_en.qm")));
        QCoreApplication::installTranslator(&translator);
        CVexaDoc doc;
        CVexaView view(doc);
        std::unique_ptr<QMenu> menu(view.CreateContextMenu(nullptr));
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << a->text();
        QCOMPARE(texts, QStringList({QStringLiteral("Select All"), QStringLiteral("Delete"),
                                     QStringLiteral("Rotate by 90 Degrees"),
                                     QStringLiteral("Move Graphic to Lower Left"), QString(),
                                     QStringLiteral("Printed Dots")}));
        QCOMPARE(CVexaView::FitScreenText(), QStringLiteral("Fit to Screen"));
        QCoreApplication::removeTranslator(&translator);
    }
};
VEXA_UI_TEST(PreviewInWindowTest)

#include "preview_test.moc"
