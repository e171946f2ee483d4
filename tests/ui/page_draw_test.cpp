// The preview's fast drawing and search against the plain ones. A curve is
// drawn through its points in view pixels, a point on the pixel of the one
// before left out; culling, collapsing what lies beyond the view and the index
// must not change a pixel or an answer.
#include <QPainter>
#include <memory>
#include <random>
#include <vector>

#include "model/one_page.h"
#include "tests/ui/ui_test.h"
#include "ui/disp_set.h"
#include "ui/page_draw.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Curves of 1 to 40 points: short strokes, points repeated, long lines
// leaving the view, about one in five selected.
std::unique_ptr<COnePage> RandomJob(unsigned seed, int curves)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(-20000, 120000), step(-3000, 3000), count(1, 40), pick(0, 9);
    auto page = std::make_unique<COnePage>();
    for (int i = 0; i < curves; ++i) {
        auto c = std::make_unique<CCurve>();
        CPoint p{coord(rng), coord(rng)};
        const int n = count(rng);
        const bool longLines = pick(rng) == 0;
        for (int k = 0; k < n; ++k) {
            c->m_points.push_back(p);
            if (longLines)
                p = {coord(rng), coord(rng)};
            else if (pick(rng) > 2)  // else the same point again
                p = {p.x + step(rng) / (1 + pick(rng)), p.y + step(rng) / (1 + pick(rng))};
        }
        c->m_selected = pick(rng) < 2 ? 1 : 0;
        page->AddCurve(std::move(c));
    }
    page->ComputeExtents();
    return page;
}

QImage Blank()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// Every curve whole and every square.
QImage PlainPicture(const COnePage& page, const CDispSet& ds)
{
    QImage image = Blank();
    QPainter painter(&image);
    painter.setPen(QPen(ds.m_curveColor, 0));
    for (const auto& c : page.m_curves) {
        std::vector<QPoint> s, merged;
        for (const CPoint& p : c->m_points) {
            s.push_back(ds.PlotterToScreen(p.x, p.y));
            if (merged.empty() || merged.back() != s.back())
                merged.push_back(s.back());
        }
        if (merged.size() >= 2)
            painter.drawPolyline(merged.data(), static_cast<int>(merged.size()));
        if (!c->m_selected)
            continue;
        for (const QPoint& q : s)
            painter.drawRect(q.x() - 3, q.y() - 3, 5, 5);
        for (size_t i = 1; i < c->m_points.size(); ++i) {
            const CPoint a = c->m_points[i - 1], b = c->m_points[i];
            const QPoint m = ds.PlotterToScreen((a.x + b.x) / 2, (a.y + b.y) / 2);
            painter.drawRect(m.x() - 3, m.y() - 3, 5, 5);
        }
    }
    return image;
}

QImage FastPicture(CPagePainter& painter, const COnePage& page, const CDispSet& ds)
{
    QImage image = Blank();
    QPainter p(&image);
    painter.Draw(p, page, ds, image.rect());
    return image;
}

// Views of the random jobs: the whole, zoomed in, panned, and so far in that
// lines reach millions of pixels out.
std::vector<CDispSet> Views()
{
    std::vector<CDispSet> views;
    const double scales[] = {0.0005, 0.002, 0.01, 0.05, 0.4, 60.0};
    const int scrolls[][2] = {{0, 0}, {150, -120}, {-70, 40}, {600, -500}};
    for (double s : scales)
        for (const auto& sc : scrolls) {
            CDispSet ds;
            ds.m_scale = s;
            ds.m_viewHeight = kHeight;
            ds.m_scrollX = static_cast<int>(sc[0] * s / 0.002);
            ds.m_scrollY = static_cast<int>(sc[1] * s / 0.002);
            views.push_back(ds);
        }
    return views;
}
}  // namespace

class PageDrawTest : public QObject {
    Q_OBJECT
private slots:
    void FastDrawingEqualsDrawingEverything()
    {
        CPagePainter painter;
        for (unsigned seed = 1; seed <= 3; ++seed) {
            const std::unique_ptr<COnePage> page = RandomJob(seed, 300);
            for (const CDispSet& ds : Views()) {
                const QImage fast = FastPicture(painter, *page, ds);
                const QImage plain = PlainPicture(*page, ds);
                if (fast != plain) {
                    fast.save(QStringLiteral("/tmp/page_draw_fast.png"));
                    plain.save(QStringLiteral("/tmp/page_draw_plain.png"));
                }
                QVERIFY2(fast == plain, qPrintable(QStringLiteral("seed %1, scale %2, scroll %3,%4")
                                                       .arg(seed)
                                                       .arg(ds.m_scale)
                                                       .arg(ds.m_scrollX)
                                                       .arg(ds.m_scrollY)));
            }
        }
    }

    void IndexAnswersAsTheLinearSearch()
    {
        CPagePainter painter;
        const std::unique_ptr<COnePage> page = RandomJob(7, 400);
        std::mt19937 rng(11);
        std::uniform_int_distribution<int> x(-20, kWidth + 20), y(-20, kHeight + 20);
        int hits = 0;
        for (const CDispSet& ds : Views()) {
            for (int k = 0; k < 60; ++k) {
                const int sx = x(rng), sy = y(rng);
                int expected = -1;
                for (size_t i = 0; i < page->m_curves.size() && expected < 0; ++i)
                    if (HitTest(*page->m_curves[i], sx, sy, ds))
                        expected = static_cast<int>(i);
                QCOMPARE(painter.HitCurve(*page, sx, sy, ds), expected);
                hits += expected >= 0;
            }
            for (int k = 0; k < 10; ++k) {
                const QRect box = QRect(QPoint(x(rng), y(rng)), QPoint(x(rng), y(rng))).normalized();
                std::vector<int> expected;
                for (size_t i = 0; i < page->m_curves.size(); ++i)
                    if (IsInsideRect(*page->m_curves[i], box, ds))
                        expected.push_back(static_cast<int>(i));
                QCOMPARE(painter.CurvesInside(*page, box, ds), expected);
            }
        }
        QVERIFY(hits > 50);  // the search was tried where there is something to find
    }

    void IndexFollowsTheJob()
    {
        CPagePainter painter;
        std::unique_ptr<COnePage> page = RandomJob(5, 50);
        CDispSet ds;
        ds.m_scale = 0.002;
        ds.m_viewHeight = kHeight;
        painter.HitCurve(*page, 10, 10, ds);
        const int built = painter.Index().Rebuilds();
        painter.HitCurve(*page, 20, 20, ds);
        QCOMPARE(painter.Index().Rebuilds(), built);  // nothing changed
        // Edits by others show in the curves the index samples: a rotation,
        // a curve removed, another job in the same place.
        page->Rotate90();
        const CCurve& first = *page->m_curves[0];
        const QPoint on = ds.PlotterToScreen(first.m_points[0].x, first.m_points[0].y);
        page->m_curves[0]->m_points.push_back(first.m_points[0]);
        QCOMPARE(painter.HitCurve(*page, on.x(), on.y(), ds), 0);
        QCOMPARE(painter.Index().Rebuilds(), built + 1);
        page->m_curves.pop_back();
        painter.HitCurve(*page, 0, 0, ds);
        QCOMPARE(painter.Index().Rebuilds(), built + 2);
        painter.Index().Invalidate();
        painter.HitCurve(*page, 0, 0, ds);
        QCOMPARE(painter.Index().Rebuilds(), built + 3);
    }

    void FirstCurveInListOrderWins()
    {
        // A short stroke first, then a line across the whole job, which the
        // index keeps apart from its grid, both through the click; single
        // points all over make the grid fine.
        COnePage page;
        auto add = [&page](std::vector<CPoint> points) {
            auto c = std::make_unique<CCurve>();
            c->m_points = std::move(points);
            page.AddCurve(std::move(c));
        };
        add({{49000, 49000}, {51000, 51000}});
        add({{0, 0}, {100000, 100000}});
        for (int i = 0; i < 2000; ++i)
            add({{(i % 45) * 2270, (i / 45) * 2270}});
        CDispSet ds;
        ds.m_scale = 0.01;
        ds.m_viewHeight = kHeight;
        const QPoint p = ds.PlotterToScreen(50000, 50000);
        CPagePainter painter;
        QCOMPARE(painter.HitCurve(page, p.x(), p.y(), ds), 0);
        page.m_curves[0]->m_points = {{50000, 50000}};
        QCOMPARE(painter.HitCurve(page, p.x(), p.y(), ds), 1);
    }

    void FarCoordinatesStillDraw()
    {
        // Zoomed in so far that the ends lie millions of pixels out.
        COnePage page;
        auto c = std::make_unique<CCurve>();
        c->m_points = {{-2000000000, 10}, {2000000000, 10}};
        c->m_selected = 1;
        page.AddCurve(std::move(c));
        CDispSet ds;
        ds.m_scale = 10.0;
        ds.m_viewHeight = kHeight;
        ds.m_scrollX = -kWidth / 2 + 50;
        CPagePainter painter;
        const QImage image = FastPicture(painter, page, ds);
        const int y = ds.PlotterToScreen(0, 10).y();
        QCOMPARE(image.pixelColor(kWidth / 2, y), QColor(Qt::white));
        QVERIFY(painter.HitCurve(page, kWidth / 2, y + 2, ds) == 0);
        QVERIFY(painter.HitCurve(page, kWidth / 2, y + 8, ds) == -1);
        // A scale that cannot be inverted finds nothing and draws nothing, without harm.
        ds.m_scale = 0.0;
        QCOMPARE(painter.HitCurve(page, 0, 0, ds), -1);
        FastPicture(painter, page, ds);
    }
};
VEXA_UI_TEST(PageDrawTest)

#include "page_draw_test.moc"
