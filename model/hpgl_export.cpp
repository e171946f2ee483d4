#include "model/hpgl_export.h"

#include <charconv>

#include "model/one_page.h"

namespace {
void AppendInt(std::string& out, int v)
{
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}
}  // namespace

std::string ExportHpglText(std::span<const COnePage* const> pages)
{
    std::string out = "INPA;";
    for (const COnePage* page : pages) {
        int lastPen = 1;
        for (size_t j = 0; j < page->m_curves.size(); ++j) {
            const CCurve& c = *page->m_curves[j];
            if (j == 0 || c.m_pen != lastPen) {
                out += "SP";
                AppendInt(out, c.m_pen);
                out += ';';
                lastPen = c.m_pen;
            }
            if (c.m_points.empty())
                continue;
            out += "PU";
            AppendInt(out, c.m_points[0].x);
            out += ',';
            AppendInt(out, c.m_points[0].y);
            out += ";PD";
            // The first point again: readers start the path where the pen is.
            for (size_t i = 0; i < c.m_points.size(); ++i) {
                if (i != 0)
                    out += ',';
                AppendInt(out, c.m_points[i].x);
                out += ',';
                AppendInt(out, c.m_points[i].y);
            }
            out += ';';
        }
        out += "PG;";
    }
    return out;
}
