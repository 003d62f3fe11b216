#include "brontle/atlas/MinimumRectangle.h"

#include <algorithm>
#include <limits>

namespace brontle::atlas {

std::vector<Vec2d> convexHull(std::vector<Vec2d> points) {
    std::sort(points.begin(), points.end(),
              [](Vec2d a, Vec2d b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    if (points.size() < 3) {
        return points;
    }
    std::vector<Vec2d> hull(2 * points.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        while (k >= 2 && cross(hull[k - 1] - hull[k - 2], points[i] - hull[k - 2]) <= 0.0) {
            --k;
        }
        hull[k++] = points[i];
    }
    for (std::size_t i = points.size() - 1, lower = k + 1; i > 0; --i) {
        while (k >= lower && cross(hull[k - 1] - hull[k - 2], points[i - 1] - hull[k - 2]) <= 0.0) {
            --k;
        }
        hull[k++] = points[i - 1];
    }
    hull.resize(k - 1);
    return hull;
}

// Rotating calipers: for each hull edge in turn the farthest points along it, against it and
// away from it move forwards round the hull, so all edges take linear time in the hull size.
MinimumRectangle minimumRectangle(const std::vector<Vec2d>& points) {
    const std::vector<Vec2d> hull = convexHull(points);
    MinimumRectangle best;
    double bestArea = std::numeric_limits<double>::infinity();
    const std::size_t h = hull.size();
    if (h == 0) {
        return best;
    }
    std::size_t far = 0;  // farthest along the edge
    std::size_t high = 0; // farthest from the edge, into the hull
    std::size_t back = 0; // farthest against the edge
    bool started = false;
    for (std::size_t i = 0; i < h; ++i) {
        const Vec2d edge = hull[(i + 1) % h] - hull[i];
        const double len = length(edge);
        if (len <= 0.0) {
            continue;
        }
        const Vec2d axis = edge * (1.0 / len);
        auto x = [&](std::size_t k) { return dot(hull[k % h], axis); };
        auto y = [&](std::size_t k) { return cross(axis, hull[k % h]); };
        if (!started) {
            far = high = back = i + 1;
            started = true;
        }
        far = std::max(far, i + 1);
        for (std::size_t step = 0; step < h && x(far + 1) >= x(far); ++step) {
            ++far;
        }
        high = std::max(high, far);
        for (std::size_t step = 0; step < h && y(high + 1) >= y(high); ++step) {
            ++high;
        }
        back = std::max(back, high);
        for (std::size_t step = 0; step < h && x(back + 1) <= x(back); ++step) {
            ++back;
        }
        const double minX = x(back);
        const double maxX = x(far);
        const double minY = std::min(y(i), y(i + 1));
        const double maxY = y(high);
        const double area = (maxX - minX) * (maxY - minY);
        if (area < bestArea * (1.0 - 1e-9)) {
            bestArea = area;
            const bool along = (maxX - minX) >= (maxY - minY);
            best.axis = along ? axis : Vec2d{-axis.y, axis.x};
            best.length = std::max(maxX - minX, maxY - minY);
            best.width = std::min(maxX - minX, maxY - minY);
        }
    }
    return best;
}

} // namespace brontle::atlas
