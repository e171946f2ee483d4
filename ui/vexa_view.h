#pragma once
#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "raster/swath_geometry.h"
#include "ui/page_draw.h"

class CVexaDoc;
class COnePage;
class QMenu;
namespace vexa {
class CPrintedDots;
}

// The plot preview: one job of the job list on black, with the paper
// outline, a millimetre ruler and grid, and the curves, selected ones marked.
// The picture is drawn into an off-screen image and shown in one piece; the
// swath marker and the selection box are drawn over it. The transform lives
// in g_dispSet.
class CVexaView : public QWidget {
    Q_OBJECT
public:
    explicit CVexaView(CVexaDoc& doc, QWidget* parent = nullptr);
    ~CVexaView() override;

    // Shows job index (a negative index or one past the list means 0),
    // fitted to the view. Nothing happens to an empty list.
    void SetCurrentPage(int index);
    // The jobs changed: redraw the whole view.
    void RedrawPreview();
    // The paper's width spans the view's height less 30 pixels at top and
    // bottom; the origin at the lower left.
    void FitToWindow();
    void ZoomIn();
    // Halves the scale and the scroll offsets, while the scale is above 0.001.
    void ZoomOut();
    void OnFitScreen();
    // The fit-to-screen command's name, for the window's menu.
    static QString FitScreenText();
    // The mouse wheel: 1.25 times larger turning away from the user, 0.8
    // times toward, keeping the plotter point under p where it is.
    void ZoomAtPoint(QPoint p, bool away);
    // Outlines the swath being printed while the first job is shown, until
    // the next redraw.
    void DrawSwathMarker();
    int CurrentPage() const { return m_curPage; }

    // The context menu's commands and the arrow keys.
    void OnSelectAll();
    void OnDeleteSelected();
    void OnRotate90();
    void OnMoveToLowerLeft();
    void OnPanLeft();
    void OnPanRight();
    void OnPanUp();
    void OnPanDown();
    // The right-click menu, its actions bound to the commands above.
    QMenu* CreateContextMenu(QWidget* parent);

    // Instead of the curves, the dots the plotter will print for the job
    // with the current settings, placed on the paper as printed. They are
    // built in the background for the swaths in view; the view shows what
    // is ready and how far the rest has come, and never waits for it.
    void SetPrintedDotsShown(bool shown);
    void TogglePrintedDots() { SetPrintedDotsShown(!m_showDots); }
    bool PrintedDotsShown() const { return m_showDots; }
    static QString PrintedDotsText();
    static QString PrintedDotsPrompt();
    // The dots' builder, once they were shown.
    const vexa::CPrintedDots* PrintedDots() const { return m_dots.get(); }
    // The progress line drawn over the dots; empty when all in view are shown.
    const QString& PrintedDotsState() const { return m_dotsState; }

    // The marker DrawSwathMarker would draw now; nullopt when it draws none.
    std::optional<SwathCorners> SwathMarker() const;
    bool SwathMarkerShown() const { return m_marker.has_value(); }
    // The off-screen picture, drawn now when out of date.
    const QImage& Picture();
    CPagePainter& PagePainter() { return m_painter; }

signals:
    // A position under the pointer, in plotter units.
    void CursorPosition(int x, int y);
    // The view changed a job's size or position: the job list shows it anew.
    void ListChanged();
    void PrintedDotsToggled(bool shown);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    // The job shown, the index corrected to 0 when past the list; null for
    // an empty list.
    COnePage* ShownPage();
    // Redraws with the jobs unchanged (zoom, pan, selection).
    void Redraw();
    void RenderPicture();
    // The dots part of RenderPicture; the painter has drawn the background.
    void RenderPrintedDots(QPainter& painter, const COnePage& page);
    void DeselectAllCurves();
    // The job's curves changed: the index and the printed dots follow.
    void CurvesChanged();
    void Scroll(long long dx, long long dy);

    CVexaDoc& m_doc;
    CPagePainter m_painter;
    QImage m_picture;
    bool m_pictureStale = true;
    std::optional<SwathCorners> m_marker;
    int m_wheelDelta = 0;

    bool m_lButtonDown = false;
    bool m_rButtonDown = false;
    QPoint m_anchor;
    QPoint m_rDownPoint;
    QPoint m_lastPoint;
    int m_curPage = 0;

    bool m_showDots = false;
    std::unique_ptr<vexa::CPrintedDots> m_dots;
    bool m_dotsJobChanged = true;
    vexa::SwathSettings m_dotsSettings;  // those the dots were last given
    QTimer m_dotsTimer;  // gathers the builders' news into one redraw
    QString m_dotsState;
};
