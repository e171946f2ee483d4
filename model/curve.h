#pragma once
#include <cstdint>
#include <vector>

// Plotter units: 1/40 mm on both axes.
constexpr int PLOTTER_UNITS_PER_MM = 40;

struct CPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const CPoint&) const = default;
};

// One polyline of a job, in plotter units. The extents are valid only after
// ComputeExtents; point edits do not maintain them.
class CCurve {
public:
    CCurve() = default;
    CCurve(const CCurve&) = delete;
    CCurve& operator=(const CCurve&) = delete;
    virtual ~CCurve() = default;

    void CopyFrom(const CCurve& src);
    // Throws std::invalid_argument on a curve without points.
    void ComputeExtents();
    void MoveOrigin(int x0, int y0);
    // x * 10000 / xScale and y * 10000 / yScale, truncated toward zero.
    void ApplyScale(int xScale, int yScale);
    void ApplyScale();  // with the scales of g_settings
    void RemoveDuplicatePoints();
    // Drops interior points that continue in exactly the same direction.
    void RemoveCollinearPoints();

    std::vector<CPoint> m_points;
    int m_selected = 0;
    int m_pen = 1;
    int m_minX = 0;
    int m_maxX = 0;
    int m_minY = 0;
    int m_maxY = 0;
};
