#pragma once
// A flattening that never folds: the chart's border laid on a circle and every inner vertex a
// convex combination of its neighbours (Tutte's embedding with Floater's mean-value weights).
// It stretches far more than a conformal map, so it is only the answer for charts too small to
// split further whose conformal map folds.

#include "brontle/atlas/Chart.h"

#include <cstdint>
#include <vector>

namespace brontle::atlas {

// Flattens `chart` (vertices numbered, a topological disc in `owner` under `chartId`) into
// chart.uv: its border loop, in the polygons' winding order, on a circle spaced by 3D edge
// length, the other vertices solved with positive mean-value weights over the polygons' fan
// triangles. On a disc with one simple border loop every triangle keeps its orientation.
// Returns false (chart.uv untouched) when the border is not one simple loop (a pinched border
// touching itself at a vertex) or the solve fails. Thread-safe for distinct charts.
bool flattenConvex(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                   std::int32_t chartId, Chart& chart);

} // namespace brontle::atlas
