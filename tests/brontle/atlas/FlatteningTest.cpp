// The pieces under the atlas, against oracles computed another way: the conformal map of a
// planar chart is a similarity, stretch of a known affine map, adjacency of literal meshes.

#include "AtlasTestMeshes.h"
#include "brontle/atlas/BoundaryOverlap.h"
#include "brontle/atlas/Chart.h"
#include "brontle/atlas/ChartSplitting.h"
#include "brontle/atlas/Lscm.h"
#include "brontle/atlas/MeshAdjacency.h"
#include "brontle/atlas/Stretch.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace brontle::atlas::testing {
namespace {

// The whole mesh as one chart numbered 0.
Chart wholeMeshChart(const MeshAdjacency& adj) {
    Chart chart;
    chart.polygons.resize(adj.polygonCount);
    std::iota(chart.polygons.begin(), chart.polygons.end(), 0);
    std::vector<std::int32_t> scratch(adj.vertexCount, -1);
    numberChartVertices(adj, chart, scratch);
    return chart;
}

TEST(Adjacency, NeighboursAreOppositeSeamsCutAndAreasAreKept) {
    const GeneratedMesh grid = quadGrid(3);
    const MeshAdjacency adj = buildAdjacency(grid.view());
    int inner = 0;
    for (int c = 0; c < adj.cornerCount(); ++c) {
        const int o = adj.oppositeCorner[c];
        if (o < 0) {
            continue;
        }
        ++inner;
        EXPECT_EQ(adj.oppositeCorner[o], c);
        EXPECT_EQ(adj.cornerVertex[o], adj.cornerVertex[adj.nextCorner(c)]);
    }
    EXPECT_EQ(inner, 2 * 12); // 12 inner edges of a 3 x 3 grid, seen from both sides
    EXPECT_NEAR(adj.polygonArea[4], 1.0, 1e-12);
    EXPECT_NEAR(adj.polygonNormal[4].z, 1.0, 1e-12);

    // A seam named from either side cuts the edge.
    GeneratedMesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}};
    m.addPolygon({0, 1, 2, 3});
    m.addPolygon({1, 4, 5, 2});
    EXPECT_EQ(buildAdjacency(m.view()).oppositeCorner[1], 7);
    m.seams = {{0, 1, {0, 0, 0, 0}}};
    EXPECT_EQ(buildAdjacency(m.view()).oppositeCorner[1], -1);
    m.seams = {{1, 3, {0, 0, 0, 0}}};
    const MeshAdjacency cut = buildAdjacency(m.view());
    EXPECT_EQ(cut.oppositeCorner[1], -1);
    EXPECT_EQ(cut.oppositeCorner[7], -1);

    // A closed fan of 1,000 triangles round one centre, listed out of order, joins every
    // spoke; a triangle wound the other way meets its neighbours along edges run in the same
    // direction, which join nothing.
    GeneratedMesh fan;
    constexpr int kSpokes = 1000;
    fan.positions.push_back({0, 0, 0});
    for (int i = 0; i < kSpokes; ++i) {
        const double angle = 2.0 * std::acos(-1.0) * i / kSpokes;
        fan.positions.push_back(
            {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)), 0});
    }
    int reversed = -1;
    for (int n = 0; n < kSpokes; ++n) {
        const int i = n * 389 % kSpokes;
        const int a = 1 + i;
        const int b = 1 + (i + 1) % kSpokes;
        if (i == 7) {
            fan.addPolygon({0, b, a});
            reversed = n;
        } else {
            fan.addPolygon({0, a, b});
        }
    }
    const MeshAdjacency fanAdj = buildAdjacency(fan.view());
    const auto joined = std::count_if(fanAdj.oppositeCorner.begin(), fanAdj.oppositeCorner.end(),
                                      [](std::int32_t o) { return o >= 0; });
    EXPECT_EQ(joined, 2 * (kSpokes - 2)); // the reversed triangle's two spokes join nothing
    for (int c = 3 * reversed; c < 3 * reversed + 3; ++c) {
        EXPECT_EQ(fanAdj.oppositeCorner[c], -1);
    }

    // A non-convex polygon keeps its area: an L-shaped hexagon of area 3.
    GeneratedMesh ell;
    ell.positions = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
    ell.addPolygon({0, 1, 2, 3, 4, 5});
    EXPECT_NEAR(buildAdjacency(ell.view()).polygonArea[0], 3.0, 1e-12);
}

TEST(Lscm, PlanarChartIsMappedBySimilarity) {
    // A planar but irregular grid: LSCM must reproduce it up to rotation and uniform scale, so
    // every distance ratio between the layout and 3D is the same.
    const GeneratedMesh grid = quadGrid(5, [](int i, int j) { return 0.1 * i + 0.05 * j; });
    const MeshAdjacency adj = buildAdjacency(grid.view());
    Chart chart = wholeMeshChart(adj);
    const std::vector<std::int32_t> owner(adj.polygonCount, 0);
    ASSERT_TRUE(flattenConformal(adj, owner, 0, chart));
    const int n = static_cast<int>(chart.vertices.size());
    double ratio = 0.0;
    for (int a = 0; a < n; a += 3) {
        for (int b = a + 1; b < n; b += 5) {
            const double d3 =
                length(adj.positions[chart.vertices[a]] - adj.positions[chart.vertices[b]]);
            const double d2 = length(chart.uv[a] - chart.uv[b]);
            if (ratio == 0.0) {
                ratio = d2 / d3;
            }
            EXPECT_NEAR(d2 / d3, ratio, 1e-5 * ratio); // single-precision input
        }
    }
}

TEST(Lscm, ClosedChartHasNoBorderToPin) {
    const GeneratedMesh cube = flatShadedCube();
    const MeshAdjacency adj = buildAdjacency(cube.view());
    Chart chart = wholeMeshChart(adj);
    const std::vector<std::int32_t> owner(adj.polygonCount, 0);
    EXPECT_EQ(eulerCharacteristic(adj, owner, 0, chart), 2);
    EXPECT_FALSE(flattenConformal(adj, owner, 0, chart));
}

TEST(Lscm, CurvedPatchFlattensWithoutFoldsAndLowStretch) {
    const GeneratedMesh patch = bumpyPatch(10);
    const MeshAdjacency adj = buildAdjacency(patch.view());
    Chart chart = wholeMeshChart(adj);
    const std::vector<std::int32_t> owner(adj.polygonCount, 0);
    EXPECT_EQ(eulerCharacteristic(adj, owner, 0, chart), 1);
    ASSERT_TRUE(flattenConformal(adj, owner, 0, chart));
    StretchSum sum;
    accumulateChartStretch(adj, chart, sum);
    EXPECT_EQ(sum.flipped, 0);
    EXPECT_LT(sum.normL2(), 1.1);
    EXPECT_FALSE(borderSelfIntersects(adj, owner, 0, chart));
}

TEST(Stretch, AffineStretchMatchesTheAnalyticValue) {
    // The unit right triangle laid out twice as wide: after scaling the layout to the same area
    // the map 2D -> 3D has singular values sqrt(2) and 1 / sqrt(2): L2 = sqrt(5 / 4), Linf =
    // sqrt(2).
    GeneratedMesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    m.addPolygon({0, 1, 2});
    const MeshAdjacency adj = buildAdjacency(m.view());
    Chart chart = wholeMeshChart(adj);
    chart.uv = {{0, 0}, {2, 0}, {0, 1}};
    StretchSum sum;
    accumulateChartStretch(adj, chart, sum);
    EXPECT_NEAR(sum.normL2(), std::sqrt(1.25), 1e-12);
    EXPECT_NEAR(sum.meanL2(), std::sqrt(1.25), 1e-12);
    EXPECT_NEAR(sum.maxLinf(), std::sqrt(2.0), 1e-12);
    EXPECT_EQ(sum.flipped, 0);
    chart.uv = {{0, 0}, {0, 1}, {2, 0}}; // mirrored
    StretchSum mirrored;
    accumulateChartStretch(adj, chart, mirrored);
    EXPECT_EQ(mirrored.flipped, 1);
}

TEST(BorderOverlap, CrossingBorderIsFound) {
    // A strip of three quads whose layout folds the last quad back across the first.
    GeneratedMesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0},
                   {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {3, 1, 0}};
    m.addPolygon({0, 1, 5, 4});
    m.addPolygon({1, 2, 6, 5});
    m.addPolygon({2, 3, 7, 6});
    const MeshAdjacency adj = buildAdjacency(m.view());
    Chart chart = wholeMeshChart(adj);
    const std::vector<std::int32_t> owner(adj.polygonCount, 0);
    auto setUv = [&](int vertex, double x, double y) {
        for (std::size_t l = 0; l < chart.vertices.size(); ++l) {
            if (chart.vertices[l] == vertex) {
                chart.uv[l] = {x, y};
            }
        }
    };
    chart.uv.assign(chart.vertices.size(), {});
    for (int v = 0; v < 8; ++v) {
        setUv(v, v % 4, v / 4);
    }
    EXPECT_FALSE(borderSelfIntersects(adj, owner, 0, chart));
    // Bend the strip into a U whose last quad crosses the first.
    setUv(2, 1.5, 0.5);
    setUv(6, 1.5, 1.5);
    setUv(3, 0.5, -0.5);
    setUv(7, 0.5, 2.5);
    EXPECT_TRUE(borderSelfIntersects(adj, owner, 0, chart));
}

TEST(AtlasStretch, PlanarGridFlattensIsometrically) {
    const GeneratedMesh grid = quadGrid(6);
    const Result r = generate(grid.view(), defaultOptions());
    EXPECT_EQ(r.chartCount, 1);
    EXPECT_NEAR(r.stretchL2, 1.0, 1e-3);
    EXPECT_NEAR(r.stretchLinf, 1.0, 1e-3);
}

TEST(AtlasStretch, ReportedStretchAgreesWithTheOutputCoordinates) {
    // Recompute the L2 stretch over the mesh (root mean square, weighted by 3D area) from the
    // returned coordinates with the Frobenius norm of the Jacobian
    // J = [q1 - q0, q2 - q0] [t1 - t0, t2 - t0]^-1 (L2^2 = |J|_F^2 / 2).
    const GeneratedMesh sphere = peelwise::bench::noisySphere(6);
    const Options o = defaultOptions();
    const Result r = generate(sphere.view(), o);
    double area3 = 0.0, area2 = 0.0, weighted = 0.0;
    for (int p = 0; p < sphere.polygonCount(); ++p) {
        const int c = sphere.polygonStart[p];
        Vec3d q[3];
        Vec2d t[3];
        for (int k = 0; k < 3; ++k) {
            const Vector3 v = sphere.positions[sphere.cornerVertex[c + k]];
            q[k] = {v.x, v.y, v.z};
            const auto [x, y] = texel(r, c + k, o);
            t[k] = {x, y};
        }
        const double a3 = 0.5 * length(cross(q[1] - q[0], q[2] - q[0]));
        const Vec2d e1 = t[1] - t[0], e2 = t[2] - t[0];
        const double det = cross(e1, e2);
        // Inverse of [e1 e2] is [[e2.y, -e2.x], [-e1.y, e1.x]] / det.
        const Vec3d j0 = ((q[1] - q[0]) * e2.y - (q[2] - q[0]) * e1.y) * (1.0 / det);
        const Vec3d j1 = ((q[2] - q[0]) * e1.x - (q[1] - q[0]) * e2.x) * (1.0 / det);
        area3 += a3;
        area2 += 0.5 * det;
        weighted += a3 * 0.5 * (dot(j0, j0) + dot(j1, j1));
    }
    const double scale = std::sqrt(area3 / area2);
    EXPECT_NEAR(std::sqrt(weighted / area3) / scale, r.stretchL2, 1e-4);
}

TEST(AtlasStretch, EveryChartOfANoisySphereMeetsTheStretchBound) {
    // Pieces of an over-stretched chart may keep its layout instead of being solved again; the
    // bound must still hold for each final chart, measured on the returned coordinates alone.
    // Factor 2 (bound 1.02) so that many charts are split for stretch.
    const GeneratedMesh sphere = peelwise::bench::noisySphereWithTriangles(20000);
    Options o = defaultOptions();
    o.factor = 2;
    const Result r = generate(sphere.view(), o);
    ASSERT_GT(r.chartCount, 4);
    const MeshAdjacency adj = buildAdjacency(sphere.view());
    std::vector<Chart> charts(r.chartCount);
    for (int p = 0; p < sphere.polygonCount(); ++p) {
        charts[r.polygonChart[p]].polygons.push_back(p);
    }
    std::vector<std::int32_t> scratch(adj.vertexCount, -1);
    for (Chart& chart : charts) {
        numberChartVertices(adj, chart, scratch);
        chart.uv.resize(chart.vertices.size());
        std::size_t k = 0;
        for (const std::int32_t p : chart.polygons) {
            for (int c = sphere.polygonStart[p]; c < sphere.polygonStart[p + 1]; ++c, ++k) {
                const auto [x, y] = texel(r, c, o);
                chart.uv[chart.cornerLocal[k]] = {x, y};
            }
        }
        StretchSum sum;
        accumulateChartStretch(adj, chart, sum);
        EXPECT_EQ(sum.flipped, 0);
        // The coordinates are single precision.
        EXPECT_LE(sum.meanL2(), 1.02 + 1e-4) << chart.polygons.size() << " polygons";
    }
}

TEST(ChartSplitting, SplitsIntoTheRequestedNumberOfConnectedPieces) {
    const GeneratedMesh grid = quadGrid(12);
    const MeshAdjacency adj = buildAdjacency(grid.view());
    std::vector<std::int32_t> all(adj.polygonCount);
    std::iota(all.begin(), all.end(), 0);
    SplitScratch scratch(adj);
    for (const int pieces : {2, 3, 5}) {
        const auto parts = splitChart(adj, all, false, scratch, pieces);
        ASSERT_EQ(static_cast<int>(parts.size()), pieces) << pieces;
        std::vector<int> seen(adj.polygonCount, 0);
        for (const auto& part : parts) {
            EXPECT_TRUE(std::is_sorted(part.begin(), part.end()));
            // Farthest-point seeds spread the pieces: none is a sliver of the grid.
            EXPECT_GT(part.size(), 144u / (3u * pieces)) << pieces << " pieces";
            for (const std::int32_t p : part) {
                ++seen[p];
            }
        }
        EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int n) { return n == 1; }));
        for (std::size_t i = 1; i < parts.size(); ++i) {
            EXPECT_LT(parts[i - 1].front(), parts[i].front());
        }
    }
    // The scratch arrays are left clean for the next call.
    EXPECT_TRUE(std::all_of(scratch.polygonLocal.begin(), scratch.polygonLocal.end(),
                            [](int v) { return v == -1; }));
    EXPECT_TRUE(std::all_of(scratch.vertexStamp.begin(), scratch.vertexStamp.end(),
                            [](int v) { return v == -1; }));
}

} // namespace
} // namespace brontle::atlas::testing
