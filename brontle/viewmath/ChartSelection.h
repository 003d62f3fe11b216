#pragma once
// Charts of a UV layout and the chart selection commands. A chart is a set of polygons
// connected through shared vertices (vertex indices, not positions: two charts that only touch
// at coincident but separate points stay two charts).

#include "brontle/core/SubSelection.h"
#include "brontle/viewmath/Picking.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

// Per vertex, the chart it belongs to (charts numbered 0.. in order of their lowest vertex);
// -1 for vertices that no polygon uses.
std::vector<std::int32_t> chartOfVertex(const MeshArrays& mesh);

// The point selection (kind 2) after adding every vertex of each chart that contains a seed
// vertex. Entries of `current` keep their order; the added vertices follow, ascending. Seeds
// outside the mesh are ignored.
SubSelection selectCharts(const MeshArrays& mesh, const SubSelection& current,
                          std::span<const std::int32_t> seeds);

// The point selection (kind 2) after removing every vertex of each chart that contains a seed
// vertex; the remaining entries keep their order.
SubSelection deselectCharts(const MeshArrays& mesh, const SubSelection& current,
                            std::span<const std::int32_t> seeds);

} // namespace brontle
