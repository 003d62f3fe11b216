#pragma once
// Small literal meshes and invariant checks shared by the atlas tests.

#include "benchmarks/MeshGenerators.h"
#include "brontle/atlas/Atlas.h"
#include "support/MeshLiterals.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <utility>
#include <vector>

namespace brontle::atlas::testing {

using peelwise::bench::GeneratedMesh;

// A mesh of the shared literal geometry (support/MeshLiterals.h).
template <std::size_t N, std::size_t P>
GeneratedMesh literalMesh(const std::array<std::array<float, 3>, N>& positions,
                          const std::array<std::array<std::int32_t, 4>, P>& polygons) {
    GeneratedMesh m;
    for (const auto& p : positions) {
        m.positions.push_back({p[0], p[1], p[2]});
    }
    for (const auto& q : polygons) {
        m.addPolygon({q[0], q[1], q[2], q[3]});
    }
    return m;
}

// One unit square in the z = 0 plane, counter-clockwise seen from +z.
inline GeneratedMesh unitQuad() {
    return literalMesh(mesh_literals::kUnitQuadPositions, mesh_literals::kUnitQuadPolygons);
}

// n x n unit quads in the z = 0 plane, vertex (i, j) at (i, j, height(i, j)).
template <class Height> GeneratedMesh quadGrid(int n, Height height) {
    GeneratedMesh m;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            m.positions.push_back(
                {static_cast<float>(i), static_cast<float>(j), static_cast<float>(height(i, j))});
        }
    }
    auto id = [n](int i, int j) { return j * (n + 1) + i; };
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            m.addPolygon({id(i, j), id(i + 1, j), id(i + 1, j + 1), id(i, j + 1)});
        }
    }
    return m;
}
inline GeneratedMesh quadGrid(int n) {
    return quadGrid(n, [](int, int) { return 0.0; });
}

// The unit cube as 6 outward-facing quads sharing its 8 vertices.
inline GeneratedMesh flatShadedCube() {
    return literalMesh(mesh_literals::kCubePositions, mesh_literals::kCubePolygons);
}

// Every edge of every face of the cube named as a seam: 24 entries for its 12 edges.
inline GeneratedMesh cubeWithAllSeams() {
    GeneratedMesh m = flatShadedCube();
    for (int p = 0; p < 6; ++p) {
        for (int c = 0; c < 4; ++c) {
            m.seams.push_back({p, c, {0, 0, 0, 0}});
        }
    }
    return m;
}

// A gently curved open patch (a spherical bump over a quad grid): one disc.
inline GeneratedMesh bumpyPatch(int n = 12) {
    return quadGrid(n, [n](int i, int j) {
        const double x = (i - n / 2.0) / n;
        const double y = (j - n / 2.0) / n;
        return 0.3 * n * (0.5 - x * x - y * y);
    });
}

// A flat strip bent into an arc, as quads in the z = `z` plane: `segments` quads along the arc
// of `degrees` around (cx, cy), between radii r and r + width. Added to `m` as a separate part.
inline void addArcStrip(GeneratedMesh& m, double cx, double cy, double z, double r, double width,
                        double degrees, int segments) {
    const auto first = static_cast<std::int32_t>(m.positions.size());
    for (int i = 0; i <= segments; ++i) {
        const double a = degrees * std::numbers::pi / 180.0 * i / segments;
        for (const double radius : {r, r + width}) {
            m.positions.push_back({static_cast<float>(cx + radius * std::cos(a)),
                                   static_cast<float>(cy + radius * std::sin(a)),
                                   static_cast<float>(z)});
        }
    }
    for (int i = 0; i < segments; ++i) {
        const std::int32_t v = first + 2 * i;
        m.addPolygon({v, v + 2, v + 3, v + 1});
    }
}

inline Options defaultOptions() {
    return Options{};
}

// Texture coordinates of one corner in texel units.
inline std::pair<double, double> texel(const Result& r, int corner, const Options& o) {
    const Vector2 t = r.texcoords[r.cornerTexCoord[corner]];
    return {static_cast<double>(t.u) * o.width, static_cast<double>(t.v) * o.height};
}

// Invariants every atlas must satisfy: shapes of the arrays, coordinates in [0, 1], polygons
// whole in one chart, corners that share a vertex inside a chart share one coordinate, and a
// coordinate used by one chart only.
inline void expectAtlasInvariants(const GeneratedMesh& mesh, const Result& r) {
    const int polygons = mesh.polygonCount();
    ASSERT_EQ(r.polygonChart.size(), static_cast<std::size_t>(polygons));
    ASSERT_EQ(r.cornerTexCoord.size(), mesh.cornerVertex.size());
    std::map<std::pair<int, int>, int> coordOfChartVertex;
    std::vector<int> chartOfCoord(r.texcoords.size(), -1);
    for (int p = 0; p < polygons; ++p) {
        const int chart = r.polygonChart[p];
        ASSERT_GE(chart, 0);
        ASSERT_LT(chart, r.chartCount);
        for (int c = mesh.polygonStart[p]; c < mesh.polygonStart[p + 1]; ++c) {
            const int t = r.cornerTexCoord[c];
            ASSERT_GE(t, 0);
            ASSERT_LT(t, static_cast<int>(r.texcoords.size()));
            const auto [it, fresh] = coordOfChartVertex.insert({{chart, mesh.cornerVertex[c]}, t});
            EXPECT_EQ(it->second, t) << "corner " << c << " of polygon " << p;
            EXPECT_TRUE(chartOfCoord[t] < 0 || chartOfCoord[t] == chart) << "coordinate " << t;
            chartOfCoord[t] = chart;
        }
    }
    for (const Vector2& t : r.texcoords) {
        EXPECT_TRUE(t.u >= 0.0f && t.u <= 1.0f && t.v >= 0.0f && t.v <= 1.0f) << t.u << ", " << t.v;
    }
}

// Texels touched by each chart, sampled densely over every fan triangle (a subset of the
// texels a chart covers), as chart index per texel (-1 free, -2 two charts).
inline std::vector<int> sampledChartTexels(const GeneratedMesh& mesh, const Result& r,
                                           const Options& o) {
    std::vector<int> texels(static_cast<std::size_t>(o.width) * o.height, -1);
    for (int p = 0; p < mesh.polygonCount(); ++p) {
        const int begin = mesh.polygonStart[p];
        const auto a = texel(r, begin, o);
        for (int c = begin + 1; c + 1 < mesh.polygonStart[p + 1]; ++c) {
            const auto b = texel(r, c, o);
            const auto d = texel(r, c + 1, o);
            const double extent =
                std::max({std::abs(b.first - a.first), std::abs(d.first - a.first),
                          std::abs(b.second - a.second), std::abs(d.second - a.second)});
            const int steps = static_cast<int>(std::ceil(extent * 4.0)) + 1;
            for (int i = 0; i <= steps; ++i) {
                for (int j = 0; i + j <= steps; ++j) {
                    const double s = static_cast<double>(i) / steps;
                    const double t = static_cast<double>(j) / steps;
                    const double x = a.first + s * (b.first - a.first) + t * (d.first - a.first);
                    const double y =
                        a.second + s * (b.second - a.second) + t * (d.second - a.second);
                    const int tx = std::min(o.width - 1, static_cast<int>(x));
                    const int ty = std::min(o.height - 1, static_cast<int>(y));
                    int& cell = texels[static_cast<std::size_t>(ty) * o.width + tx];
                    if (cell == -1) {
                        cell = r.polygonChart[p];
                    } else if (cell != r.polygonChart[p]) {
                        cell = -2;
                    }
                }
            }
        }
    }
    return texels;
}

// Smallest Chebyshev distance, in texels, between texels of two different charts (or a large
// number when there is one chart), found by scanning a window of `window` texels.
inline int closestForeignTexel(const std::vector<int>& texels, const Options& o, int window) {
    int closest = 1 << 20;
    for (int y = 0; y < o.height; ++y) {
        for (int x = 0; x < o.width; ++x) {
            const int mine = texels[static_cast<std::size_t>(y) * o.width + x];
            if (mine < 0) {
                continue;
            }
            for (int dy = -window; dy <= window; ++dy) {
                for (int dx = -window; dx <= window; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= o.width || ny >= o.height) {
                        continue;
                    }
                    const int other = texels[static_cast<std::size_t>(ny) * o.width + nx];
                    if (other >= 0 && other != mine) {
                        closest = std::min(closest, std::max(std::abs(dx), std::abs(dy)));
                    }
                }
            }
        }
    }
    return closest;
}

} // namespace brontle::atlas::testing
