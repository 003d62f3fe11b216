// Joining neighbouring strips of a chart layout: a thin open tube cut into one strip per column
// of quads is joined into wider charts that still lie flat, while compact charts stay apart.

#include "brontle/atlas/ChartMerging.h"
#include "AtlasTestMeshes.h"
#include "FlattenedCharts.h"
#include "brontle/atlas/BoundaryOverlap.h"
#include "brontle/atlas/Lscm.h"
#include "brontle/atlas/MeshAdjacency.h"
#include "brontle/atlas/Stretch.h"

#include <cmath>
#include <numbers>

namespace brontle::atlas::testing {
namespace {

// An open tube along z: `sides` columns of `rows` quads, radius 1, length `length`. Polygon
// index = column * rows + row.
GeneratedMesh openTube(int sides, int rows, double length) {
    GeneratedMesh m;
    for (int s = 0; s < sides; ++s) {
        const double a = 2.0 * std::numbers::pi * s / sides;
        for (int r = 0; r <= rows; ++r) {
            m.positions.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)),
                                   static_cast<float>(length * r / rows)});
        }
    }
    auto at = [&](int s, int r) { return (s % sides) * (rows + 1) + r; };
    for (int s = 0; s < sides; ++s) {
        for (int r = 0; r < rows; ++r) {
            m.addPolygon({at(s, r), at(s + 1, r), at(s + 1, r + 1), at(s, r + 1)});
        }
    }
    return m;
}

// One chart per group of polygons [k * size, (k + 1) * size), flattened conformally and scaled
// to its 3D area.
std::vector<Chart> chartsOfRuns(const MeshAdjacency& adj, int size) {
    std::vector<std::int32_t> owner(adj.polygonCount);
    for (int p = 0; p < adj.polygonCount; ++p) {
        owner[p] = p / size;
    }
    return flattenedCharts(adj, owner, adj.polygonCount / size);
}

// Every polygon in exactly one chart; every chart a flat disc without folds, within `bound`.
void expectValidCharts(const MeshAdjacency& adj, const std::vector<Chart>& charts, double bound) {
    std::vector<std::int32_t> owner(adj.polygonCount, -1);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        for (const std::int32_t p : charts[i].polygons) {
            EXPECT_EQ(owner[p], -1) << "polygon " << p << " in two charts";
            owner[p] = static_cast<std::int32_t>(i);
        }
        if (i > 0) {
            EXPECT_LT(charts[i - 1].polygons[0], charts[i].polygons[0]);
        }
    }
    EXPECT_EQ(std::count(owner.begin(), owner.end(), -1), 0);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        const auto id = static_cast<std::int32_t>(i);
        EXPECT_EQ(eulerCharacteristic(adj, owner, id, charts[i]), 1) << "chart " << i;
        StretchSum sum;
        accumulateChartStretch(adj, charts[i], sum);
        EXPECT_EQ(sum.flipped, 0) << "chart " << i;
        EXPECT_LE(sum.meanL2(), bound) << "chart " << i;
        EXPECT_NEAR(sum.area2d, sum.area3d, 1e-6 * sum.area3d) << "chart " << i;
        EXPECT_FALSE(borderSelfIntersects(adj, owner, id, charts[i])) << "chart " << i;
    }
}

TEST(ChartMerging, StripsOfATubeJoinIntoFlatChartsAndCompactChartsStayApart) {
    // 12 strips, each 0.52 wide and 20 long: 2 border widths of 0.26 wide.
    const int sides = 12;
    const int rows = 40;
    const GeneratedMesh tube = openTube(sides, rows, 20.0);
    const MeshAdjacency adj = buildAdjacency(tube.view());
    std::vector<Chart> charts = chartsOfRuns(adj, rows);
    MergeSettings settings;
    settings.borderWidth = 0.26;
    settings.threads = 2;
    const int joins = mergeNeighbourCharts(adj, settings, charts);
    EXPECT_GT(joins, 0);
    EXPECT_EQ(static_cast<int>(charts.size()), sides - joins);
    // A strip may grow to 16 border widths (4.2 across): three strips or more per chart, and
    // never the whole tube, which is no disc.
    EXPECT_LE(static_cast<int>(charts.size()), sides / 3);
    EXPECT_GE(charts.size(), 2u);
    expectValidCharts(adj, charts, settings.stretchBound);

    // Thread count does not change the result.
    std::vector<Chart> again = chartsOfRuns(adj, rows);
    settings.threads = 1;
    EXPECT_EQ(mergeNeighbourCharts(adj, settings, again), joins);
    ASSERT_EQ(again.size(), charts.size());
    for (std::size_t i = 0; i < charts.size(); ++i) {
        EXPECT_EQ(again[i].polygons, charts[i].polygons);
    }

    // Without a border cost nothing is worth joining.
    std::vector<Chart> unchanged = chartsOfRuns(adj, rows);
    settings.borderWidth = 0.0;
    EXPECT_EQ(mergeNeighbourCharts(adj, settings, unchanged), 0);
    EXPECT_EQ(static_cast<int>(unchanged.size()), sides);

    // The two 8 x 4 halves of a flat grid are compact: left apart although their border (8 long,
    // costing 8 of their 64 units of area) would be worth joining strips for.
    const GeneratedMesh grid = quadGrid(8);
    const MeshAdjacency gridAdj = buildAdjacency(grid.view());
    std::vector<Chart> halves = chartsOfRuns(gridAdj, 32);
    settings.borderWidth = 1.0;
    EXPECT_EQ(mergeNeighbourCharts(gridAdj, settings, halves), 0);
    EXPECT_EQ(halves.size(), 2u);
}

} // namespace
} // namespace brontle::atlas::testing
