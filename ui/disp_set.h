#pragma once
#include <QColor>
#include <QPoint>

#include "app/helpers.h"

// The preview's colours and its one mapping between plotter units and view
// pixels. One instance, g_dispSet, lives for the whole run; it is never saved.
class CDispSet {
public:
    virtual ~CDispSet() = default;

    // X grows to the right from 50 pixels off the left edge, Y upward from
    // 30 pixels above the bottom of the fitted height. Values beyond the int
    // range saturate (the wheel zoom has no limit of its own).
    QPoint PlotterToScreen(int x, int y) const
    {
        return {vexa::TruncateToInt(x * m_scale + 50.0 - m_scrollX),
                vexa::TruncateToInt(m_viewHeight - y * m_scale - 30.0 - m_scrollY)};
    }
    // The inverse, the numerators formed in integers.
    QPoint ScreenToPlotter(int x, int y) const
    {
        const long long nx = static_cast<long long>(m_scrollX) + x - 50;
        const long long ny = static_cast<long long>(m_viewHeight) - m_scrollY - y - 30;
        return {vexa::TruncateToInt(static_cast<double>(nx) / m_scale),
                vexa::TruncateToInt(static_cast<double>(ny) / m_scale)};
    }
    QPoint PlotterToScreen(QPoint p) const { return PlotterToScreen(p.x(), p.y()); }
    QPoint ScreenToPlotter(QPoint p) const { return ScreenToPlotter(p.x(), p.y()); }

    QColor m_backColor{0, 0, 0};
    QColor m_paperColor{0, 255, 0};
    QColor m_curveColor{255, 255, 255};
    double m_scale = 0.01;  // view pixels per plotter unit
    int m_viewHeight = 400;  // view height at the last fit
    int m_scrollX = 0;
    int m_scrollY = 0;
};

extern CDispSet g_dispSet;

// The ruler's step in mm for a scale: coarser as the view shows more paper.
int RulerStep(double scale);

