#include "ui/vexa_view.h"

#include <QPainter>

#include "model/vexa_doc.h"

CVexaView::CVexaView(CVexaDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    setMinimumHeight(80);
}

void CVexaView::SetCurrentPage(int index)
{
    m_current = index < 0 ? 0 : index;
    update();
}

void CVexaView::RedrawPreview()
{
    update();
}

void CVexaView::FitToWindow()
{
    update();
}

void CVexaView::ZoomIn() {}
void CVexaView::ZoomOut() {}
void CVexaView::DrawSwathMarker() {}

void CVexaView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(QColor(0, 200, 0));
    const COnePage* job = m_doc.GetPage(m_current);
    const QString text = job ? CVexaView::tr("预览：%1").arg(QString::fromStdString(job->m_fileName)) : CVexaView::tr("预览");
    painter.drawText(rect(), Qt::AlignCenter, text);
}
