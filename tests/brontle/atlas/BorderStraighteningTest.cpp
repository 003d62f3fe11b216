// Straightening saw-toothed borders between flattened charts: teeth move into the chart that
// surrounds them, keeping every layout as it was, and never where they would fold or stretch.

#include "brontle/atlas/BorderStraightening.h"
#include "AtlasTestMeshes.h"
#include "FlattenedCharts.h"
#include "brontle/atlas/BoundaryOverlap.h"
#include "brontle/atlas/Lscm.h"
#include "brontle/atlas/MeshAdjacency.h"
#include "brontle/atlas/Stretch.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace brontle::atlas::testing {
namespace {

constexpr int kSize = 8;

// An 8 x 8 grid of quads over a gentle bump, each quad cut along its diagonal from (i, j) to
// (i + 1, j + 1): polygon 2 * (j * 8 + i) is the lower triangle (bottom and right edges),
// polygon 2 * (j * 8 + i) + 1 the upper one (top and left edges).
GeneratedMesh bumpyTriangleGrid() {
    GeneratedMesh m;
    for (int j = 0; j <= kSize; ++j) {
        for (int i = 0; i <= kSize; ++i) {
            const double x = i - 0.5 * kSize;
            const double y = j - 0.5 * kSize;
            m.positions.push_back({static_cast<float>(i), static_cast<float>(j),
                                   static_cast<float>(2.0 * std::exp(-(x * x + y * y) / 16.0))});
        }
    }
    auto id = [](int i, int j) { return j * (kSize + 1) + i; };
    for (int j = 0; j < kSize; ++j) {
        for (int i = 0; i < kSize; ++i) {
            m.addPolygon({id(i, j), id(i + 1, j), id(i + 1, j + 1)});
            m.addPolygon({id(i, j), id(i + 1, j + 1), id(i, j + 1)});
        }
    }
    return m;
}

int upperTriangle(int i, int j) {
    return 2 * (j * kSize + i) + 1;
}

// Chart 0: the columns left of x = 4 and, as teeth, the upper triangles of column 4 in the
// even rows (each shares its top and diagonal with chart 1, its left edge with chart 0).
// Chart 1: the rest. Both flattened conformally and scaled to their 3D area.
std::vector<Chart> toothedHalves(const MeshAdjacency& adj, std::vector<std::int32_t>& owner) {
    owner.assign(adj.polygonCount, 1);
    for (int p = 0; p < adj.polygonCount; ++p) {
        const int quad = p / 2;
        if (quad % kSize < 4) {
            owner[p] = 0;
        }
    }
    for (int j = 0; j < kSize; j += 2) {
        owner[upperTriangle(4, j)] = 0;
    }
    return flattenedCharts(adj, owner, 2);
}

// Per chart, mesh vertex -> layout position.
std::vector<std::map<std::int32_t, std::pair<double, double>>>
positions(const std::vector<Chart>& charts) {
    std::vector<std::map<std::int32_t, std::pair<double, double>>> out(charts.size());
    for (std::size_t i = 0; i < charts.size(); ++i) {
        for (std::size_t l = 0; l < charts[i].vertices.size(); ++l) {
            out[i][charts[i].vertices[l]] = {charts[i].uv[l].x, charts[i].uv[l].y};
        }
    }
    return out;
}

TEST(BorderStraightening, TeethMoveIntoTheSurroundingChartKeepingItsLayout) {
    const GeneratedMesh mesh = bumpyTriangleGrid();
    const MeshAdjacency adj = buildAdjacency(mesh.view());
    std::vector<std::int32_t> owner;
    std::vector<Chart> charts = toothedHalves(adj, owner);
    const auto before = positions(charts);
    StretchSum wholeBefore;
    accumulateChartStretch(adj, charts[1], wholeBefore);

    EXPECT_EQ(straightenChartBorders(adj, StraightenSettings{}, charts), 4);
    ASSERT_EQ(charts.size(), 2u);
    // The border is the straight line x = 4 now: chart 0 is exactly the left four columns.
    std::vector<std::int32_t> left;
    for (int p = 0; p < adj.polygonCount; ++p) {
        if ((p / 2) % kSize < 4) {
            left.push_back(p);
        }
    }
    EXPECT_EQ(charts[0].polygons, left);
    EXPECT_EQ(charts[0].polygons.size() + charts[1].polygons.size(),
              static_cast<std::size_t>(adj.polygonCount));
    // Every vertex keeps the position its chart gave it; chart 0 lost the teeth's apexes only.
    const auto after = positions(charts);
    EXPECT_EQ(after[1], before[1]);
    for (const auto& [vertex, at] : after[0]) {
        EXPECT_EQ(before[0].at(vertex), at);
    }
    EXPECT_EQ(after[0].size() + 4, before[0].size());
    for (std::size_t i = 0; i < charts.size(); ++i) {
        owner.assign(adj.polygonCount, -1);
        for (const std::int32_t p : charts[i].polygons) {
            owner[p] = static_cast<std::int32_t>(i);
        }
        const auto id = static_cast<std::int32_t>(i);
        EXPECT_EQ(eulerCharacteristic(adj, owner, id, charts[i]), 1) << "chart " << i;
        EXPECT_FALSE(borderSelfIntersects(adj, owner, id, charts[i])) << "chart " << i;
        StretchSum sum;
        accumulateChartStretch(adj, charts[i], sum);
        EXPECT_EQ(sum.flipped, 0) << "chart " << i;
    }
    StretchSum wholeAfter;
    accumulateChartStretch(adj, charts[1], wholeAfter);
    EXPECT_LE(wholeAfter.meanL2(), std::max(1.04, wholeBefore.meanL2()));

    // A straight border has no teeth: a second run moves nothing.
    EXPECT_EQ(straightenChartBorders(adj, StraightenSettings{}, charts), 0);
}

TEST(BorderStraightening, NoToothMovesWhereItWouldFoldOrStretch) {
    const GeneratedMesh mesh = bumpyTriangleGrid();
    const MeshAdjacency adj = buildAdjacency(mesh.view());
    std::vector<std::int32_t> owner;
    const std::vector<Chart> toothed = toothedHalves(adj, owner);
    auto unchanged = [&](std::vector<Chart> charts) {
        EXPECT_EQ(straightenChartBorders(adj, StraightenSettings{}, charts), 0);
        ASSERT_EQ(charts.size(), 2u);
        EXPECT_EQ(charts[0].polygons, toothed[0].polygons);
        EXPECT_EQ(charts[1].polygons, toothed[1].polygons);
    };
    // The surrounding chart's layout twice as large: each tooth would cover four times its
    // area there.
    std::vector<Chart> charts = toothed;
    for (Vec2d& p : charts[1].uv) {
        p = p * 2.0;
    }
    unchanged(charts);
    // Its layout mirrored: each tooth would be flipped there.
    charts = toothed;
    for (Vec2d& p : charts[1].uv) {
        p.x = -p.x;
    }
    unchanged(charts);
    // Stretched along x by 60 %: the tooth's L2 stretch there is beyond 1.1, and beyond what it
    // has in its own chart.
    charts = toothed;
    for (Vec2d& p : charts[1].uv) {
        p.x *= 1.6;
        p.y /= 1.6;
    }
    unchanged(charts);
    // A chart laid out by the convex embedding, or projected flat, takes nothing in.
    charts = toothed;
    charts[1].convexEmbedded = true;
    unchanged(charts);
    charts = toothed;
    charts[1].projected = true;
    unchanged(charts);
}

} // namespace
} // namespace brontle::atlas::testing
