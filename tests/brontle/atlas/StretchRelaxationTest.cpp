// Relaxing a conformal layout towards rigid triangles: it lowers the stretch of a curved chart
// without folding it, leaves an exact layout of a flat chart exact, and declines a chart with
// nothing to relax.

#include "brontle/atlas/StretchRelaxation.h"
#include "AtlasTestMeshes.h"
#include "brontle/atlas/BoundaryOverlap.h"
#include "brontle/atlas/Lscm.h"
#include "brontle/atlas/MeshAdjacency.h"
#include "brontle/atlas/Stretch.h"

#include <cmath>

namespace brontle::atlas::testing {
namespace {

// The whole mesh as one chart, flattened conformally.
Chart conformalChart(const MeshAdjacency& adj, std::vector<std::int32_t>& owner) {
    owner.assign(adj.polygonCount, 0);
    Chart chart;
    for (int p = 0; p < adj.polygonCount; ++p) {
        chart.polygons.push_back(p);
    }
    std::vector<std::int32_t> scratch(adj.vertexCount, -1);
    numberChartVertices(adj, chart, scratch);
    EXPECT_TRUE(flattenConformal(adj, owner, 0, chart));
    return chart;
}

StretchSum stretchOf(const MeshAdjacency& adj, const Chart& chart) {
    StretchSum sum;
    accumulateChartStretch(adj, chart, sum);
    return sum;
}

TEST(StretchRelaxation, LowersTheStretchOfACurvedChartWithoutFolding) {
    // A round hill 4 high and about 6 wide on a 12 x 12 grid: its conformal map shrinks the
    // flat rim against the top.
    const GeneratedMesh cap = quadGrid(12, [](int i, int j) {
        const double x = i - 6.0;
        const double y = j - 6.0;
        return 4.0 * std::exp(-(x * x + y * y) / 9.0);
    });
    const MeshAdjacency adj = buildAdjacency(cap.view());
    std::vector<std::int32_t> owner;
    Chart chart = conformalChart(adj, owner);
    const StretchSum conformal = stretchOf(adj, chart);
    ASSERT_EQ(conformal.flipped, 0);
    ASSERT_GT(conformal.meanL2(), 1.02);

    std::vector<Vec2d> relaxed;
    ASSERT_TRUE(relaxStretch(adj, chart, 10, relaxed));
    ASSERT_EQ(relaxed.size(), chart.vertices.size());
    chart.uv = relaxed;
    const StretchSum after = stretchOf(adj, chart);
    EXPECT_EQ(after.flipped, 0);
    EXPECT_FALSE(borderSelfIntersects(adj, owner, 0, chart));
    EXPECT_LT(after.meanL2(), conformal.meanL2() - 0.5 * (conformal.meanL2() - 1.0));
    EXPECT_LT(after.normL2(), conformal.normL2());
    // About the 3D scale, as it started.
    EXPECT_NEAR(after.area2d / after.area3d, 1.0, 0.1);
}

TEST(StretchRelaxation, KeepsAFlatChartExactAndDeclinesDegenerateOnes) {
    const GeneratedMesh flat = quadGrid(6);
    const MeshAdjacency adj = buildAdjacency(flat.view());
    std::vector<std::int32_t> owner;
    Chart chart = conformalChart(adj, owner);
    std::vector<Vec2d> relaxed;
    ASSERT_TRUE(relaxStretch(adj, chart, 10, relaxed));
    chart.uv = relaxed;
    const StretchSum after = stretchOf(adj, chart);
    EXPECT_EQ(after.flipped, 0);
    EXPECT_NEAR(after.meanL2(), 1.0, 1e-6);
    EXPECT_NEAR(after.maxLinf(), 1.0, 1e-6);
    // Unscaled: the grid's unit edges stay unit long.
    EXPECT_NEAR(after.area2d, 36.0, 1e-6);

    // Three corners on one line: no triangle of area to relax.
    GeneratedMesh line;
    line.positions = {{0.0F, 0.0F, 0.0F}, {1.0F, 0.0F, 0.0F}, {2.0F, 0.0F, 0.0F}};
    line.addPolygon({0, 1, 2});
    const MeshAdjacency lineAdj = buildAdjacency(line.view());
    Chart degenerate;
    degenerate.polygons = {0};
    std::vector<std::int32_t> scratch(lineAdj.vertexCount, -1);
    numberChartVertices(lineAdj, degenerate, scratch);
    degenerate.uv = {{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}};
    EXPECT_FALSE(relaxStretch(lineAdj, degenerate, 10, relaxed));
}

} // namespace
} // namespace brontle::atlas::testing
