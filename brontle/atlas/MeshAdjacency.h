#pragma once
// Edge adjacency of a polygon mesh, built once per atlas run from the corners grouped by vertex.
//
// Corners are numbered globally in the order of MeshView::cornerVertex. Corner c of polygon p
// starts the edge from cornerVertex[c] to the vertex of the next corner of p (the last corner
// wrapping to the first). Two corners are "opposite" when they start the same edge in two
// different polygons running in opposite directions; only such edges may lie inside a chart.

#include "brontle/atlas/Atlas.h"
#include "brontle/atlas/Geometry.h"

#include <cstdint>
#include <vector>

namespace brontle::atlas {

struct MeshAdjacency {
    int polygonCount = 0;
    int vertexCount = 0;
    std::vector<std::int32_t> polygonStart;  // P + 1 offsets, copied from the mesh
    std::vector<std::int32_t> cornerVertex;  // one vertex per corner, copied from the mesh
    std::vector<Vec3d> positions;            // V positions, widened to double
    std::vector<std::int32_t> cornerPolygon; // polygon owning each corner
    // The corner of the neighbouring polygon across the edge started by each corner, or -1 when
    // the edge is a mesh boundary, a seam, or non-manifold (more than two polygons on it, or two
    // polygons using it in the same direction). Symmetric: opposite[opposite[c]] == c.
    std::vector<std::int32_t> oppositeCorner;
    std::vector<Vec3d> polygonNormal; // unit Newell normal, zero for degenerate polygons
    std::vector<double> polygonArea;  // area of the polygon (Newell), zero when degenerate
    // Per corner: its edge was separated as a sharp crease (separateSharpEdges); empty until then.
    std::vector<std::uint8_t> sharpEdge;

    int cornerCount() const { return static_cast<int>(cornerVertex.size()); }
    int nextCorner(int c) const {
        const int p = cornerPolygon[c];
        return c + 1 < polygonStart[p + 1] ? c + 1 : polygonStart[p];
    }
};

// Builds adjacency, normals and areas in O(corners) time (plus d log d at a vertex of d edges).
// Precondition: `mesh` passed validateMesh (indices in range, at least 3 corners per polygon).
// Seam entries that name a polygon or corner out of range throw Error(HostBadArgument).
MeshAdjacency buildAdjacency(const MeshView& mesh);

// Throws brontle::Error(HostBadMesh) naming the first problem: no polygons, polygon offsets not
// ascending from 0 to the corner count, a polygon with fewer than 3 corners, a vertex index out
// of range, a non-finite coordinate. Degenerate polygons are accepted here (see Atlas.cpp).
void validateMesh(const MeshView& mesh);

} // namespace brontle::atlas
