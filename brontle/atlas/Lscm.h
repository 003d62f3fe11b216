#pragma once
// Least-squares conformal maps (Levy, Petitjean, Ray, Maillot 2002) for one chart, and the
// projection used where a conformal map is not wanted.

#include "brontle/atlas/Chart.h"

#include <cstdint>
#include <vector>

namespace brontle::atlas {

// Flattens `chart` (vertices numbered) into chart.uv by minimising the conformal energy
// sum over triangles of |dz/dw-bar|^2 * area, with two border vertices far apart pinned.
// Polygons are fanned from their first corner for the energy only, each fan triangle measured in
// the plane of its polygon so that non-convex polygons keep one orientation. A faint graph
// Laplacian keeps vertices that touch only degenerate polygons determined.
// Returns false (chart.uv untouched) when the chart has no border to pin or the solve fails;
// the caller then splits the chart. Thread-safe for distinct charts.
bool flattenConformal(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                      std::int32_t chartId, Chart& chart);

// Projects the chart orthogonally onto the plane of its area-weighted normal (any plane when the
// chart has no area). Exact for a single planar polygon; the last resort for charts that can not
// be split further.
void flattenByProjection(const MeshAdjacency& adj, Chart& chart);

} // namespace brontle::atlas
