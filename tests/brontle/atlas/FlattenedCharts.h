#pragma once
// Charts made by hand for the tests of what happens after flattening: one chart per owner
// number, each flattened conformally and scaled to its 3D area, as the atlas leaves them.

#include "brontle/atlas/Chart.h"
#include "brontle/atlas/Lscm.h"
#include "brontle/atlas/MeshAdjacency.h"
#include "brontle/atlas/Stretch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace brontle::atlas::testing {

// Chart k holds the polygons p with owner[p] == k (in ascending order), k from 0 to count - 1.
inline std::vector<Chart> flattenedCharts(const MeshAdjacency& adj,
                                          const std::vector<std::int32_t>& owner, int count) {
    std::vector<Chart> charts(count);
    for (int p = 0; p < adj.polygonCount; ++p) {
        charts[owner[p]].polygons.push_back(p);
    }
    std::vector<std::int32_t> scratch(adj.vertexCount, -1);
    for (int k = 0; k < count; ++k) {
        numberChartVertices(adj, charts[k], scratch);
        EXPECT_TRUE(flattenConformal(adj, owner, k, charts[k]));
        StretchSum sum;
        accumulateChartStretch(adj, charts[k], sum);
        for (Vec2d& p : charts[k].uv) {
            p = p * sum.areaScale();
        }
    }
    return charts;
}

} // namespace brontle::atlas::testing
