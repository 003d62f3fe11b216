#pragma once
// Lowering the stretch of a conformal layout. A conformal map keeps angles but lets the scale
// drift across a curved chart, and the L2 stretch counts that drift: a chart that is a little
// over the stretch bound after its conformal solve is often within it once its triangles are
// allowed to trade a little angle for area. As-rigid-as-possible relaxation (Liu, Zhang, Xu,
// Gotsman and Gortler 2008): alternately fit each triangle's best rotation to its 3D shape, and
// solve for the vertex positions that follow those rotations best.

#include "brontle/atlas/Chart.h"

namespace brontle::atlas {

// `chart` is flattened (vertices numbered, chart.uv set at any scale). Runs `iterations` rounds
// of the relaxation starting from chart.uv, scaled first to the 3D area, and writes the result
// to `relaxed` (one position per local vertex, at about the 3D scale). Returns false when there
// is nothing to relax (no triangle of area) or the solve fails; `relaxed` is then unspecified.
// Orientation, folds and border crossings are the caller's to check. Thread-safe.
bool relaxStretch(const MeshAdjacency& adj, const Chart& chart, int iterations,
                  std::vector<Vec2d>& relaxed);

} // namespace brontle::atlas
