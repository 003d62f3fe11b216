#pragma once
// First segmentation of the surface into charts, before any flattening.
//
// Charts only ever cross edges that have an opposite corner (MeshAdjacency::oppositeCorner), so
// seams, mesh borders and non-manifold edges always separate charts.

#include "brontle/atlas/MeshAdjacency.h"

#include <cstdint>
#include <vector>

namespace brontle::atlas {

struct Segmentation {
    std::vector<std::int32_t> polygonChart; // P entries, chart index 0..chartCount-1
    int chartCount = 0;
};

// Polygon normals smoothed by three rounds of averaging polygon -> vertex (area weighted) ->
// polygon, i.e. over about three rings of neighbours; unit or zero.
// Growing charts on these instead of raw normals keeps scanner-like noise from shattering a
// smooth surface into tiny charts, while creases of flat-shaded models survive.
std::vector<Vec3d> smoothedPolygonNormals(const MeshAdjacency& adj);

// Makes the sharp edges of creases chart borders: an edge whose two polygons' own (unsmoothed)
// normals differ by more than `maxAngle` radians, on a line of such edges that runs on over
// several edges (not the lone sharp edges and spikes of a noisy surface), loses its opposite
// corners, like a seam, and is flagged in adj.sharpEdge. Polygons without area have no normal
// and keep their edges. Returns the number of edges separated. O(corners).
int separateSharpEdges(MeshAdjacency& adj, double maxAngle);

// One chart per edge-connected part; charts are numbered by their lowest polygon index.
Segmentation connectedParts(const MeshAdjacency& adj);

// Grows charts best-first from seeds. A polygon joins the growing chart while its (smoothed)
// normal stays within `maxAngle` radians of the chart's area-weighted mean normal; among
// candidates, those sharing more edges with the chart come first, which keeps charts compact.
// The next seed is the first polygon rejected by an earlier chart, so charts tile the surface
// front by front instead of leaving slivers. Degenerate polygons (zero area) join any chart.
// Afterwards a polygon that shares more edges with one neighbouring chart than with its own
// moves there when both charts stay discs, which straightens saw-toothed borders.
// Deterministic: ties break on polygon index.
Segmentation growCharts(const MeshAdjacency& adj, const std::vector<Vec3d>& normals,
                        double maxAngle);

} // namespace brontle::atlas
