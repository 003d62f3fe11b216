#pragma once
// Global self-overlap test of a flattened chart. A disc-shaped chart whose triangles all keep
// their orientation is one-to-one exactly when its border does not cross itself, so this test
// together with the per-triangle orientation check guarantees the chart does not fold over.

#include "brontle/atlas/Chart.h"

#include <cstdint>
#include <vector>

namespace brontle::atlas {

// True when two border edges of the chart (polygons carrying `chartId` in `owner`) that share no
// vertex cross properly in chart.uv. Border edges that only touch are not counted. Expected time
// linear in the border length (uniform grid over the border's bounding box).
bool borderSelfIntersects(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                          std::int32_t chartId, const Chart& chart);

} // namespace brontle::atlas
