#include "brontle/atlas/MinimumRectangle.h"

#include <algorithm>
#include <limits>

namespace brontle::atlas {

std::vector<Vec2d> convexHull(std::vector<Vec2d> points) {
    std::sort(points.begin(), points.end(),
              [](Vec2d a, Vec2d b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    if (points.size() < 3)
        return points;
    std::vector<Vec2d> hull(2 * points.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        while (k >= 2 && cross(hull[k - 1] - hull[k - 2], points[i] - hull[k - 2]) <= 0.0)
            --k;
        hull[k++] = points[i];
    }
    for (std::size_t i = points.size() - 1, lower = k + 1; i > 0; --i) {
        while (k >= lower && cross(hull[k - 1] - hull[k - 2], points[i - 1] - hull[k - 2]) <= 0.0)
            --k;
        hull[k++] = points[i - 1];
    }
    hull.resize(k - 1);
    return hull;
}

MinimumRectangle minimumRectangle(const std::vector<Vec2d>& points) {
    const std::vector<Vec2d> hull = convexHull(points);
    MinimumRectangle best;
    double bestArea = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < hull.size(); ++i) {
        const Vec2d edge = hull[(i + 1) % hull.size()] - hull[i];
        const double len = length(edge);
        if (len <= 0.0)
            continue;
        const Vec2d axis = edge * (1.0 / len);
        double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        for (const Vec2d& p : hull) {
            const double x = dot(p, axis);
            const double y = cross(axis, p);
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
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
