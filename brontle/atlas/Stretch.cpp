#include "brontle/atlas/Stretch.h"

#include <algorithm>
#include <cmath>

namespace brontle::atlas {
namespace {

// Stretch given to a triangle collapsed to (almost) nothing in 2D: large enough to fail any
// stretch bound, finite so that means stay meaningful.
constexpr double kCollapsedStretch = 1e3;

} // namespace

double StretchSum::areaScale() const {
    return area2d > 0.0 && area3d > 0.0 ? std::sqrt(area3d / area2d) : 1.0;
}

double StretchSum::normL2() const {
    if (area3d <= 0.0) {
        return 1.0;
    }
    return std::sqrt(l2Squared / area3d) / areaScale();
}

double StretchSum::meanL2() const {
    if (area3d <= 0.0) {
        return 1.0;
    }
    return l2 / area3d / areaScale();
}

double StretchSum::maxLinf() const {
    return area3d > 0.0 ? linf / areaScale() : 1.0;
}

void accumulateChartStretch(const MeshAdjacency& adj, const Chart& chart, StretchSum& sum) {
    int k = 0;
    for (const std::int32_t p : chart.polygons) {
        const int begin = adj.polygonStart[p];
        const int size = adj.polygonStart[p + 1] - begin;
        const int* local = chart.cornerLocal.data() + k;
        k += size;
        const Vec3d n = adj.polygonNormal[p];
        if (adj.polygonArea[p] <= 0.0) {
            continue;
        }
        const Vec3d q0 = adj.positions[adj.cornerVertex[begin]];
        const Vec2d t0 = chart.uv[local[0]];
        for (int i = 1; i + 1 < size; ++i) {
            const Vec3d q1 = adj.positions[adj.cornerVertex[begin + i]];
            const Vec3d q2 = adj.positions[adj.cornerVertex[begin + i + 1]];
            const Vec3d areaVector = cross(q1 - q0, q2 - q0);
            const double area3 = 0.5 * length(areaVector);
            // The fan triangle's orientation in its polygon's plane: negative for the reflex
            // parts of a non-convex polygon, whose 2D image must then be negative too.
            const double side = dot(areaVector, n) >= 0.0 ? 1.0 : -1.0;
            if (area3 <= 1e-14 * adj.polygonArea[p]) {
                continue;
            }
            const Vec2d t1 = chart.uv[local[i]];
            const Vec2d t2 = chart.uv[local[i + 1]];
            const double twiceArea2 = cross(t1 - t0, t2 - t0);
            sum.area3d += area3;
            sum.area2d += 0.5 * twiceArea2 * side;
            double l2 = kCollapsedStretch;
            double linf = kCollapsedStretch;
            if (twiceArea2 * side <= 0.0) {
                ++sum.flipped;
            } else {
                const double inv = 1.0 / twiceArea2;
                // Jacobian of the 2D -> 3D map, written relative to q0 so that meshes far
                // from the origin keep their precision.
                const Vec3d d1 = q1 - q0;
                const Vec3d d2 = q2 - q0;
                const Vec3d ss = (d1 * (t2.y - t0.y) + d2 * (t0.y - t1.y)) * inv;
                const Vec3d st = (d1 * (t0.x - t2.x) + d2 * (t1.x - t0.x)) * inv;
                const double a = dot(ss, ss);
                const double b = dot(ss, st);
                const double c = dot(st, st);
                l2 = std::sqrt(0.5 * (a + c));
                linf = std::sqrt(0.5 * ((a + c) + std::sqrt((a - c) * (a - c) + 4.0 * b * b)));
            }
            sum.l2Squared += area3 * l2 * l2;
            sum.l2 += area3 * l2;
            sum.linf = std::max(sum.linf, linf);
        }
    }
}

} // namespace brontle::atlas
