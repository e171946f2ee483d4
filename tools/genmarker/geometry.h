#pragma once

#include <cmath>

namespace genmarker {

// Millimetres in pattern space; the writer converts to plotter units (40 per mm).
struct Vec2 {
    double x = 0;
    double y = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double k) { return {a.x * k, a.y * k}; }
inline double dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double cross(Vec2 a, Vec2 b) { return a.x * b.y - a.y * b.x; }
// sqrt is correctly rounded (IEEE 754), so lengths are the same on every platform.
inline double length(Vec2 a) { return std::sqrt(dot(a, a)); }

inline Vec2 normalized(Vec2 a)
{
    const double len = length(a);
    return len > 0 ? a * (1.0 / len) : Vec2{};
}

// Right-hand normal: points outward for a counter-clockwise outline.
inline Vec2 rightNormal(Vec2 dir) { return {dir.y, -dir.x}; }

inline Vec2 cubicPoint(Vec2 p0, Vec2 c1, Vec2 c2, Vec2 p1, double t)
{
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p0.x + b * c1.x + c * c2.x + d * p1.x, a * p0.y + b * c1.y + c * c2.y + d * p1.y};
}

} // namespace genmarker
