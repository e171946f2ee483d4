#pragma once
#include <memory>
#include <string>
#include <vector>

#include "model/curve.h"

// Auto-start states of a job.
enum : int { AUTO_STATE_NO = 0, AUTO_STATE_YES = 1, AUTO_STATE_PRINTING = 2 };

// One job of the job list: the curves of one HP-GL file with the job's
// extents, copies, auto-start state and start position. The page owns its
// curves.
class COnePage {
public:
    COnePage() = default;
    COnePage(const COnePage&) = delete;
    COnePage& operator=(const COnePage&) = delete;
    virtual ~COnePage() = default;

    CCurve& AddCurve(std::unique_ptr<CCurve> curve);
    void RemoveAllCurves();
    // Deep copy of the curves, file name, extents and start position; the
    // copy count and auto-start state stay this page's own.
    void CopyFrom(const COnePage& src);
    // Leaves the extents unchanged on a page without curves.
    void ComputeExtents();
    void ApplyScale(int xScale, int yScale);
    void ApplyScale();  // with the scales of g_settings
    void Normalize();
    void SplitIntoSegments();
    void JoinCurves();
    void DeleteSelectedCurves();
    void ClearSelection();

    // Layout operations (page_layout.cpp). A page without curves is left
    // alone, except by AddPurgePattern.
    void MoveToLowerLeft();
    void AlignOrigin();
    // Counter-clockwise quarter turn that keeps x >= 0; needs current extents.
    void Rotate90();
    void ApplyStartPosition();
    void AddPurgePattern();
    // Keeps what lies at x <= x0 and appends the rest, moved by -x0, to rest.
    void SplitAtX(COnePage& rest, int x0);
    // Cuts the page into bands of height band along Y, laid one after another
    // along X. band must be positive.
    void PaginateY(int band);

    size_t PointCount() const;

    std::vector<std::unique_ptr<CCurve>> m_curves;
    std::string m_fileName;  // UTF-8
    int m_maxX = 0;
    int m_minX = 0;
    int m_maxY = 0;
    int m_minY = 0;
    int m_copies = 1;
    int m_autoState = AUTO_STATE_NO;
    int m_startAt = 0;  // mm
};

// The job being printed: a deep copy of page 0, scaled and shifted for the
// plotter. Filled before the plot thread starts, read by the raster engine.
extern COnePage g_plotPage;
