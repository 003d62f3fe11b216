#pragma once
// Splitting one chart into smaller connected charts, used when a flattened chart folds over
// itself, exceeds the stretch bound, or is not a topological disc.

#include "brontle/atlas/MeshAdjacency.h"

#include <cstdint>
#include <vector>

namespace brontle::atlas {

// Per-run scratch memory: one entry per polygon and per vertex, kept at -1 between calls.
struct SplitScratch {
    std::vector<std::int32_t> polygonLocal;
    std::vector<std::int32_t> vertexStamp;
    explicit SplitScratch(const MeshAdjacency& adj)
        : polygonLocal(adj.polygonCount, -1), vertexStamp(adj.vertexCount, -1) {}
};

// Splits the chart made of `polygons` (ascending mesh polygon indices, connected through
// opposite corners) into at least two edge-connected parts, each returned ascending; the parts
// are ordered by their lowest polygon. A chart of one polygon comes back unchanged (one part).
//
// The default cut grows `parts` regions (at least two) by geodesic distance over polygon
// centroids from far-apart seeds: the farthest polygon from the first one, the farthest from
// that, then each time the polygon farthest from all seeds so far. With
// `wantDiscs` (the chart is not a disc: closed, an annulus, a handle) cuts by the planes through
// the centroid normal to the chart's principal axes are tried as well, and the first candidate
// whose parts are all discs wins: a two-seed cut of a tube only shortens the tube.
std::vector<std::vector<std::int32_t>> splitChart(const MeshAdjacency& adj,
                                                  const std::vector<std::int32_t>& polygons,
                                                  bool wantDiscs, SplitScratch& scratch,
                                                  int parts = 2);

} // namespace brontle::atlas
