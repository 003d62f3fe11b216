#pragma once
// Folding single-polygon charts back into a neighbouring chart. Splitting a chart that folds or
// stretches too much on a rough surface can leave single polygons behind; each one packed alone
// costs a full gutter around a few texels. A polygon glued to a neighbour across a shared edge,
// laid out flat and hinged on that edge, is stretched no more than it was alone.

#include "brontle/atlas/Chart.h"

#include <vector>

namespace brontle::atlas {

// `charts` are flattened charts with chart.uv at about their 3D scale (as refineCharts returns
// them), ordered by their lowest polygon. Every chart of a single polygon that shares an edge
// with a chart of several polygons is moved into the one it shares the most edges with (ties:
// the earlier chart): the polygon is laid out in its own plane and placed by the similarity
// that maps the shared edge onto that edge in the neighbour's layout; vertices the neighbour
// already has keep their coordinates. A move is kept only when the grown chart is still a disc
// with no mirrored triangle and a border that does not cross itself, so no chart folds, and its
// area-weighted mean L2 stretch stays within `stretchBound` (or what it was before). The
// result stays ordered by lowest polygon; deterministic, expected time linear in the mesh.
void mergeSinglePolygonCharts(const MeshAdjacency& adj, double stretchBound,
                              std::vector<Chart>& charts);

} // namespace brontle::atlas
