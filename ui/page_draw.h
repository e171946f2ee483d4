#pragma once
// How the preview draws a job and finds its curves under the mouse, all
// through the transform of a CDispSet. Everything here is pure drawing and
// geometry on the engine's pages; the widget is CVexaView.
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

class CCurve;
class COnePage;
class CDispSet;
class QImage;
class QPainter;
namespace vexa {
class CPrintedDots;
class CSwathJob;
}  // namespace vexa

// --- One curve ------------------------------------------------------------

// Every point, in view pixels, lies in rc (QRect::contains: rc's width and
// height count pixels, so a point on the edge one past them is outside).
// True for a curve without points.
bool IsInsideRect(const CCurve& curve, const QRect& rc, const CDispSet& ds);
// The view point lies within 4 pixels of one of the segments, or of their
// ends prolonged by 4 pixels. A curve with one point is never hit.
bool HitTest(const CCurve& curve, int sx, int sy, const CDispSet& ds);

// --- Paper, ruler and grid ------------------------------------------------

// One ruler label: its text and the top left corner of the text.
struct RulerLabel {
    QPoint pos;
    QString text;
};
// The labels across the paper (000 to the paper width, one each step) and
// along the job (from 000, every second step up to maxX), in that order.
// With a clip rectangle only those near it; labels closer together than a
// pixel are thinned to one a pixel.
std::vector<RulerLabel> RulerLabels(const CDispSet& ds, int maxX, int pageWidthMm, const QRect& clip = QRect());
// The paper outline (X from 0 to maxX, Y across the paper width, 4 pixels
// larger on every side), the grid and the ruler labels, restricted to clip.
void DrawPaperAndRuler(QPainter& painter, const CDispSet& ds, int maxX, int pageWidthMm, const QRect& clip);

// The outline of the rectangle primitive from corner (l, t) to (r, b): the
// pixels from the smaller to one before the larger coordinate, as a window
// system's rectangle with a one-pixel pen. Safe for coordinates far outside
// the image.
void DrawOutline(QPainter& painter, int l, int t, int r, int b);

// --- Swath marker -----------------------------------------------------------

// End of swath a along X in plotter units, from the start of the job.
int SwathEndX(long long a);
// The marker of swath n, the progress the controller last reported, of a job
// starting at startAtMm: the corners handed to the rectangle primitive.
struct SwathCorners {
    QPoint a;  // PlotterToScreen(x0, 0), x0 the end of swath n - 1
    QPoint b;  // PlotterToScreen(x1, paper width), x1 the end of swath n
};
SwathCorners SwathMarkerCorners(const CDispSet& ds, int progress, int startAtMm, int pageWidthMm);

// --- Printed dots ---------------------------------------------------------------

// Where the printed dots of a job lie in the view. Dots are placed on the
// paper as the swath builder puts the curves of the plot page (the job with
// scale correction, purge pattern and start position applied): dot X (over
// all swaths) at (X - line width) * 40 / 12 plotter units along the feed,
// row r at (r - line width) * 40 * 25.4 / dpi across the paper.
class CDotsPlacement {
public:
    CDotsPlacement(const vexa::CSwathJob& job, const CDispSet& ds);
    // View coordinates of the lower-left corner of dot X, row r (fractional).
    double ScreenX(double dotX) const;
    double ScreenY(double row) const;
    // The dot and row whose square holds the view point (fractional).
    double DotX(double sx) const;
    double Row(double sy) const;
    // The swaths with a dot between view columns 0 and width, clamped to the
    // job; last < first when none.
    void VisibleSwaths(int width, int& first, int& last) const;
    // The reduction for the view's scale: 2^level dots to a block, the
    // smallest that makes a block at least a view pixel wide.
    int Level() const;

private:
    const CDispSet& m_ds;
    int m_lineWidth;
    int m_swathWidth;
    int m_swaths;
    double m_unitsPerRow;
};
// The dots of the swaths in view whose tiles at the placement's level are
// ready, as pixels of colour in image (32 bits a pixel). Returns how many
// swaths in view had no tile yet.
int DrawPrintedDots(QImage& image, const vexa::CPrintedDots& dots, const vexa::CSwathJob& job, const CDispSet& ds,
                    uint32_t colour);

// --- The whole job, fast ----------------------------------------------------

// The curves of one job by area, so that a redraw and a click look only at
// the curves near the view. Boxes come from the points themselves, not from
// the curves' extents, which edits do not maintain.
class CPageIndex {
public:
    struct Box {
        int minX, minY, maxX, maxY;  // empty when minX > maxX
    };
    // Rebuilds when the job is another one or its curves changed in a way a
    // cheap look shows (count, extents, the ends of a sample of curves), or
    // after Invalidate. True when it rebuilt.
    bool Sync(const COnePage& page);
    // The caller changed the job's curves: rebuild at the next Sync.
    void Invalidate() { m_valid = false; }
    // Appends to out the curves whose box meets the plotter rectangle
    // (inclusive), in list order.
    void Query(int64_t x0, int64_t y0, int64_t x1, int64_t y1, std::vector<int>& out);
    const Box& BoxOf(int curve) const { return m_boxes[static_cast<size_t>(curve)]; }
    int CurveCount() const { return static_cast<int>(m_boxes.size()); }
    int Rebuilds() const { return m_rebuilds; }

private:
    struct Key {
        const COnePage* page = nullptr;
        size_t curves = 0;
        int minX = 0, maxX = 0, minY = 0, maxY = 0;
        uint64_t sample = 0;
        bool operator==(const Key&) const = default;
    };
    static Key KeyOf(const COnePage& page);
    void Build(const COnePage& page);
    int CellX(int64_t x) const;
    int CellY(int64_t y) const;

    bool m_valid = false;
    Key m_key;
    int m_rebuilds = 0;
    std::vector<Box> m_boxes;
    // The grid over the job's box: cell (i, j) lists the curves whose box
    // meets it, in m_entries[m_start[c] .. m_start[c + 1]). Curves spanning
    // many cells are kept apart in m_large and always looked at.
    int64_t m_gridX = 0, m_gridY = 0, m_cellW = 1, m_cellH = 1;
    int m_nx = 0, m_ny = 0;
    std::vector<uint32_t> m_start;
    std::vector<int> m_entries;
    std::vector<int> m_large;
    // Marks curves already taken by the running query.
    std::vector<uint32_t> m_mark;
    uint32_t m_markValue = 0;
};

// Draws jobs and hit-tests them with the index, keeping its buffers between
// redraws. A curve is drawn through its points in view pixels, a point on the
// pixel of the one before left out (a curve within one pixel draws nothing).
// Only curves whose box reaches the clip rectangle are drawn, and runs of
// points beyond one side of it collapse into one segment: that changes no
// pixel.
class CPagePainter {
public:
    // Every curve: a solid line of one pixel in the curve colour through its
    // points; a selected curve also gets 6-pixel squares around its points
    // and the midpoints of its segments.
    void Draw(QPainter& painter, const COnePage& page, const CDispSet& ds, const QRect& clip);
    // The first curve in list order that HitTest finds at the view point, or -1.
    int HitCurve(const COnePage& page, int sx, int sy, const CDispSet& ds);
    // The curves whose every point lies in rc (as IsInsideRect), in list order.
    std::vector<int> CurvesInside(const COnePage& page, const QRect& rc, const CDispSet& ds);
    CPageIndex& Index() { return m_index; }

private:
    void DrawCurve(QPainter& painter, const CCurve& curve, const CDispSet& ds);
    void FlushRun(QPainter& painter);
    void AddSquare(QPoint p);
    void FlushSquares(QPainter& painter);

    CPageIndex m_index;
    std::vector<int> m_found;
    std::vector<QPoint> m_path;  // a curve in view pixels, merged
    std::vector<QPoint> m_run;   // one piece to draw as a polyline
    std::vector<QRect> m_squares;
    // Square centres already drawn in this redraw, over the clip rectangle
    // widened by the squares' reach.
    std::vector<uint8_t> m_squareSeen;
    bool m_squareSeenClear = true;
    QRect m_guard;       // beyond it nothing drawn shows
    QRect m_squareArea;  // centres of squares that can show
};
