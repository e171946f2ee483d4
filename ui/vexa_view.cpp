#include "ui/vexa_view.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/settings.h"
#include "device/link_state.h"
#include "model/vexa_doc.h"
#include "raster/printed_dots.h"
#include "ui/disp_set.h"

namespace {
// The wheel and ZoomIn stop here: beyond, coordinates leave the int range
// for points of an ordinary job, or the whole job shrinks below a pixel.
constexpr double kMinScale = 1e-6;
constexpr double kMaxScale = 100.0;
constexpr int kPanStep = 80;
constexpr int kWheelNotch = 120;
// A drag box larger than this both ways selects what lies inside it.
constexpr int kClickBox = 10;

int SaturatingAdd(int a, long long b)
{
    return static_cast<int>(std::clamp<long long>(a + b, INT_MIN, INT_MAX));
}
}  // namespace

CVexaView::CVexaView(CVexaDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    setMinimumHeight(80);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The right button pans and opens the menu itself, on release.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_dotsTimer.setSingleShot(true);
    m_dotsTimer.setInterval(100);
    connect(&m_dotsTimer, &QTimer::timeout, this, [this] {
        m_pictureStale = true;
        update();
    });
}

CVexaView::~CVexaView()
{
    // Joins the builders before the view they report to goes.
    m_dots.reset();
}

COnePage* CVexaView::ShownPage()
{
    const int count = m_doc.GetPageCount();
    if (count == 0) {
        m_curPage = 0;
        return nullptr;
    }
    if (m_curPage >= count)
        m_curPage = 0;
    return m_doc.GetPage(m_curPage);
}

void CVexaView::SetCurrentPage(int index)
{
    m_curPage = std::max(index, 0);
    if (m_doc.GetPageCount() == 0) {
        m_curPage = 0;
        return;
    }
    if (m_curPage >= m_doc.GetPageCount())
        m_curPage = 0;
    FitToWindow();
    RedrawPreview();
}

void CVexaView::CurvesChanged()
{
    m_painter.Index().Invalidate();
    m_dotsJobChanged = true;
}

void CVexaView::RedrawPreview()
{
    // Whoever calls this may have changed the curves.
    CurvesChanged();
    Redraw();
}

void CVexaView::Redraw()
{
    m_marker.reset();
    m_pictureStale = true;
    update();
}

void CVexaView::FitToWindow()
{
    g_dispSet.m_viewHeight = height();
    g_dispSet.m_scrollX = 0;
    g_dispSet.m_scrollY = 0;
    const double scale = (g_dispSet.m_viewHeight - 60) / (g_settings.m_pageWidth * 40.0);
    // A view too low for the margins, or no paper width, keeps the last scale.
    if (std::isfinite(scale) && scale > 0.0)
        g_dispSet.m_scale = scale;
    m_pictureStale = true;
    update();
}

void CVexaView::ZoomIn()
{
    if (g_dispSet.m_scale * 2 <= kMaxScale)
        g_dispSet.m_scale *= 2;
    Redraw();
}

void CVexaView::ZoomOut()
{
    if (g_dispSet.m_scale <= 0.001)
        return;
    g_dispSet.m_scale *= 0.5;
    g_dispSet.m_scrollX /= 2;
    g_dispSet.m_scrollY /= 2;
    Redraw();
}

void CVexaView::OnFitScreen()
{
    FitToWindow();
    Redraw();
}

QString CVexaView::FitScreenText()
{
    return CVexaView::tr("适合屏幕");
}

void CVexaView::ZoomAtPoint(QPoint p, bool away)
{
    const double scale = g_dispSet.m_scale * (away ? 1.25 : 0.8);
    if (!(scale >= kMinScale && scale <= kMaxScale))
        return;
    const QPoint plotter = g_dispSet.ScreenToPlotter(p);
    g_dispSet.m_scale = scale;
    const QPoint q = g_dispSet.PlotterToScreen(plotter);
    Scroll(static_cast<long long>(q.x()) - p.x(), static_cast<long long>(q.y()) - p.y());
}

void CVexaView::Scroll(long long dx, long long dy)
{
    g_dispSet.m_scrollX = SaturatingAdd(g_dispSet.m_scrollX, dx);
    g_dispSet.m_scrollY = SaturatingAdd(g_dispSet.m_scrollY, dy);
    Redraw();
}

void CVexaView::OnPanLeft()
{
    Scroll(kPanStep, 0);
}

void CVexaView::OnPanRight()
{
    Scroll(-kPanStep, 0);
}

void CVexaView::OnPanUp()
{
    Scroll(0, kPanStep);
}

void CVexaView::OnPanDown()
{
    Scroll(0, -kPanStep);
}

// --- Picture -------------------------------------------------------------------

const QImage& CVexaView::Picture()
{
    if (m_pictureStale || m_picture.size() != size())
        RenderPicture();
    return m_picture;
}

void CVexaView::RenderPicture()
{
    m_pictureStale = false;
    if (width() <= 0 || height() <= 0) {
        m_picture = QImage();
        return;
    }
    if (m_picture.size() != size())
        m_picture = QImage(size(), QImage::Format_RGB32);
    QPainter painter(&m_picture);
    painter.setFont(font());
    const QRect all(QPoint(0, 0), size());
    painter.fillRect(all, Qt::black);
    const COnePage* page = ShownPage();
    if (!page)
        return;
    if (m_showDots) {
        RenderPrintedDots(painter, *page);
        return;
    }
    m_dotsState.clear();
    DrawPaperAndRuler(painter, g_dispSet, page->m_maxX, g_settings.m_pageWidth, all);
    m_painter.Draw(painter, *page, g_dispSet, all);
}

// --- Printed dots -----------------------------------------------------------------

QString CVexaView::PrintedDotsText()
{
    return CVexaView::tr("打印点阵");
}

QString CVexaView::PrintedDotsPrompt()
{
    return CVexaView::tr("显示按当前设置将打印的点阵");
}

void CVexaView::SetPrintedDotsShown(bool shown)
{
    if (shown == m_showDots)
        return;
    m_showDots = shown;
    if (shown && !m_dots) {
        m_dots = std::make_unique<vexa::CPrintedDots>([this] {
            // From a builder thread: the view redraws on its own thread.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!m_dotsTimer.isActive())
                        m_dotsTimer.start();
                },
                Qt::QueuedConnection);
        });
    }
    m_dotsJobChanged = true;
    if (!shown && m_dots)
        m_dots->Request(0, -1, 0);  // nothing more to build
    emit PrintedDotsToggled(shown);
    Redraw();
}

void CVexaView::RenderPrintedDots(QPainter& painter, const COnePage& page)
{
    const QRect all(QPoint(0, 0), size());
    // Looked at again when the curves or the settings may have changed, not
    // on every pan and zoom; the same job and settings keep what was built.
    const vexa::SwathSettings settings = vexa::SwathSettings::Current();
    if (m_dotsJobChanged || !(settings == m_dotsSettings)) {
        m_dots->SetJob(page, settings);
        m_dotsJobChanged = false;
        m_dotsSettings = settings;
    }
    const std::shared_ptr<const vexa::CSwathJob> job = m_dots->Job();
    if (!job) {
        DrawPaperAndRuler(painter, g_dispSet, page.m_maxX, g_settings.m_pageWidth, all);
        const std::string refusal = m_dots->Refusal();
        m_dotsState = refusal.empty() ? CVexaView::tr("正在准备打印点阵…") : QString::fromStdString(refusal);
    } else {
        // The paper as printed: the plot page's length, purge pattern and all.
        DrawPaperAndRuler(painter, g_dispSet, job->Page().m_maxX, g_settings.m_pageWidth, all);
        painter.end();
        const CDotsPlacement place(*job, g_dispSet);
        int first = 0, last = -1;
        place.VisibleSwaths(width(), first, last);
        m_dots->Request(first, last, place.Level());
        const int missing = DrawPrintedDots(m_picture, *m_dots, *job, g_dispSet, g_dispSet.m_curveColor.rgb());
        const int inView = std::max(last - first + 1, 0);
        m_dotsState = missing > 0 ? CVexaView::tr("正在生成打印点阵：%1/%2 条").arg(inView - missing).arg(inView)
                                  : QString();
        painter.begin(&m_picture);
        painter.setFont(font());
    }
    // The state in the upper right corner, over a dark box so it reads on dots.
    QString text = PrintedDotsText();
    if (!m_dotsState.isEmpty())
        text += QStringLiteral("  ") + m_dotsState;
    const QFontMetrics metrics(painter.font());
    const QRect box = metrics.boundingRect(QRect(0, 0, std::max(width() - 20, 40), height()), Qt::TextWordWrap, text)
                          .adjusted(-6, -3, 6, 3);
    const QRect placed = box.translated(width() - box.width() - 6 - box.left(), 6 - box.top());
    painter.fillRect(placed, QColor(0, 0, 0, 200));
    painter.setPen(QColor(0, 200, 255));
    painter.drawText(placed.adjusted(6, 3, -6, -3), Qt::TextWordWrap, text);
}

void CVexaView::paintEvent(QPaintEvent*)
{
    const QImage& picture = Picture();
    QPainter painter(this);
    if (picture.isNull())
        painter.fillRect(rect(), g_dispSet.m_backColor);
    else
        painter.drawImage(0, 0, picture);
    if (m_marker) {
        painter.setPen(QPen(QColor(0, 200, 255), 0));
        painter.setBrush(Qt::NoBrush);
        DrawOutline(painter, m_marker->a.x(), m_marker->a.y(), m_marker->b.x(), m_marker->b.y());
    }
    if (m_lButtonDown && m_lastPoint != m_anchor) {
        // The selection box, inverting what lies under its dots.
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
        const QPoint outline[] = {m_anchor, QPoint(m_anchor.x(), m_lastPoint.y()), m_lastPoint,
                                  QPoint(m_lastPoint.x(), m_anchor.y()), m_anchor};
        painter.drawPolyline(outline, 5);
    }
}

void CVexaView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FitToWindow();
    Redraw();
}

// --- Swath marker ------------------------------------------------------------

std::optional<SwathCorners> CVexaView::SwathMarker() const
{
    // Only the first job prints.
    if (m_curPage != 0 || m_doc.GetPageCount() == 0)
        return std::nullopt;
    return SwathMarkerCorners(g_dispSet, g_plotProgress, m_doc.GetPage(0)->m_startAt, g_settings.m_pageWidth);
}

void CVexaView::DrawSwathMarker()
{
    m_marker = SwathMarker();
    update();
}

// --- Selection and commands ------------------------------------------------------

void CVexaView::DeselectAllCurves()
{
    COnePage* page = ShownPage();
    if (!page)
        return;
    page->ClearSelection();
    Redraw();
}

void CVexaView::OnSelectAll()
{
    COnePage* page = ShownPage();
    if (!page)
        return;
    for (auto& curve : page->m_curves)
        curve->m_selected = 1;
    Redraw();
}

void CVexaView::OnDeleteSelected()
{
    COnePage* page = ShownPage();
    if (!page)
        return;
    page->DeleteSelectedCurves();
    page->ComputeExtents();
    CurvesChanged();
    Redraw();
}

void CVexaView::OnRotate90()
{
    COnePage* page = ShownPage();
    if (!page)
        return;
    page->Rotate90();
    CurvesChanged();
    emit ListChanged();
    Redraw();
}

void CVexaView::OnMoveToLowerLeft()
{
    COnePage* page = ShownPage();
    if (!page)
        return;
    page->MoveToLowerLeft();
    CurvesChanged();
    emit ListChanged();
    Redraw();
}

QMenu* CVexaView::CreateContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(CVexaView::tr("视图右键菜单"), parent);
    menu->addAction(CVexaView::tr("全选"), this, &CVexaView::OnSelectAll);
    menu->addAction(CVexaView::tr("删除"), this, &CVexaView::OnDeleteSelected);
    menu->addAction(CVexaView::tr("旋转90度"), this, &CVexaView::OnRotate90);
    menu->addAction(CVexaView::tr("图形平移至左下角"), this, &CVexaView::OnMoveToLowerLeft);
    menu->addSeparator();
    QAction* dots = menu->addAction(PrintedDotsText(), this, &CVexaView::TogglePrintedDots);
    dots->setCheckable(true);
    dots->setChecked(m_showDots);
    return menu;
}

// --- Mouse and keys ---------------------------------------------------------------

void CVexaView::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        m_lButtonDown = true;
        m_anchor = m_lastPoint = p;
        if (!(event->modifiers() & Qt::ControlModifier))
            DeselectAllCurves();
    } else if (event->button() == Qt::RightButton) {
        m_rButtonDown = true;
        m_lastPoint = m_rDownPoint = p;
        setCursor(Qt::SizeAllCursor);
    }
}

void CVexaView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const QPoint plotter = g_dispSet.ScreenToPlotter(p);
    emit CursorPosition(plotter.x(), plotter.y());
    if (m_lButtonDown && p != m_lastPoint)
        update();
    if (m_rButtonDown && p != m_lastPoint)
        Scroll(-(static_cast<long long>(p.x()) - m_lastPoint.x()), -(static_cast<long long>(p.y()) - m_lastPoint.y()));
    m_lastPoint = p;
}

void CVexaView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_lButtonDown) {
        const int l = std::min(m_anchor.x(), p.x()), r = std::max(m_anchor.x(), p.x());
        const int t = std::min(m_anchor.y(), p.y()), b = std::max(m_anchor.y(), p.y());
        if (COnePage* page = m_doc.GetPage(m_curPage)) {
            if (r - l > kClickBox && b - t > kClickBox) {
                // A point on the box's right or bottom edge lies outside it.
                for (int i : m_painter.CurvesInside(*page, QRect(l, t, r - l, b - t), g_dispSet))
                    page->m_curves[static_cast<size_t>(i)]->m_selected = 1;
            } else {
                const int i = m_painter.HitCurve(*page, p.x(), p.y(), g_dispSet);
                if (i >= 0) {
                    int& selected = page->m_curves[static_cast<size_t>(i)]->m_selected;
                    selected = selected ? 0 : 1;
                }
            }
        }
        m_lButtonDown = false;
        Redraw();
    } else if (event->button() == Qt::RightButton) {
        m_rButtonDown = false;
        unsetCursor();
        if (p == m_rDownPoint) {
            QMenu* menu = CreateContextMenu(this);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(event->globalPosition().toPoint());
        }
    }
}

void CVexaView::wheelEvent(QWheelEvent* event)
{
    // One step a notch; finer wheels add up to one.
    m_wheelDelta += event->angleDelta().y();
    const QPoint p = event->position().toPoint();
    while (std::abs(m_wheelDelta) >= kWheelNotch) {
        const bool away = m_wheelDelta > 0;
        m_wheelDelta += away ? -kWheelNotch : kWheelNotch;
        ZoomAtPoint(p, away);
    }
    event->accept();
}

void CVexaView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        OnPanLeft();
        break;
    case Qt::Key_Right:
        OnPanRight();
        break;
    case Qt::Key_Up:
        OnPanUp();
        break;
    case Qt::Key_Down:
        OnPanDown();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CVexaView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && !event->isAutoRepeat())
        OnDeleteSelected();
    else
        QWidget::keyReleaseEvent(event);
}
