#include "ui/list_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>
#include <memory>

#include "app/settings.h"
#include "centre/job_centre.h"
#include "model/one_page.h"
#include "ui/message_sink.h"

namespace {
constexpr int COLUMN_COUNT = 6;
constexpr int COLUMN_WIDTHS[COLUMN_COUNT] = {64, 120, 80, 80, 80, 600};
constexpr const char* COLUMN_HEADERS[COLUMN_COUNT] = {
    QT_TRANSLATE_NOOP("CMyListView", "序号"),     QT_TRANSLATE_NOOP("CMyListView", "幅面"),
    QT_TRANSLATE_NOOP("CMyListView", "份数"),     QT_TRANSLATE_NOOP("CMyListView", "自动开始"),
    QT_TRANSLATE_NOOP("CMyListView", "起始位置"), QT_TRANSLATE_NOOP("CMyListView", "文件名"),
};

// The auto-start column follows m_language at every refresh, while the
// headers keep the language the window started with; Chinese is the source
// text itself, whatever translator is installed.
QString AutoStateText(int state)
{
    const char* text = nullptr;
    switch (state) {
    case AUTO_STATE_NO:
        text = QT_TRANSLATE_NOOP("CMyListView", "否");
        break;
    case AUTO_STATE_YES:
        text = QT_TRANSLATE_NOOP("CMyListView", "是");
        break;
    case AUTO_STATE_PRINTING:
        text = QT_TRANSLATE_NOOP("CMyListView", "打印中");
        break;
    default:
        return {};
    }
    return g_settings.m_language == 0 ? QString::fromUtf8(text) : CMyListView::tr(text);
}

// Whole millimetres, truncated; 64 bits so that no pair of extents overflows.
long long ExtentMm(int min, int max)
{
    return (static_cast<long long>(max) - min) / 40;
}
}  // namespace

CMyListView::CMyListView(vexa::CJobCentre& centre, QWidget* parent) : QTableWidget(parent), m_centre(centre)
{
    setColumnCount(COLUMN_COUNT);
    QStringList headers;
    for (const char* header : COLUMN_HEADERS)
        headers << tr(header);
    setHorizontalHeaderLabels(headers);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    for (int c = 0; c < COLUMN_COUNT; ++c)
        setColumnWidth(c, COLUMN_WIDTHS[c]);
    verticalHeader()->hide();

    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(245, 250, 255));
    colours.setColor(QPalette::Text, QColor(0, 0, 255));
    setPalette(colours);
}

void CMyListView::RefreshList()
{
    setRowCount(0);
    const CVexaDoc& doc = m_centre.Doc();
    const int count = doc.GetPageCount();
    for (int row = 0; row < count; ++row) {
        const COnePage* job = doc.GetPage(row);
        insertRow(row);
        const QString cells[COLUMN_COUNT] = {
            QString::asprintf("%03d", row + 1),
            QString::asprintf("%lldmm*%lldmm", ExtentMm(job->m_minX, job->m_maxX), ExtentMm(job->m_minY, job->m_maxY)),
            QString::number(job->m_copies),
            AutoStateText(job->m_autoState),
            QString::asprintf("%dmm", job->m_startAt),
            QString::fromStdString(job->m_fileName),
        };
        for (int c = 0; c < COLUMN_COUNT; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignCenter);
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            setItem(row, c, item);
        }
    }
    // The sizes of a wide marker outgrow their column in today's fonts: the
    // column widens to show them whole, and never narrows.
    if (count > 0)
        setColumnWidth(1, std::max(columnWidth(1), sizeHintForColumn(1)));
}

int CMyListView::SelectedRow() const
{
    int first = -1;
    for (const QTableWidgetSelectionRange& range : selectedRanges()) {
        if (first < 0 || range.topRow() < first)
            first = range.topRow();
    }
    return first;
}

std::optional<int> CMyListView::AskNumber(const QString& prompt, int initial)
{
    return MessageSink().AskInteger(this, prompt, initial);
}

void CMyListView::OnModifyCopies()
{
    const int row = SelectedRow();
    const COnePage* job = m_centre.Doc().GetPage(row);
    if (!job)
        return;
    const std::optional<int> copies = AskNumber(tr("请输入份数:"), job->m_copies);
    if (!copies)
        return;
    m_centre.SetCopies(row, *copies);
    RefreshList();
}

void CMyListView::OnStartModeYes()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    m_centre.SetStartMode(row, true);
    RefreshList();
}

void CMyListView::OnStartModeNo()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    m_centre.SetStartMode(row, false);
    RefreshList();
}

void CMyListView::OnSplitAlongX()
{
    const int row = SelectedRow();
    if (!m_centre.Doc().GetPage(row))
        return;
    const std::optional<int> mm = AskNumber(tr("输入分割段长(mm):"), 5000);
    if (!mm)
        return;
    const std::string refused = m_centre.SplitAlongX(row, *mm);
    if (!refused.empty()) {
        ShowEngineMessage(this, refused);
        return;
    }
    RefreshList();
    emit RedrawPreview();
    RefreshList();
}

void CMyListView::OnPaginateAlongY()
{
    const int row = SelectedRow();
    if (!m_centre.Doc().GetPage(row))
        return;
    const std::optional<int> mm = AskNumber(tr("Y向分页长度(mm):"), 1000);
    if (!mm)
        return;
    const std::string refused = m_centre.PaginateAlongY(row, *mm);
    if (!refused.empty()) {
        ShowEngineMessage(this, refused);
        return;
    }
    RefreshList();
    emit RedrawPreview();
}

void CMyListView::OnStartPosition()
{
    const int row = SelectedRow();
    const COnePage* job = m_centre.Doc().GetPage(row);
    if (!job)
        return;
    const std::optional<int> mm = AskNumber(tr("输入起始位置(mm):"), job->m_startAt);
    if (!mm)
        return;
    // A refused position has been reset to 0: the row shows it either way.
    ShowEngineMessage(this, m_centre.SetStartPosition(row, *mm));
    RefreshList();
}

void CMyListView::OnRotate()
{
    const int row = SelectedRow();
    if (!m_centre.Doc().GetPage(row))
        return;
    m_centre.Rotate(row);
    RefreshList();
    emit CurrentPageChanged(row);
}

void CMyListView::OnMoveToFront()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    m_centre.MoveToFront(row);
    RefreshList();
}

void CMyListView::OnDelete()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    int select = -1;
    if (const std::string refused = m_centre.DeleteJob(row, select); !refused.empty()) {
        ShowEngineMessage(this, refused);
        return;
    }
    RefreshList();
    if (select >= 0) {
        selectRow(select);
        emit CurrentPageChanged(select);
        setFocus();
    }
    emit RedrawPreview();
}

void CMyListView::OnClear()
{
    if (const std::string refused = m_centre.ClearRefusal(); !refused.empty()) {
        ShowEngineMessage(this, refused);
        return;
    }
    if (!MessageSink().Show(this, tr("是否清空列表?"), tr("提示"), CMessageSink::Warning, CMessageSink::OkCancel))
        return;
    m_centre.Clear();
    RefreshList();
    emit CurrentPageChanged(0);
    emit RedrawPreview();
}

QMenu* CMyListView::CreateContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->addAction(tr("修改份数"), this, &CMyListView::OnModifyCopies);
    QMenu* startMode = menu->addMenu(tr("启动方式"));
    startMode->addAction(tr("自动"), this, &CMyListView::OnStartModeYes);
    startMode->addAction(tr("手动"), this, &CMyListView::OnStartModeNo);
    menu->addAction(tr("(X向)进纸方向手动分页"), this, &CMyListView::OnSplitAlongX);
    menu->addAction(tr("(Y向)纸宽方向手动分页"), this, &CMyListView::OnPaginateAlongY);
    menu->addAction(tr("修改起始位置"), this, &CMyListView::OnStartPosition);
    menu->addAction(tr("旋转90度"), this, &CMyListView::OnRotate);
    menu->addAction(tr("移至最前"), this, &CMyListView::OnMoveToFront);
    menu->addAction(tr("删除"), this, &CMyListView::OnDelete);
    menu->addAction(tr("清空"), this, &CMyListView::OnClear);
    return menu;
}

void CMyListView::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu(CreateContextMenu(this));
    menu->exec(event->globalPos());
}

void CMyListView::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats its release; the operator released it once.
    if (event->isAutoRepeat()) {
        QTableWidget::keyReleaseEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        emit CurrentPageChanged(SelectedRow());
        setFocus();
        break;
    case Qt::Key_Delete:
        OnDelete();
        break;
    default:
        QTableWidget::keyReleaseEvent(event);
    }
}

void CMyListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit CurrentPageChanged(SelectedRow());
}
