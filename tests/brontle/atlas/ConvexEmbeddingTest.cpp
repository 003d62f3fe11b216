// The fold-free fallback flattening, and gluing single polygons back onto their neighbours.

#include "brontle/atlas/ConvexEmbedding.h"
#include "AtlasTestMeshes.h"
#include "brontle/atlas/BoundaryOverlap.h"
#include "brontle/atlas/CrumbMerging.h"
#include "brontle/atlas/MeshAdjacency.h"
#include "brontle/atlas/Stretch.h"

#include <cmath>
#include <numbers>
#include <numeric>

namespace brontle::atlas::testing {
namespace {

Chart chartOf(const MeshAdjacency& adj, std::vector<std::int32_t> polygons) {
    Chart chart;
    chart.polygons = std::move(polygons);
    std::vector<std::int32_t> scratch(adj.vertexCount, -1);
    numberChartVertices(adj, chart, scratch);
    return chart;
}

Chart wholeMesh(const MeshAdjacency& adj) {
    std::vector<std::int32_t> all(adj.polygonCount);
    std::iota(all.begin(), all.end(), 0);
    return chartOf(adj, all);
}

TEST(ConvexEmbedding, SpikedPatchLiesOnACircleWithoutFoldsAndATouchingBorderIsRefused) {
    // Needles several cells tall on a quad grid: whatever the heights, every triangle keeps its
    // orientation and the border lies on the unit circle.
    const GeneratedMesh patch = quadGrid(6, [](int i, int j) {
        return (i + 2 * j) % 3 == 0 && i > 0 && j > 0 && i < 6 && j < 6 ? 4.0 : 0.0;
    });
    const MeshAdjacency adj = buildAdjacency(patch.view());
    Chart chart = wholeMesh(adj);
    const std::vector<std::int32_t> owner(adj.polygonCount, 0);
    ASSERT_TRUE(flattenConvex(adj, owner, 0, chart));
    ASSERT_EQ(chart.uv.size(), chart.vertices.size());
    StretchSum sum;
    accumulateChartStretch(adj, chart, sum);
    EXPECT_EQ(sum.flipped, 0);
    EXPECT_GT(sum.area2d, 0.0);
    EXPECT_FALSE(borderSelfIntersects(adj, owner, 0, chart));
    int onCircle = 0;
    for (std::size_t l = 0; l < chart.vertices.size(); ++l) {
        const Vector3 p = patch.positions[chart.vertices[l]];
        const bool border = p.x == 0.0f || p.y == 0.0f || p.x == 6.0f || p.y == 6.0f;
        const double radius = length(chart.uv[l]);
        if (border) {
            EXPECT_NEAR(radius, 1.0, 1e-12);
            ++onCircle;
        } else {
            EXPECT_LT(radius, 1.0 - 1e-6);
        }
    }
    EXPECT_EQ(onCircle, 24);

    // Two triangles meeting at one vertex: the border passes that vertex twice, refused.
    GeneratedMesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
    m.addPolygon({0, 1, 2});
    m.addPolygon({0, 3, 4});
    const MeshAdjacency touching = buildAdjacency(m.view());
    Chart twice = wholeMesh(touching);
    EXPECT_FALSE(flattenConvex(touching, std::vector<std::int32_t>(2, 0), 0, twice));
    EXPECT_TRUE(twice.uv.empty());
}

// A chart flattened in the z = 0 plane by its x, y coordinates.
Chart planarChart(const MeshAdjacency& adj, std::vector<std::int32_t> polygons) {
    Chart chart = chartOf(adj, std::move(polygons));
    for (const std::int32_t v : chart.vertices) {
        chart.uv.push_back({adj.positions[v].x, adj.positions[v].y});
    }
    return chart;
}

TEST(SinglePolygonMerging, PolygonIsHingedOntoItsNeighbourIsometrically) {
    // A 3 x 1 strip folded up by 90 degrees at x = 2: the last quad, alone, is glued onto the
    // first two, unfolded flat across the shared edge.
    GeneratedMesh m;
    m.positions = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 0, 1},
                   {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {2, 1, 1}};
    m.addPolygon({0, 1, 5, 4});
    m.addPolygon({1, 2, 6, 5});
    m.addPolygon({2, 3, 7, 6});
    const MeshAdjacency adj = buildAdjacency(m.view());
    std::vector<Chart> charts;
    charts.push_back(planarChart(adj, {0, 1}));
    charts.push_back(chartOf(adj, {2}));
    charts.back().uv.assign(charts.back().vertices.size(), {0.0, 0.0});
    mergeSinglePolygonCharts(adj, 1.04, charts);
    ASSERT_EQ(charts.size(), 1u);
    const Chart& merged = charts[0];
    EXPECT_EQ(merged.polygons, (std::vector<std::int32_t>{0, 1, 2}));
    for (std::size_t l = 0; l < merged.vertices.size(); ++l) {
        const int v = merged.vertices[l];
        // Unfolded: (2, y, 1) lands at (3, y); the others keep their place.
        const double x = v == 3 || v == 7 ? 3.0 : adj.positions[v].x;
        EXPECT_NEAR(merged.uv[l].x, x, 1e-12) << "vertex " << v;
        EXPECT_NEAR(merged.uv[l].y, adj.positions[v].y, 1e-12) << "vertex " << v;
    }
}

TEST(SinglePolygonMerging, PolygonThatWouldOverlapItsNeighbourStaysAlone) {
    // A fan of quads round the origin whose layout leaves a gap narrower than the quad glued
    // into it: hinged flat on one of its edges, the last quad would fold over the other.
    GeneratedMesh m;
    m.positions = {{0, 0, 0},  {1, 0, 0},   {1, 1, 0},  {0, 1, 0}, {-1, 1, 0},
                   {-1, 0, 0}, {-1, -1, 0}, {0, -1, 0}, {1, -1, 0}};
    m.addPolygon({0, 1, 2, 3});
    m.addPolygon({0, 3, 4, 5});
    m.addPolygon({0, 5, 6, 7});
    m.addPolygon({0, 7, 8, 1}); // closes the disc, so it shares two edges
    const MeshAdjacency adj = buildAdjacency(m.view());
    std::vector<Chart> charts;
    // The first three quads laid out spread over 330 degrees instead of 270.
    Chart fan = chartOf(adj, {0, 1, 2});
    for (const std::int32_t v : fan.vertices) {
        const double angle = std::atan2(adj.positions[v].y, adj.positions[v].x);
        const double r = std::hypot(adj.positions[v].x, adj.positions[v].y);
        const double squeezed =
            (angle < -1e-9 ? angle + 2.0 * std::numbers::pi : angle) * (11.0 / 9.0);
        fan.uv.push_back({r * std::cos(squeezed), r * std::sin(squeezed)});
    }
    charts.push_back(std::move(fan));
    charts.push_back(chartOf(adj, {3}));
    charts.back().uv.assign(charts.back().vertices.size(), {0.0, 0.0});
    mergeSinglePolygonCharts(adj, 10.0, charts);
    EXPECT_EQ(charts.size(), 2u);
    EXPECT_EQ(charts[1].polygons, (std::vector<std::int32_t>{3}));
}

} // namespace
} // namespace brontle::atlas::testing
