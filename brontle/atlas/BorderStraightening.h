#pragma once
// Straightening the borders between flattened charts. Splitting a chart by regions grown over
// polygon centroids leaves saw-toothed borders: polygons of one chart that poke into the next,
// held by a single edge. Each tooth lengthens the border, which costs the gutter and the texel
// that conservative coverage adds, and leaves notches too thin for any other chart. A tooth
// whose every vertex the neighbouring chart already has fits into that chart's notch with
// the neighbour's layout as it is: no chart is solved again.

#include "brontle/atlas/Chart.h"
#include "brontle/atlas/MeshAdjacency.h"

#include <vector>

namespace brontle::atlas {

struct StraightenSettings {
    // A moved polygon's L2 stretch in its new chart's layout may be at most this, or what it
    // had in its old chart when that was more (see straightenChartBorders).
    double maxPolygonStretch = 1.1;
    // ... and its area there at most this factor from its 3D area, either way.
    double maxAreaRatio = 1.5;
    int maxPasses = 4;
};

// `charts` are flattened charts with chart.uv at about their 3D scale (as refineCharts and
// mergeNeighbourCharts leave them). In passes over the polygons in index order, a polygon of
// positive area is moved from its chart A to a neighbouring chart B when all its edges but one
// are shared with B and that one is shared with A (or A has no other polygon). The polygon
// takes the positions B's layout already has for its vertices; the move is kept only when
//  - its vertices inside the run of shared edges have B and the polygon all round them (so B
//    stays a disc, and A, which loses a polygon held by one edge, does too),
//  - it keeps its orientation in B's layout, its stretch and area there stay within the
//    settings, and its one new border edge in B crosses none of B's border edges,
//  - neither chart came from the convex embedding nor B was projected flat.
// Every move shortens the border between the two charts (one edge instead of two or more).
// Layouts are never solved again, so no chart folds. Returns the number of polygons moved; the
// charts come back ordered by their lowest polygon (a chart left empty is dropped).
// Deterministic; the first pass costs about the mesh's corners, each later one visits only the
// neighbours of the polygons moved, and each candidate move costs about the border of B.
int straightenChartBorders(const MeshAdjacency& adj, const StraightenSettings& settings,
                           std::vector<Chart>& charts);

} // namespace brontle::atlas
