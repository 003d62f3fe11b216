#include "brontle/atlas/AtlasMetrics.h"

#include "brontle/atlas/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace brontle::atlas {
namespace {

struct Triangle {
    double area3d = 0.0;
    double area2d = 0.0;    // signed, in the orientation the polygon's plane gives it
    double l2Squared = 0.0; // of the unscaled layout; infinite when collapsed
    std::int32_t chart = -1;
};

Vec3d widen(const Vector3& v) {
    return {v.x, v.y, v.z};
}
Vec2d widen(const Vector2& v) {
    return {v.u, v.v};
}

} // namespace

LayoutMetrics measureLayout(const MeshView& mesh, std::span<const Vector2> texcoords,
                            std::span<const std::int32_t> cornerTexCoord,
                            std::span<const std::int32_t> polygonChart, int chartCount) {
    LayoutMetrics m;
    std::vector<Triangle> triangles;
    const std::size_t polygons = mesh.polygonStart.empty() ? 0 : mesh.polygonStart.size() - 1;
    triangles.reserve(mesh.cornerVertex.size());
    for (std::size_t p = 0; p < polygons; ++p) {
        const int begin = mesh.polygonStart[p];
        const int size = mesh.polygonStart[p + 1] - begin;
        auto position = [&](int i) { return widen(mesh.positions[mesh.cornerVertex[begin + i]]); };
        auto uv = [&](int i) { return widen(texcoords[cornerTexCoord[begin + i]]); };
        // The polygon's normal (Newell), so that the reflex fan triangles of a non-convex
        // polygon, reversed in 3D, are expected reversed in the texture too.
        Vec3d normal;
        for (int i = 0; i < size; ++i) {
            normal += cross(position(i), position((i + 1) % size));
        }
        const Vec3d q0 = position(0);
        const Vec2d t0 = uv(0);
        for (int i = 1; i + 1 < size; ++i) {
            const Vec3d d1 = position(i) - q0;
            const Vec3d d2 = position(i + 1) - q0;
            const Vec3d areaVector = cross(d1, d2);
            const double area3 = 0.5 * length(areaVector);
            if (!(area3 > 0.0)) {
                continue;
            }
            const double side = dot(areaVector, normal) >= 0.0 ? 1.0 : -1.0;
            const Vec2d t1 = uv(i);
            const Vec2d t2 = uv(i + 1);
            const double twice = cross(t1 - t0, t2 - t0);
            Triangle t;
            t.area3d = area3;
            t.area2d = 0.5 * twice * side;
            t.chart = polygonChart[p];
            if (twice == 0.0) {
                t.l2Squared = std::numeric_limits<double>::infinity();
            } else {
                // Jacobian columns of the texture -> surface map.
                const double inv = 1.0 / twice;
                const Vec3d ss = (d1 * (t2.y - t0.y) + d2 * (t0.y - t1.y)) * inv;
                const Vec3d st = (d1 * (t0.x - t2.x) + d2 * (t1.x - t0.x)) * inv;
                t.l2Squared = 0.5 * (dot(ss, ss) + dot(st, st));
            }
            triangles.push_back(t);
        }
    }
    if (triangles.empty()) {
        return m;
    }

    std::vector<double> chartArea(static_cast<std::size_t>(std::max(chartCount, 0)), 0.0);
    double sum3d = 0.0;
    double sum2d = 0.0;
    for (const Triangle& t : triangles) {
        sum3d += t.area3d;
        sum2d += std::abs(t.area2d);
        if (t.chart >= 0 && t.chart < chartCount) {
            chartArea[t.chart] += t.area2d;
        }
    }
    // Scaling the texture by 1/s multiplies the Jacobian of texture -> surface by s.
    const double s2 = sum3d > 0.0 && sum2d > 0.0 ? sum2d / sum3d : 1.0;
    std::vector<double> ratios;
    ratios.reserve(triangles.size());
    double weighted = 0.0;
    for (const Triangle& t : triangles) {
        weighted += t.l2Squared * s2 * t.area3d;
        const bool chartPositive =
            t.chart < 0 || t.chart >= chartCount || !(chartArea[t.chart] < 0.0);
        if (t.area2d == 0.0 || (t.area2d > 0.0) != chartPositive) {
            ++m.flipped;
        }
        const double r = (std::abs(t.area2d) / sum2d) / (t.area3d / sum3d);
        ratios.push_back(r > 0.0 ? std::max(r, 1.0 / r) : std::numeric_limits<double>::infinity());
    }
    m.triangles = static_cast<std::int64_t>(triangles.size());
    m.stretchL2 = std::sqrt(weighted / sum3d);
    // The 99th percentile, nearest rank: the smallest value with at least 99 % of the triangles
    // at or below it.
    const std::size_t rank =
        static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(ratios.size()))) - 1;
    std::nth_element(ratios.begin(), ratios.begin() + static_cast<std::ptrdiff_t>(rank),
                     ratios.end());
    m.areaRatioP99 = ratios[rank];
    m.areaRatioMax =
        *std::max_element(ratios.begin() + static_cast<std::ptrdiff_t>(rank), ratios.end());
    return m;
}

} // namespace brontle::atlas
