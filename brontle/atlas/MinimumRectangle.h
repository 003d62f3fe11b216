#pragma once
// The smallest-area rectangle (any orientation) around a 2D point set, used to turn charts
// before packing and to recognise charts that sprawl over far more rectangle than they cover.

#include "brontle/atlas/Geometry.h"

#include <vector>

namespace brontle::atlas {

struct MinimumRectangle {
    // Unit vector along the rectangle's longer side ((1, 0) for fewer than two distinct points).
    Vec2d axis{1.0, 0.0};
    double length = 0.0; // extent along `axis`
    double width = 0.0;  // extent across it, at most `length`
    double area() const { return length * width; }
};

// The convex hull counter-clockwise, without repeated or collinear points (Andrew's monotone
// chain); fewer than three points come back sorted.
std::vector<Vec2d> convexHull(std::vector<Vec2d> points);

// The minimum-area rectangle of the points; it has a side along an edge of their hull.
// Deterministic: among equal areas (to 1e-9 relative) the first hull edge wins.
MinimumRectangle minimumRectangle(const std::vector<Vec2d>& points);

} // namespace brontle::atlas
