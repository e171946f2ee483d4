// The preview showing the dots the plotter will print: what it draws is what
// the swath builder reads back from the streams (which is what the
// controller prints), placed on the paper as printed.
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <cmath>
#include <memory>

#include "app/settings.h"
#include "hpgl/hpgl_import.h"
#include "model/vexa_doc.h"
#include "raster/printed_dots.h"
#include "raster/swath_builder.h"
#include "tests/ui/machine_state_guard.h"
#include "tests/ui/ui_test.h"
#include "ui/disp_set.h"
#include "ui/main_frame.h"
#include "ui/vexa_view.h"

namespace {
// The settings these tests change, put back afterwards.
struct SettingsBack {
    vexa::ui_test::MachineStateGuard machine;
    CDispSet disp = g_dispSet;
    int pageWidth = g_settings.m_pageWidth, lineWidth = g_settings.m_lineWidth, autoClean = g_settings.m_autoClean,
        xScale = g_settings.m_xScale;
    ~SettingsBack()
    {
        g_dispSet = disp;
        g_settings.m_pageWidth = pageWidth;
        g_settings.m_lineWidth = lineWidth;
        g_settings.m_autoClean = autoClean;
        g_settings.m_xScale = xScale;
    }
};

// One job of a file shown in a view of the given size.
struct Shown {
    CVexaDoc doc;
    CVexaView view{doc};
    Shown(const char* path, int width, int height, int startAtMm = 0)
    {
        HpglImport imported = ImportHpglFile(path);
        if (!imported.page)
            return;
        imported.page->m_startAt = startAtMm;
        doc.AddPage(std::move(imported.page));
        view.resize(width, height);
        view.SetCurrentPage(0);
    }
};

bool AllShown(CVexaView& view)
{
    view.Picture();
    return view.PrintedDotsState().isEmpty();
}

void SaveShot(const QImage& image, const QString& name)
{
    const QByteArray dir = qgetenv("VEXA_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    image.save(QString::fromLocal8Bit(dir) + QStringLiteral("/preview-%1.png").arg(name));
}
}  // namespace

class PrintedDotsViewTest : public QObject {
    Q_OBJECT
private slots:
    // Zoomed in to four pixels a dot on a job with a wide line, a purge
    // pattern, a start position and a scale correction: every pixel well
    // inside a dot is white exactly when that dot prints.
    void DotForDotAsTheBuilderReadsThemBack()
    {
        SettingsBack back;
        g_settings.m_pageWidth = 1000;
        g_settings.m_lineWidth = 2;
        g_settings.m_autoClean = 1;
        g_settings.m_xScale = 10050;
        g_settings.m_headMode = 0;
        g_settings.m_headOverlap = 7;
        Shown shown(VEXA_SOURCE_DIR "/examples/small_labels.plt", 700, 400, 5);
        CVexaDoc& doc = shown.doc;
        CVexaView& view = shown.view;
        QCOMPARE(doc.GetPageCount(), 1);
        view.SetPrintedDotsShown(true);

        // The job as the job start prepares it, built here on its own.
        std::string refusal;
        const auto job = vexa::CSwathJob::Prepare(*doc.GetPage(0), vexa::SwathSettings::Current(), refusal);
        QVERIFY2(job, refusal.c_str());
        const int lw = job->Settings().lineWidth, w = job->SwathWidth();
        const double unitsPerRow = 40.0 * 25.4 / job->Settings().Dpi();

        // Four pixels a dot, scrolled to where the first curve begins on the paper.
        const double pixelsPerDot = 4.0;
        g_dispSet.m_scale = pixelsPerDot * 12.0 / 40.0;
        const CPoint start = job->Page().m_curves.front()->m_points.front();
        const QPoint middle = g_dispSet.PlotterToScreen(start.x, start.y);
        g_dispSet.m_scrollX += middle.x() - view.width() / 2;
        g_dispSet.m_scrollY += middle.y() - view.height() / 2;
        view.RedrawPreview();
        QTRY_VERIFY_WITH_TIMEOUT(AllShown(view), 30000);
        const QImage picture = view.Picture();
        SaveShot(picture, QStringLiteral("printed-dots-zoomed"));

        vexa::CSwathBuilder builder(job);
        int built = -1;
        const double pixelsPerRow = g_dispSet.m_scale * unitsPerRow;
        int inked = 0, blank = 0;
        for (int sy = 0; sy < picture.height(); ++sy) {
            for (int sx = 0; sx < picture.width(); ++sx) {
                // The dot under the pixel's centre, by the transform of the design.
                const double x = ((sx + 0.5) - 50.0 + g_dispSet.m_scrollX) / g_dispSet.m_scale;
                const double y = (g_dispSet.m_viewHeight - 30.0 - g_dispSet.m_scrollY - (sy + 0.5)) / g_dispSet.m_scale;
                const double dotX = x * 12.0 / 40.0 + lw, row = y / unitsPerRow + lw;
                const double fx = dotX - std::floor(dotX), fy = row - std::floor(row);
                // Near a dot's edge the pixel may go either way.
                if (std::min(fx, 1 - fx) * pixelsPerDot < 0.6 || std::min(fy, 1 - fy) * pixelsPerRow < 0.6)
                    continue;
                const long long X = static_cast<long long>(std::floor(dotX));
                const int r = static_cast<int>(std::floor(row));
                bool ink = false;
                if (X >= 0 && X < static_cast<long long>(job->SwathCount()) * w && r >= 0 && r < job->Rows()) {
                    const int n = static_cast<int>(X / w);
                    if (n != built) {
                        QCOMPARE(QString::fromStdString(builder.BuildPrinted(n)), QString());
                        built = n;
                    }
                    ink = builder.Printed().At(static_cast<int>(X % w), r);
                }
                const bool white = picture.pixel(sx, sy) == qRgb(255, 255, 255);
                if (white != ink)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: dot %3 row %4 %5")
                                         .arg(sx)
                                         .arg(sy)
                                         .arg(X)
                                         .arg(r)
                                         .arg(ink ? "prints" : "does not print")));
                (ink ? inked : blank)++;
            }
        }
        QVERIFY2(inked > 500, qPrintable(QString::number(inked)));
        QVERIFY(blank > 2000);
    }

    // Fitted, the dots are reduced: they lie on the paper as printed, which
    // starts with the purge pattern, and the state line says how far the
    // building has come until every swath in view is shown.
    void FittedWithProgressAndPurgePattern()
    {
        SettingsBack back;
        g_settings.m_pageWidth = 1000;
        g_settings.m_autoClean = 1;
        Shown shown(VEXA_SOURCE_DIR "/examples/two_frames.plt", 900, 400);
        CVexaView& view = shown.view;
        QCOMPARE(shown.doc.GetPageCount(), 1);
        const QImage curves = view.Picture();
        view.SetPrintedDotsShown(true);
        QVERIFY(view.PrintedDotsShown());
        QTRY_VERIFY_WITH_TIMEOUT(AllShown(view), 30000);
        const QImage dots = view.Picture();
        SaveShot(dots, QStringLiteral("printed-dots-fit"));
        // The purge pattern's bands print in the first 1000 units along the
        // paper and 8000 across it, where the job's curves were drawn, which
        // move right by as much.
        const QPoint lo = g_dispSet.PlotterToScreen(0, 0), hi = g_dispSet.PlotterToScreen(1000, 8000);
        int purge = 0, curvesThere = 0, area = 0;
        for (int y = hi.y() + 1; y < lo.y(); ++y)
            for (int x = lo.x() + 1; x < hi.x(); ++x) {
                ++area;
                purge += dots.pixel(x, y) == qRgb(255, 255, 255);
                curvesThere += curves.pixel(x, y) == qRgb(255, 255, 255);
            }
        QVERIFY(area > 100);
        QVERIFY2(purge > area * 9 / 10, qPrintable(QStringLiteral("%1 of %2").arg(purge).arg(area)));
        QVERIFY2(curvesThere < area / 5, qPrintable(QStringLiteral("%1 of %2").arg(curvesThere).arg(area)));

        // Back to the curves: the same picture as before.
        view.SetPrintedDotsShown(false);
        QCOMPARE(view.Picture(), curves);
        QVERIFY(view.PrintedDotsState().isEmpty());

        // An edit in the view, and a setting changed elsewhere (as the
        // controller's block does at connection), each give new dots; a pan
        // keeps them.
        view.SetPrintedDotsShown(true);
        QTRY_VERIFY_WITH_TIMEOUT(AllShown(view), 30000);
        const auto built = view.PrintedDots()->Job();
        view.OnPanRight();
        view.Picture();
        QCOMPARE(view.PrintedDots()->Job(), built);
        view.OnRotate90();
        view.Picture();
        QVERIFY(view.PrintedDots()->Job() != built);
        QTRY_VERIFY_WITH_TIMEOUT(AllShown(view), 30000);
        const auto rotated = view.PrintedDots()->Job();
        g_settings.m_lineWidth = g_settings.m_lineWidth == 1 ? 2 : 1;
        view.OnPanLeft();  // the next redraw, whatever asked for it
        view.Picture();
        QVERIFY(view.PrintedDots()->Job() != rotated);
    }

    // A job the machine cannot print says why instead of dots.
    void RefusedJobSaysWhy()
    {
        SettingsBack back;
        int machineLength = g_settings.m_machineLength;
        g_settings.m_machineLength = 100;
        Shown shown(VEXA_SOURCE_DIR "/examples/two_frames.plt", 600, 300);
        CVexaView& view = shown.view;
        QCOMPARE(shown.doc.GetPageCount(), 1);
        view.SetPrintedDotsShown(true);
        view.Picture();
        QTRY_VERIFY_WITH_TIMEOUT(!view.PrintedDots()->Preparing(), 30000);
        view.RedrawPreview();
        view.Picture();
        QCOMPARE(view.PrintedDotsState(), QString::fromStdString(view.PrintedDots()->Refusal()));
        QVERIFY(!view.PrintedDotsState().isEmpty());
        g_settings.m_machineLength = machineLength;
    }

    // On the 20 m marker the first picture comes before the job is even
    // prepared: the window never waits for the dots.
    void LargeMarkerNeverWaits()
    {
        const std::string path = VEXA_BINARY_DIR "/examples/marker_20m.plt";
        if (!QFile::exists(QString::fromStdString(path)))
            QSKIP("marker_20m.plt not built");
        SettingsBack back;
        g_settings.m_pageWidth = 2000;
        CVexaDoc doc;
        HpglImport imported = ImportHpglFile(path);
        QVERIFY(imported.page);
        doc.AddPage(std::move(imported.page));
        CVexaView view(doc);
        view.resize(1000, 400);
        view.SetCurrentPage(0);
        view.SetPrintedDotsShown(true);
        view.Picture();
        QVERIFY(!view.PrintedDotsState().isEmpty());
        // Destroyed while it builds: the builders stop.
    }

    // The toggle is one state: the View menu's and the toolbar's action, and
    // the preview's context menu.
    void ToggledFromMenuToolbarAndContextMenu()
    {
        SettingsBack back;
        vexa::ui_test::CapturingSink sink;
        CMainFrame frame;
        QAction* action = frame.Action(1100);
        QVERIFY(action && action->isCheckable());
        QVERIFY(!frame.Preview()->PrintedDotsShown());
        action->trigger();
        QVERIFY(frame.Preview()->PrintedDotsShown());
        std::unique_ptr<QMenu> menu(frame.Preview()->CreateContextMenu(nullptr));
        QAction* inMenu = menu->actions().last();
        QCOMPARE(inMenu->text(), CVexaView::PrintedDotsText());
        QVERIFY(inMenu->isChecked());
        inMenu->trigger();
        QVERIFY(!frame.Preview()->PrintedDotsShown());
        QVERIFY(!action->isChecked());
        bool inViewMenu = false;
        for (QAction* a : frame.menuBar()->actions())
            if (a->menu() && a->menu()->actions().contains(action))
                inViewMenu = true;
        QVERIFY(inViewMenu);
        QVERIFY(sink.messages.isEmpty());
    }
};
VEXA_UI_TEST(PrintedDotsViewTest)

#include "printed_dots_view_test.moc"
