// The preview of the sample markers as the operator sees it: fitted, zoomed
// in with a selection, and with the swath marker while printing. With
// VEXA_SHOTS_DIR set the pictures are saved there as PNG files.
#include <QDir>
#include <memory>

#include "app/settings.h"
#include "device/link_state.h"
#include "hpgl/hpgl_import.h"
#include "model/vexa_doc.h"
#include "tests/ui/machine_state_guard.h"
#include "tests/ui/ui_test.h"
#include "ui/disp_set.h"
#include "ui/vexa_view.h"

namespace {
struct Pictures {
    vexa::ui_test::MachineStateGuard machine;
    int pageWidth = g_settings.m_pageWidth;
    CDispSet disp = g_dispSet;
    CVexaDoc doc;
    CVexaView view{doc};
    QString name;

    Pictures(const std::string& path, int paperMm, const QString& shotName) : name(shotName)
    {
        g_settings.m_pageWidth = paperMm;
        HpglImport imported = ImportHpglFile(path);
        if (imported.page)
            doc.AddPage(std::move(imported.page));
        view.resize(1200, 600);
        view.show();
        view.SetCurrentPage(0);
    }
    ~Pictures()
    {
        g_settings.m_pageWidth = pageWidth;
        g_dispSet = disp;
    }
    QImage Shot(const QString& what)
    {
        const QImage image = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QByteArray dir = qgetenv("VEXA_SHOTS_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(dir));
            image.save(QString::fromLocal8Bit(dir) + QStringLiteral("/preview-%1-%2.png").arg(name, what));
        }
        return image;
    }
    // Pixels of a colour, and whether all of them lie in a rectangle.
    static int Count(const QImage& image, QRgb colour, const QRect& within, bool& allWithin)
    {
        int n = 0;
        allWithin = true;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == colour) {
                    ++n;
                    allWithin = allWithin && within.contains(x, y);
                }
        return n;
    }
};

void Look(const std::string& path, int paperMm, const QString& name)
{
    Pictures p(path, paperMm, name);
    QCOMPARE(p.doc.GetPageCount(), 1);
    const COnePage& job = *p.doc.GetPage(0);
    // Fitted: the curves in white, all inside the job's extents.
    const QPoint lo = g_dispSet.PlotterToScreen(job.m_minX, job.m_minY);
    const QPoint hi = g_dispSet.PlotterToScreen(job.m_maxX, job.m_maxY);
    const QRect extents = QRect(QPoint(lo.x(), hi.y()), QPoint(hi.x(), lo.y()));
    bool inside = false;
    const int fitted = Pictures::Count(p.Shot(QStringLiteral("fit")), qRgb(255, 255, 255), extents, inside);
    QVERIFY(fitted > 500);
    QVERIFY(inside);

    // Zoomed in on the middle, the left half selected by a box: squares.
    p.view.ZoomIn();
    const QPoint middle = g_dispSet.PlotterToScreen((job.m_minX + job.m_maxX) / 2, (job.m_minY + job.m_maxY) / 2);
    g_dispSet.m_scrollX += middle.x() - p.view.width() / 2;
    g_dispSet.m_scrollY += middle.y() - p.view.height() / 2;
    const QImage zoomed = p.view.Picture();
    QTest::mousePress(&p.view, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(&p.view, QPoint(p.view.width() / 2, p.view.height() - 20));
    QTest::mouseRelease(&p.view, Qt::LeftButton, {}, QPoint(p.view.width() / 2, p.view.height() - 20));
    int selected = 0;
    for (const auto& c : job.m_curves)
        selected += c->m_selected;
    QVERIFY(selected > 0);
    const QImage marked = p.Shot(QStringLiteral("zoomed-selection"));
    const QRect all(QPoint(0, 0), marked.size());
    QVERIFY(Pictures::Count(marked, qRgb(255, 255, 255), all, inside) >
            Pictures::Count(zoomed, qRgb(255, 255, 255), all, inside));

    // Printing the first job: the swath marker over the fitted picture.
    p.view.OnFitScreen();
    g_settings.m_headMode = 0;
    g_settings.m_headOverlap = 2;
    g_plotProgress = 12;
    p.view.DrawSwathMarker();
    QVERIFY(Pictures::Count(p.Shot(QStringLiteral("printing")), qRgb(0, 200, 255), all, inside) > 100);
}
}  // namespace

class PreviewPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void SmallMarker() { Look(VEXA_SOURCE_DIR "/examples/small_labels.plt", 1000, QStringLiteral("small")); }

    void LargeMarker()
    {
        const std::string path = VEXA_BINARY_DIR "/examples/marker_20m.plt";
        if (!QFile::exists(QString::fromStdString(path)))
            QSKIP("marker_20m.plt not built");
        Look(path, 2000, QStringLiteral("20m"));
    }
};
VEXA_UI_TEST(PreviewPicturesTest)

#include "preview_pictures_test.moc"
